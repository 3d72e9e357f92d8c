#include "gui/progress_window.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <algorithm>
#include <cmath>

#include "app/ui_strings.h"

namespace orv::gui {

namespace {
constexpr int kAreYouSureToCancel = 10137;
}

ProgressWindow::ProgressWindow(QWidget* parent, QString task)
    : parent_(parent), task_(std::move(task)) {}

void ProgressWindow::open() {
    dialog_ = new QProgressDialog(task_, QStringLiteral("Cancel"), 0, 100, parent_);
    // Input to the design windows waits while the work runs: a command started in the middle
    // of a computation would change the design under it.
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    // The dialog's own cancel would end the bar at once; the user is asked first.
    QObject::disconnect(dialog_, &QProgressDialog::canceled, dialog_, &QProgressDialog::cancel);
    QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] {
        if (asking_ || cancelled_) return;
        asking_ = true;
        auto answer = QMessageBox::question(
            dialog_, QStringLiteral("Orivanta"),
            QString::fromUtf8(uiText(kAreYouSureToCancel).data(),
                              static_cast<qsizetype>(uiText(kAreYouSureToCancel).size())),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        asking_ = false;
        if (answer == QMessageBox::Yes) cancelled_ = true;
    });
    dialog_->setWindowTitle(task_ + QStringLiteral(" 0%"));
    dialog_->show();
}

ProgressWindow::~ProgressWindow() {
    delete dialog_;
}

void ProgressWindow::start(std::string_view task) {
    task_ = QString::fromUtf8(task.data(), static_cast<qsizetype>(task.size()));
    lastPercent_ = -1;
    if (dialog_) {
        dialog_->setLabelText(task_);
        dialog_->setValue(0);
        dialog_->setWindowTitle(task_ + QStringLiteral(" 0%"));
    }
}

bool ProgressWindow::update(double fraction) {
    if (!dialog_) open();
    if (!std::isfinite(fraction)) fraction = 0;
    int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        dialog_->setValue(percent);
        dialog_->setWindowTitle(task_ + QStringLiteral(" %1%").arg(percent));
    }
    // Keeps the window painted and lets the Cancel button be pressed.
    QCoreApplication::processEvents();
    return !cancelled_;
}

}  // namespace orv::gui
