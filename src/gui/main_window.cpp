#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFileDialog>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/language.h"
#include "app/ui_strings.h"
#include "gui/app_context.h"
#include "gui/document_window.h"
#include "gui/icons.h"
#include "gui/layers_dialog.h"
#include "gui/qt_platform.h"
#include "gui/slice_window.h"
#include "gui/progress_window.h"
#include "gui/view_widget.h"
#include "model/design_file.h"

namespace orv::gui {

namespace {

constexpr int kRecentList = 57616;
constexpr int kMaxRecent = 10;

struct ToolbarLayout {
    const char* title;
    std::vector<int> buttons;  // 0 = gap
};

// In creation order; the View toolbar repeats its buttons while held.
const std::vector<ToolbarLayout>& toolbarLayouts() {
    static const std::vector<ToolbarLayout> layouts = {
        {"View Toolbar", {3002, 3100, 3101, 3102, 3103, 3104, 3105, 3201, 3202, 3203, 3204, 3205, 3206,
                          3200, 3310, 3311, 3300, 3301, 3400, 3401, 3402, 3403, 3410, 3411, 3412, 3413,
                          3414, 3420, 3421, 3422, 3423, 3430, 3431, 3440}},
        {"General Toolbar", {3600, 0, 57643, 57644}},
        {"File Toolbar", {57600, 57601, 57603, 57669}},
        {"Copy Toolbar", {4000, 4001, 4002, 4003, 4004, 4005, 4006}},
        {"Transform Toolbar", {5000, 5001, 5002, 5003, 0, 5010}},
        {"Deform Toolbar", {6000, 6001, 6002, 6003, 6004, 6005, 6006, 6007, 6008, 6009, 6010, 0, 6100, 6101}},
        {"Curve Toolbar", {7000, 7001, 7002, 7003, 7004, 7005, 7006, 7021, 0, 7100, 7101}},
        {"Surface Toolbar", {8000, 8001, 8002, 8004, 8005, 8006}},
        {"Boolean Toolbar", {9000, 9001, 9002, 0, 9003}},
    };
    return layouts;
}

}  // namespace

bool isWindowCommand(int c) {
    return c == 1103 || c == 9111 || c == 2500 || c == 3000 || c == 3001 || c == 3415 || c == 57600 || c == 57601 || c == 57665 || c == 57648 || c == 57664 ||
           (c >= 3100 && c <= 3103) || (c >= 3200 && c <= 3206) || c == 3300 || c == 3301 ||
           c == 3310 || c == 3311 || (c >= 3400 && c <= 3403) || c == 3410 || c == 3411 ||
           c == 3413 || (c >= 3420 && c <= 3423) || c == 3430 || c == 3431 || c == 3440 ||
           (c >= 3500 && c <= 3509);
}

MainWindow::MainWindow(AppContext& app) : app_(app) {
    interaction_ = std::make_unique<Interaction>(*this);
    interaction_->setLayers(&app_.layers);
    app_.interaction = interaction_.get();
    app_.afterPointer = [this] {
        // Operations post commands to end themselves; they run once the event is over.
        for (int id : interaction_->takePostedCommands()) runCommand(id);
        if (DocumentWindow* w = activeDocument()) w->setWindowTitle(w->title());
        updateActions();
    };
    setWindowTitle("Orivanta");
    setAcceptDrops(true);
    mdi_ = new QMdiArea(this);
    mdi_->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(mdi_);
    dialogs_ = std::make_unique<QtDialogSource>(this);
    dialogs_->interaction = interaction_.get();
    dialogs_->modelessState = [this](bool open) {
        app_.dialogOpen = open;
        menuBar()->setEnabled(!open);
        for (QToolBar* t : findChildren<QToolBar*>()) t->setEnabled(!open);
    };
    messages_ = std::make_unique<QtMessageSink>(this);
    chooser_ = std::make_unique<QtFileChooser>(this);
    buildMenus();
    buildToolbars();
    retitleToolbars();
    statusBar()->showMessage("Ready");
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { updateActions(); });
    updateRecentFiles();
    updateActions();
    resize(1280, 860);
}

void MainWindow::showSlices() {
    if (!sliceViewer_) {
        sliceViewer_ = new SliceWindow(app_.memory.sliceViewer, this, [this] {
            for (QMdiSubWindow* s : mdi_->subWindowList())
                if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->redrawAll();
        });
        app_.viewOverlay = [this](LineRenderer& r) {
            if (sliceViewer_ && sliceViewer_->isVisible()) sliceViewer_->draw(r);
        };
        connect(sliceViewer_, &QDialog::finished, this, [this] {
            for (QMdiSubWindow* s : mdi_->subWindowList())
                if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->redrawAll();
        });
    }
    sliceViewer_->refresh();
    sliceViewer_->show();
    sliceViewer_->raise();
}

MainWindow::~MainWindow() {
    interaction_->endCommand();
    app_.viewOverlay = nullptr;
    for (QMdiSubWindow* s : mdi_->subWindowList()) delete s;
    app_.interaction = nullptr;
    app_.afterPointer = nullptr;
}

void MainWindow::showStatus(std::string_view text) {
    statusBar()->showMessage(QString::fromUtf8(text.data(), int(text.size())));
}

void MainWindow::message(std::string_view text) { messages_->message(text); }

std::string MainWindow::text(int id) { return std::string(app_.strings.text(id)); }

std::vector<OperationView*> MainWindow::viewsOf(Document& doc) {
    std::vector<OperationView*> out;
    for (QMdiSubWindow* s : mdi_->subWindowList())
        if (auto* d = qobject_cast<DocumentWindow*>(s->widget()); d && &d->document() == &doc)
            for (ViewWidget* v : d->views()) out.push_back(v);
    return out;
}

void MainWindow::buildMenus() {
    menuBar()->clear();
    recentMenu_ = nullptr;
    MenuNode menu = buildLanguageMenu(app_.languageInUse());
    addAfterBuildItems(menu, [this](int n) { return std::string(app_.strings.text(n)); });
    for (const MenuNode& top : menu.children) {
        QMenu* m = menuBar()->addMenu(QString::fromStdString(top.text));
        addMenu(m, top);
    }
}

void MainWindow::addMenu(QMenu* into, const MenuNode& node) {
    for (const MenuNode& child : node.children) {
        switch (child.kind) {
            case MenuNode::Kind::Separator: into->addSeparator(); break;
            case MenuNode::Kind::Popup: addMenu(into->addMenu(QString::fromStdString(child.text)), child); break;
            case MenuNode::Kind::Item: {
                if (child.command == kRecentList) {
                    recentMenu_ = into->addMenu("Recent &Files");
                    break;
                }
                int id = child.command;
                QAction* a = actions_.value(id, nullptr);
                if (!a) {
                    a = new QAction(this);
                    a->setData(id);
                    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
                    actions_.insert(id, a);
                }
                a->setText(QString::fromStdString(child.text));
                // Status and tool tips come from the string table; the menu text stands in
                // where the table has none.
                std::string_view status = app_.strings.statusText(id);
                std::string_view tip = app_.strings.toolTip(id);
                std::string fallback = stripMnemonic(child.text);
                a->setStatusTip(QString::fromStdString(status.empty() ? fallback : std::string(status)));
                a->setToolTip(QString::fromStdString(tip.empty() ? fallback : std::string(tip)));
                into->addAction(a);
                break;
            }
        }
    }
}

void MainWindow::buildToolbars() {
    for (const ToolbarLayout& layout : toolbarLayouts()) {
        QToolBar* bar = addToolBar(layout.title);
        bar->setObjectName(layout.title);
        bar->setIconSize(QSize(24, 24));
        bool repeat = std::string_view(layout.title) == "View Toolbar";
        for (int id : layout.buttons) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* a = actions_.value(id);
            if (!a) continue;
            a->setIcon(commandIcon(id));
            bar->addAction(a);
            if (repeat) {
                auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
                if (!button) continue;
                button->setAutoRepeat(true);
                button->setAutoRepeatDelay(500);
                button->setAutoRepeatInterval(50);
                connect(button, &QToolButton::pressed, this, [this] { repeats_ = 0; });
                connect(button, &QToolButton::clicked, this, [this] { ++repeats_; });
            }
        }
    }
}

float MainWindow::repeatFactor() const {
    int done = std::max(0, repeats_ - 1);
    return done > 199 ? 1000.0f : 1.0f + 5.0f * static_cast<float>(done);
}

DocumentWindow* MainWindow::activeDocument() const {
    QMdiSubWindow* sub = mdi_->activeSubWindow();
    if (!sub && !mdi_->subWindowList().isEmpty()) sub = mdi_->subWindowList().last();
    return sub ? qobject_cast<DocumentWindow*>(sub->widget()) : nullptr;
}

DocumentWindow* MainWindow::newDocument(std::shared_ptr<Document> shared) {
    if (!shared) shared = std::make_shared<Document>(app_.gems);
    auto* w = new DocumentWindow(app_, std::move(shared));
    w->save = [this, w] { return saveDocument(*w, false); };
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    connect(w, &DocumentWindow::documentChanged, this, [this, w] {
        for (QMdiSubWindow* s : mdi_->subWindowList())
            if (auto* d = qobject_cast<DocumentWindow*>(s->widget()); d && &d->document() == &w->document()) {
                d->setWindowTitle(d->title());
                if (d != w)
                    for (ViewWidget* v : d->views()) v->update();
            }
        updateActions();
    });
    w->setWindowTitle(w->title());
    // Picking is what the mouse does until a command says otherwise.
    interaction_->setCurrentView(w->activeView());
    if (!interaction_->defaultOperation()) interaction_->runCommand(opcmd::kPick);
    sub->resize(900, 640);
    sub->show();
    sub->showMaximized();
    return w;
}

bool MainWindow::openFile(const std::filesystem::path& path) {
    DocumentWindow* w = activeDocument();
    if (!w || w->document().modified || !w->document().objects().empty() || !w->document().path.empty())
        w = newDocument();
    FileStatus s = openDesign(w->document(), path);
    if (s != FileStatus::Ok && s != FileStatus::Damaged) {
        QMessageBox::warning(this, "Orivanta",
                             QString::fromStdString(path.string()) + ": " + QString::fromUtf8(uiText(messageId(s)).data()));
        mdi_->activeSubWindow()->close();
        return false;
    }
    if (s == FileStatus::Damaged) messages_->message(uiText(messageId(s)));
    updateRecentFiles(path);
    for (ViewWidget* v : w->views()) v->zoomAll();
    w->redrawAll();
    return true;
}

bool MainWindow::saveDocument(DocumentWindow& w, bool askName) {
    std::filesystem::path path = w.document().path;
    if (askName || path.empty()) {
        auto chosen = chooser_->choose(FileRole::SaveAs, "Orivanta Files (*.ovd)|*.ovd|");
        if (!chosen) return false;
        path = *chosen;
        if (path.extension().empty()) path += ".ovd";
    }
    FileStatus s = saveDesign(w.document(), path);
    if (s != FileStatus::Ok) {
        QMessageBox::warning(this, "Orivanta", QString::fromUtf8(uiText(messageId(s)).data()));
        return false;
    }
    updateRecentFiles(path);
    w.redrawAll();
    return true;
}

void MainWindow::updateRecentFiles(const std::filesystem::path& opened) {
    QStringList files = app_.settings.value("Recent/Files").toStringList();
    if (!opened.empty()) {
        QString p = QFileInfo(QString::fromStdString(opened.string())).absoluteFilePath();
        files.removeAll(p);
        files.prepend(p);
        while (files.size() > kMaxRecent) files.removeLast();
        app_.settings.setValue("Recent/Files", files);
    }
    if (!recentMenu_) return;
    recentMenu_->clear();
    for (int i = 0; i < files.size(); ++i) {
        QString f = files[i];
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(f).fileName()));
        a->setStatusTip(f);
        connect(a, &QAction::triggered, this, [this, f] { openFile(f.toStdString()); });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void MainWindow::updateActions() {
    DocumentWindow* w = activeDocument();
    ViewWidget* view = w ? w->activeView() : nullptr;
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        int id = it.key();
        bool available = commandAvailable(id) || isWindowCommand(id) || id == 3600 || id == 3601 ||
                         id == 3602 || id == 3412 || id == 3002;
        bool needsDocument = !(id == 57600 || id == 57601 || id == 57665 || id == 57664 ||
                               (id >= 3500 && id <= 3509));
        it.value()->setEnabled(available && (w || !needsDocument));
        bool checkable = (id >= 3100 && id <= 3105) || (id >= 3200 && id <= 3206) || id == 5010 || id == 3002;
        if (id == 3002) {
            it.value()->setCheckable(true);
            it.value()->setChecked(interaction_->snap.fine());
            continue;
        }
        it.value()->setCheckable(checkable);
        if (!checkable || !view) continue;
        if (id >= 3100 && id <= 3105) {
            static const int modes[] = {10, 0, 20, 100, 300, 400};
            it.value()->setChecked(view->renderMode() == modes[id - 3100]);
        } else if (id >= 3200 && id <= 3206) {
            it.value()->setChecked(view->camera().direction == id - 3200);
        } else if (id == 5010) {
            it.value()->setChecked(interaction_->frameModeSetting != 0);
        }
    }
    if (w) setWindowTitle("Orivanta - " + w->title());
}

CommandOutcome MainWindow::dispatchToActive(int command) {
    DocumentWindow* w = activeDocument();
    if (!w) return {CommandStatus::Failed, "no design is open"};
    ViewWidget* view = w->activeView();
    w->document().currentLayer = app_.layers.current();
    // A command starts from a fresh pick operation, which ends whatever was running.
    interaction_->runCommand(opcmd::kPick);
    CommandContext ctx{w->document(), view->camera().axes(), *dialogs_, *messages_, *chooser_, store_, app_.memory};
    ctx.exportOptions.layerOn = app_.layers.visibleLayers();
    ctx.interaction = interaction_.get();
    // Long work shows the progress window at its first report; quick commands never do.
    QString task = QString::fromStdString(menuPath(mainMenu(), command)).remove('&');
    ProgressWindow progress(this, task.section('/', -1));
    ctx.progress = &progress;
    CommandOutcome r = dispatchCommand(command, ctx);
    w->redrawAll();
    return r;
}

void MainWindow::runCommand(int command) {
    // Hotkeys still fire while a dialog waits beside the views; its command comes first.
    if (app_.dialogOpen) {
        statusBar()->showMessage("Finish or cancel the open dialog first", 3000);
        return;
    }
    if (DocumentWindow* w = activeDocument()) {
        interaction_->setCurrentView(w->activeView());
        if (interaction_->runCommand(command)) {
            for (int id : interaction_->takePostedCommands()) runCommand(id);
            w->redrawAll();
            updateActions();
            return;
        }
    }
    if (isWindowCommand(command)) {
        if (!runViewCommand(command)) statusBar()->showMessage("Nothing to show", 2000);
        updateActions();
        return;
    }
    if (command == 57603 || command == 57604) {
        if (DocumentWindow* w = activeDocument()) saveDocument(*w, command == 57604);
        return;
    }
    CommandOutcome r = dispatchToActive(command);
    switch (r.status) {
        case CommandStatus::Done:
            if (command == 57601 || command == 1000) updateRecentFiles(activeDocument()->document().path);
            statusBar()->showMessage(QString::fromStdString(menuPath(mainMenu(), command)), 3000);
            break;
        case CommandStatus::Cancelled: break;
        case CommandStatus::Failed:
        case CommandStatus::NotAvailable:
        case CommandStatus::Unknown:
            QMessageBox::information(this, "Orivanta", QString::fromStdString(r.message));
            break;
    }
    updateActions();
}

bool MainWindow::runViewCommand(int c) {
    if (c == 57600) {
        newDocument();
        return true;
    }
    if (c == 57601) {
        auto path = chooser_->choose(FileRole::Open, "Orivanta Files (*.ovd)|*.ovd|All Files (*.*)|*.*|");
        return !path || openFile(*path);
    }
    if (c == 57665) {
        close();
        return true;
    }
    if (c == 57664) {
        QMessageBox::about(this, "About Orivanta",
                           "Orivanta\nA 3D modeller for jewellery designers.");
        return true;
    }
    if (c == 1103) {
        chooseLanguage();
        return true;
    }
    if (c == 2500) {
        editLayers();
        return true;
    }
    if (c == 9111) {
        showSlices();
        return true;
    }
    if (c >= 3500 && c <= 3509) {
        static const char* order[] = {"File Toolbar", "View Toolbar", "General Toolbar", "Copy Toolbar",
                                      "Transform Toolbar", "Deform Toolbar", "Curve Toolbar",
                                      "Surface Toolbar", "Boolean Toolbar"};
        if (c == 3500) {
            for (QToolBar* t : findChildren<QToolBar*>()) t->show();
            return true;
        }
        if (QToolBar* t = findChild<QToolBar*>(order[c - 3501])) t->setVisible(!t->isVisible());
        return true;
    }
    DocumentWindow* w = activeDocument();
    if (!w) return false;
    ViewWidget* view = w->activeView();
    if (c == 57648) {
        // Another window on the same design, looking the way the active view does.
        DocumentWindow* copy = newDocument(w->sharedDocument());
        ViewWidget* v = copy->activeView();
        v->camera() = view->camera();
        v->update();
        return true;
    }
    if (c == 3001) {
        bool ok = false;
        double spacing = QInputDialog::getDouble(this, "Grid Setting", "Grid spacing (0: no grid)",
                                                 app_.display.gridSpacing, 0.0, 10000.0, 3, &ok);
        if (!ok) return true;
        app_.display.gridSpacing = static_cast<float>(spacing);
        for (QMdiSubWindow* s : mdi_->subWindowList())
            if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->redrawAll();
        return true;
    }
    if (c == 3000) {
        // Background image: choose one (or none) for the wire-frame views.
        QString f = QFileDialog::getOpenFileName(this, "Background Image", {},
                                                 "Images (*.bmp *.jpg *.jpeg *.png);;All Files (*)");
        if (f.isEmpty()) {
            app_.showBackground = false;
        } else {
            QImage image(f);
            if (image.isNull()) {
                QMessageBox::warning(this, "Background Image", QString::fromUtf8(uiText(msg::kCannotOpen).data()));
                return true;
            }
            app_.backgroundImage = image;
            app_.showBackground = true;
        }
        for (QMdiSubWindow* s : mdi_->subWindowList())
            if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->redrawAll();
        return true;
    }
    if (c == 3415) {
        bool ok = false;
        double z = QInputDialog::getDouble(this, "Calibrate", "Zoom of 1 : 1", app_.camera.calibrationZoom,
                                           0.0001, 1000.0, 4, &ok);
        if (ok) app_.camera.calibrationZoom = static_cast<float>(z);
        return true;
    }
    if (c >= 3100 && c <= 3103) {
        static const int modes[] = {10, 0, 20, 100};
        view->setRenderMode(modes[c - 3100]);
        return true;
    }
    if (c >= 3200 && c <= 3206) {
        view->setDirection(c - 3200);
        return true;
    }
    if (c == 3300 || c == 3301 || c == 3310 || c == 3311) {
        std::vector<int> dirs = c == 3300   ? std::vector<int>{1, 2, 3, 0}
                                : c == 3301 ? std::vector<int>{4, 5, 6, 0}
                                : c == 3310 ? std::vector<int>{1, 2}
                                            : std::vector<int>{1, 3};
        int mode = view->renderMode();
        w->setLayout(dirs);
        for (ViewWidget* v : w->views()) {
            v->setRenderMode(mode);
            v->zoomAll();
        }
        return true;
    }
    return view->viewCommand(c, repeatFactor());
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (app_.dialogOpen) {
        e->ignore();
        return;
    }
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        e->ignore();
        return;
    }
    app_.saveSettings();
    e->accept();
}

void MainWindow::chooseLanguage() {
    if (app_.language) {
        // With a language in use the command is "Change to English".
        app_.language.reset();
        app_.languageFile.clear();
    } else {
        std::vector<LanguageChoice> choices = languageChoices(app_.programDirectory);
        if (choices.empty()) {
            QMessageBox::information(this, "Choose Language",
                                     "There are no language files (*.str) in " +
                                         QString::fromStdString(app_.programDirectory.string()));
            return;
        }
        QStringList names;
        for (const auto& c : choices) names << QString::fromStdString(c.languageName);
        bool ok = false;
        QString chosen = QInputDialog::getItem(this, "Choose Language", "Language", names, 0, false, &ok);
        if (!ok) return;
        const LanguageChoice& c = choices[static_cast<size_t>(names.indexOf(chosen))];
        LanguageFile f;
        FileStatus s = loadLanguageFile(app_.programDirectory, c.fileName, f);
        if (s != FileStatus::Ok) {
            QMessageBox::warning(this, "Choose Language", QString::fromUtf8(uiText(messageId(s)).data()));
            return;
        }
        app_.language = std::move(f);
        app_.languageFile = c.fileName;
    }
    app_.strings = buildStringTable(app_.languageInUse());
    buildMenus();
    retitleToolbars();
    updateRecentFiles();
    updateActions();
    app_.saveSettings();
}

void MainWindow::retitleToolbars() {
    // Toolbar titles are UI strings 10031-10039 in creation order File, View, ...
    static const int ids[] = {10032, 10033, 10031, 10034, 10035, 10036, 10037, 10038, 10039};
    int i = 0;
    for (const ToolbarLayout& layout : toolbarLayouts()) {
        if (QToolBar* t = findChild<QToolBar*>(layout.title)) {
            std::string_view title = app_.strings.text(ids[i]);
            if (!title.empty()) t->setWindowTitle(QString::fromUtf8(title.data(), int(title.size())));
        }
        ++i;
    }
}

void MainWindow::editLayers() {
    LayersDialog dialog(app_.layers, this);
    if (dialog.exec() != QDialog::Accepted) return;
    DocumentWindow* active = activeDocument();
    std::vector<Document*> others;
    for (QMdiSubWindow* s : mdi_->subWindowList())
        if (auto* d = qobject_cast<DocumentWindow*>(s->widget()); d && d != active) others.push_back(&d->document());
    if (active) {
        applyLayerDialog(app_.layers, dialog.edited(), dialog.changePicked(), active->document(), others);
    } else {
        app_.layers = dialog.edited();
        app_.layers.normalise();
    }
    for (QMdiSubWindow* s : mdi_->subWindowList())
        if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->redrawAll();
    app_.saveSettings();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile() && u.toLocalFile().endsWith(".ovd", Qt::CaseInsensitive)) {
            e->acceptProposedAction();
            return;
        }
}

void MainWindow::dropEvent(QDropEvent* e) {
    if (app_.dialogOpen) return;  // no design opens while a command waits for its dialog
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile() && u.toLocalFile().endsWith(".ovd", Qt::CaseInsensitive))
            openFile(u.toLocalFile().toStdString());
}

}  // namespace orv::gui
