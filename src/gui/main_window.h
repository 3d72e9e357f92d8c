#pragma once
#include <QMainWindow>
#include <QMap>
#include <filesystem>

#include "app/command_table.h"
#include "app/dispatch.h"
#include "ops/operation.h"

class QMdiArea;
class QAction;
class QMenu;
class QToolBar;

namespace orv::gui {

class AppContext;
class DocumentWindow;
class QtDialogSource;
class QtMessageSink;
class QtFileChooser;
class SliceWindow;

class MainWindow : public QMainWindow, public InteractionPlatform {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& app);
    ~MainWindow() override;

    // Runs a command number as the menus, toolbars and hotkeys do.
    void runCommand(int command);
    // Opens a design in a new document window (or in the active one when it is empty).
    bool openFile(const std::filesystem::path& path);
    DocumentWindow* activeDocument() const;
    QAction* action(int command) const { return actions_.value(command, nullptr); }
    QMdiArea* mdiArea() const { return mdi_; }
    // The view toolbar's repeat factor while a button is held: 1 + 5 * repeats, 1000 after 199.
    float repeatFactor() const;
    Interaction& interaction() { return *interaction_; }

    // What the running operations need from the desktop.
    void showStatus(std::string_view text) override;
    void message(std::string_view text) override;
    std::string text(int id) override;
    std::vector<OperationView*> viewsOf(Document& doc) override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void showSlices();
    void buildMenus();
    void addMenu(QMenu* into, const MenuNode& node);
    void buildToolbars();
    void updateRecentFiles(const std::filesystem::path& opened = {});
    void updateActions();
    DocumentWindow* newDocument(std::shared_ptr<Document> shared = nullptr);
    // Redraws every window that shows `doc`.
    void redrawDocument(const Document& doc);
    bool saveDocument(DocumentWindow& w, bool askName);
    bool runViewCommand(int command);
    void chooseLanguage();
    void editLayers();
    void retitleToolbars();
    CommandOutcome dispatchToActive(int command);

    AppContext& app_;
    QMdiArea* mdi_ = nullptr;
    QMap<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    SliceWindow* sliceViewer_ = nullptr;  // owned by the window (Qt parent), made on first use
    std::unique_ptr<QtDialogSource> dialogs_;
    std::unique_ptr<QtMessageSink> messages_;
    std::unique_ptr<QtFileChooser> chooser_;
    DirectFileStore store_;
    int repeats_ = 0;
    std::unique_ptr<Interaction> interaction_;
};

// Commands the desktop itself carries out (windows, views, display modes).
bool isWindowCommand(int command);

}  // namespace orv::gui
