#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "model/document.h"

namespace orv::gui {

class ViewWidget;
class AppContext;

// One design in the multi-document area: the document and the views that show it (one, two
// or four, by layout).
class DocumentWindow : public QWidget {
    Q_OBJECT
public:
    DocumentWindow(AppContext& app, std::shared_ptr<Document> doc, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    Document& document() { return *doc_; }
    // Shared by every window on the same design ("New view").
    const std::shared_ptr<Document>& sharedDocument() const { return doc_; }
    AppContext& app() { return app_; }
    // The view last clicked or focused; never null.
    ViewWidget* activeView() const { return views_[active_]; }
    const std::vector<ViewWidget*>& views() const { return views_; }
    // Directions of the views: one entry per view, 1 to 4 entries.
    void setLayout(const std::vector<int>& directions);
    void setActiveView(ViewWidget* view);
    // Redraws every view, e.g. after a command changed the document.
    void redrawAll();
    // "name*" for the title bar; "Untitled" before the first save.
    QString title() const;
    // Asks whether to save a modified document; false when the user cancels or saving fails.
    bool maySave();
    // Saves the document as the Save command does (asking for a name when it has none);
    // set by the main window.
    std::function<bool()> save;

Q_SIGNALS:
    void documentChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext& app_;
    std::shared_ptr<Document> doc_;
    std::vector<ViewWidget*> views_;
    size_t active_ = 0;
};

}  // namespace orv::gui
