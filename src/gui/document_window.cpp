#include "gui/document_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>

#include "gui/app_context.h"
#include "gui/view_widget.h"
#include "app/ui_strings.h"
#include "model/design_file.h"

namespace orv::gui {

DocumentWindow::DocumentWindow(AppContext& app, std::shared_ptr<Document> doc, QWidget* parent)
    : QWidget(parent), app_(app), doc_(std::move(doc)) {
    setAttribute(Qt::WA_DeleteOnClose);
    new QGridLayout(this);
    layout()->setContentsMargins(0, 0, 0, 0);
    static_cast<QGridLayout*>(layout())->setSpacing(2);
    setLayout({viewdir::kFront});
}

DocumentWindow::~DocumentWindow() = default;

void DocumentWindow::setLayout(const std::vector<int>& directions) {
    auto* grid = static_cast<QGridLayout*>(layout());
    for (ViewWidget* v : views_) {
        grid->removeWidget(v);
        v->deleteLater();
    }
    views_.clear();
    int columns = directions.size() > 1 ? 2 : 1;
    for (size_t i = 0; i < directions.size(); ++i) {
        auto* v = new ViewWidget(*this, directions[i], this);
        v->setObjectName(QStringLiteral("view%1").arg(i));
        grid->addWidget(v, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
        views_.push_back(v);
    }
    active_ = 0;
}

void DocumentWindow::setActiveView(ViewWidget* view) {
    for (size_t i = 0; i < views_.size(); ++i)
        if (views_[i] == view) active_ = i;
}

void DocumentWindow::redrawAll() {
    for (ViewWidget* v : views_) v->requestRedraw();
    setWindowTitle(title());
    Q_EMIT documentChanged();
}

QString DocumentWindow::title() const {
    QString name = doc_->path.empty() ? QStringLiteral("Untitled")
                                      : QFileInfo(QString::fromStdString(doc_->path.string())).fileName();
    return name + (doc_->modified ? "*" : "");
}

bool DocumentWindow::maySave() {
    // Another window still shows the design: closing this one loses nothing.
    if (!doc_->modified || doc_.use_count() > 1) return true;
    auto answer = QMessageBox::question(
        this, "Orivanta", QStringLiteral("Save changes to %1?").arg(title().chopped(1)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Discard) return true;
    return save && save();
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (app_.dialogOpen) {  // finish or cancel the open dialog first
        event->ignore();
        return;
    }
    // A curve being drawn joins its design before the design is saved or dropped; no command
    // may outlive the document it works on.
    if (Interaction* i = app_.interaction) i->endCommand();
    if (maySave()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace orv::gui
