#pragma once
// What commands need from the platform, as small interfaces. The desktop implements them with
// dialogs and message boxes; orivanta-batch and the tests implement them headless.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/design_file.h"

namespace orv {

class Interaction;
class Operation;

// One labelled control of a dialog, bound to the argument values it edits.
struct DialogControl {
    std::string label;
    std::vector<std::string> otherLabels;
    // Sets the control from text; returns an error message, empty when accepted.
    std::function<std::string(std::string_view)> set;
    std::function<std::string()> get;
    // The entries of a drop-down list (empty for a plain edit).
    std::vector<std::string> choices = {};
};

struct DialogRequest {
    int command = 0;
    std::string caption;
    std::vector<DialogControl> controls;
    // Checked when the user confirms: an error message, empty when the values can be used.
    std::function<std::string()> validate;
    // Dialogs whose values can also be set by dragging in a view offer the view operation that
    // does it: the desktop keeps the dialog open beside the views, installs the operation
    // while it is open and shows the values again whenever `changed` is called.
    std::function<std::unique_ptr<Operation>(Interaction&, std::function<void()> changed)> dragInput;

    const DialogControl* find(std::string_view label) const;
    std::string labels() const;  // "a", "b", "c" for messages
};

enum class Gathered { Ok, Cancelled, Failed };

// Fills a command's arguments: a modal dialog on the desktop, a script line headless. On
// Failed, `error` says why (an unknown label, a value that is not a number, ...).
class DialogSource {
public:
    virtual ~DialogSource() = default;
    virtual Gathered gather(DialogRequest& request, std::string& error) = 0;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A message box with an OK button.
    virtual void message(std::string_view text) = 0;
};

enum class FileRole { Open, Insert, SaveAs, Export };

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // A path chosen by the user, or nothing when cancelled. `filter` lists "Text|*.ext|" pairs.
    virtual std::optional<std::filesystem::path> choose(FileRole role, std::string_view filter) = 0;
};

// Where finished files go. The desktop replaces files at once (with a backup for designs);
// a script stages them and replaces them only when the whole script succeeded.
class FileStore {
public:
    virtual ~FileStore() = default;
    virtual FileStatus replace(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                               bool keepBackup) = 0;
};

// Replaces files immediately.
class DirectFileStore final : public FileStore {
public:
    FileStatus replace(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                       bool keepBackup) override;
};

}  // namespace orv
