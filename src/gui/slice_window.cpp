#include "gui/slice_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/slice_viewer.h"
#include "gui/qt_platform.h"
#include "view/line_renderer.h"

namespace orv::gui {

SliceWindow::SliceWindow(SliceViewer& viewer, QWidget* parent, std::function<void()> redrawViews)
    : QDialog(parent), viewer_(viewer), redrawViews_(std::move(redrawViews)) {
    setModal(false);
    setObjectName("SliceWindow");
    auto* layout = new QVBoxLayout(this);
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->setSingleStep(1);
    bar_->setPageStep(10);
    bar_->setMinimumWidth(280);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    auto* open = new QPushButton("Open", this);
    auto* play = new QPushButton(">", this);
    buttons->addWidget(open);
    buttons->addWidget(play);
    layout->addLayout(buttons);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int v) { setCurrentLayer(v); });
    connect(open, &QPushButton::clicked, this, [this] {
        QString name = QFileDialog::getOpenFileName(this, "Open", {}, qtFilter(kShowSlicesFilter));
        if (!name.isEmpty()) load(name.toStdString());
    });
    connect(play, &QPushButton::clicked, this, [this] { playAll(); });
    // The file "Cut into Slices" wrote last opens at once.
    if (!viewer_.loaded && !viewer_.path.empty()) viewer_.open(viewer_.path);
    refresh();
}

bool SliceWindow::load(const std::filesystem::path& path) {
    if (viewer_.open(path) < 0) {
        QMessageBox::information(
            this, "Orivanta",
            QStringLiteral("Not a slice file: %1").arg(QString::fromStdString(path.string())));
        refresh();
        return false;
    }
    playedUpTo_ = -1;
    refresh();
    if (redrawViews_) redrawViews_();
    return true;
}

void SliceWindow::refresh() {
    bar_->blockSignals(true);
    bar_->setRange(0, std::max(0, viewer_.layerCount() - 1));
    bar_->setValue(viewer_.current);
    bar_->blockSignals(false);
    setWindowTitle(QString::fromStdString(viewer_.title()));
}

void SliceWindow::setCurrentLayer(int layer) {
    viewer_.setLayer(layer);
    playedUpTo_ = -1;
    refresh();
    if (redrawViews_) redrawViews_();
}

void SliceWindow::playAll() {
    for (int i = 0; i < viewer_.layerCount() && isVisible(); ++i) {
        viewer_.setLayer(i);
        playedUpTo_ = i;
        refresh();
        if (redrawViews_) redrawViews_();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void SliceWindow::draw(LineRenderer& renderer) const {
    if (!viewer_.loaded) return;
    if (playedUpTo_ < 0) {
        drawSliceLayer(viewer_, viewer_.current, renderer);
        return;
    }
    for (int i = 0; i <= playedUpTo_; ++i) drawSliceLayer(viewer_, i, renderer);
}

}  // namespace orv::gui
