#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orv {

// Message numbers shared with the command table and language files.
namespace msg {
inline constexpr int kButtonOk = 1;
inline constexpr int kButtonCancel = 2;
inline constexpr int kButtonBrowse = 3;
inline constexpr int kButtonReset = 4;

inline constexpr int kNotEnoughMemory = 10014;
inline constexpr int kCannotWrite = 10015;
inline constexpr int kInvalidFormat = 10016;
inline constexpr int kInvalidInsert = 10017;
inline constexpr int kCannotOpen = 10018;
inline constexpr int kNoMoreRedo = 10019;
inline constexpr int kNoMoreUndo = 10020;
inline constexpr int kPickMaterialObject = 10021;
inline constexpr int kFineSnapping = 10022;
inline constexpr int kCoarseSnapping = 10023;
// Seven view names in the order 3D, front, right, top, back, left, bottom.
inline constexpr int kFirstViewName = 10024;
// Nine toolbar titles in the order File, View, General, Copy, Transform, Deform, Curve,
// Surface, Boolean.
inline constexpr int kFirstToolbarTitle = 10031;
inline constexpr int kPicking = 10040;
inline constexpr int kPickingCvs = 10041;
inline constexpr int kPickingTLines = 10042;
inline constexpr int kCopying = 10043;
inline constexpr int kCopiedToHidden = 10044;
inline constexpr int kNothingToCopy = 10045;
inline constexpr int kTransformUndone = 10046;
inline constexpr int kTransformRedone = 10047;
inline constexpr int kDeformUndone = 10059;
inline constexpr int kDeformRedone = 10060;
inline constexpr int kConfirmCancel = 10137;
inline constexpr int kPickedObjects = 10138;
// Orivanta's own messages, numbered above the inherited range.
inline constexpr int kFileDamaged = 10901;

inline constexpr int kMouseHelpFlipZoom = 20001;
inline constexpr int kMouseHelpPanRoll = 20002;

inline constexpr int kLayersCaption = 31800;
inline constexpr int kChangePickedToLayer = 31801;
inline constexpr int kLoadLayerFile = 31802;
inline constexpr int kSaveLayerFile = 31803;
}  // namespace msg

// One entry of the string run: a command or text number and its built-in text.
struct UiString {
    int id;
    std::string_view text;
};

// The built-in string run in table order: the short command names (tool tips and status
// texts), the messages, the mouse help, the button texts, the dialog captions and labels,
// then the items the menus receive after building. A language file translates it in exactly
// this order, so entries are only ever appended to a block, never reordered.
std::span<const UiString> stringRun();

// The built-in text of a UI string; empty when the number is unknown. The first entry of the
// string run with that number wins.
std::string_view uiText(int id);

// The texts looked up by number at run time, in one language. A value: the application owns
// one and hands it to whoever shows text; documents and tests each may hold their own.
class StringTable {
public:
    static constexpr size_t kCapacity = 1000;

    // The built-in texts.
    StringTable();
    // No texts at all; fill with add().
    static StringTable empty();

    // Appends a pair. Empty texts are not stored (a lookup of them stays empty either way,
    // and they must not hide a later entry of the same number); false when not stored.
    bool add(int id, std::string_view text);

    // The text bound to `id`, the first one added when there are several; empty when absent.
    // Views stay valid until the table is changed or destroyed.
    std::string_view text(int id) const;
    // The status-line text of a command: its text up to the first line feed. Empty means the
    // caller falls back to the framework's own text.
    std::string_view statusText(int id) const;
    // The tool tip of a toolbar button's command; empty means the framework's own text.
    std::string_view toolTip(int id) const { return text(id); }

    size_t size() const { return pairs_.size(); }
    bool full() const { return pairs_.size() >= kCapacity; }
    const std::vector<std::pair<int, std::string>>& pairs() const { return pairs_; }

    friend bool operator==(const StringTable& a, const StringTable& b) {
        return a.pairs_ == b.pairs_;
    }

private:
    struct EmptyTag {};
    explicit StringTable(EmptyTag) {}

    std::vector<std::pair<int, std::string>> pairs_;
    std::unordered_map<int, size_t> first_;  // number -> index of its first pair
};

}  // namespace orv
