#pragma once
// The desktop's side of the core's platform interfaces.
#include <functional>
#include <QWidget>

#include "app/platform.h"

namespace orv::gui {

// A form with one edit per control, labelled as the core names it; OK checks the values with
// the request's own validation and keeps the dialog open on an error.
class QtDialogSource final : public DialogSource {
public:
    explicit QtDialogSource(QWidget* parent) : parent_(parent) {}
    Gathered gather(DialogRequest& request, std::string& error) override;

    // For dialogs with drag input: the interaction that runs the drag, and what the window
    // does while such a dialog stays open beside the views (true: opened, false: closed).
    Interaction* interaction = nullptr;
    std::function<void(bool open)> modelessState;

private:
    QWidget* parent_;
};

class QtMessageSink final : public MessageSink {
public:
    explicit QtMessageSink(QWidget* parent) : parent_(parent) {}
    void message(std::string_view text) override;

private:
    QWidget* parent_;
};

class QtFileChooser final : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<std::filesystem::path> choose(FileRole role, std::string_view filter) override;
    // The next choice is answered with this path instead of a dialog (drops, recent files).
    std::optional<std::filesystem::path> preset;

private:
    QWidget* parent_;
};

// "Text|*.ext|Text2|*.e2|" -> "Text (*.ext);;Text2 (*.e2)" for Qt's file dialogs.
QString qtFilter(std::string_view filter);

}  // namespace orv::gui
