#include "app/ui_strings.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace orv {

namespace {
// Sorted by number.
constexpr std::pair<int, std::string_view> kEnglish[] = {
    {msg::kNotEnoughMemory, "Not enough memory to perform operations!"},
    {msg::kCannotWrite, "Cannot write to file!"},
    {msg::kInvalidFormat, "Invalid file format!"},
    {msg::kInvalidInsert, "Invalid file format or insert file contains no object!"},
    {msg::kCannotOpen, "Cannot open file!"},
    {msg::kNoMoreRedo, "No more redo!"},
    {msg::kNoMoreUndo, "No more undo!"},
    {msg::kConfirmCancel, "Are you sure to Cancel?"},
    {msg::kFileDamaged, "The file is damaged: only the objects before the damage were read."},
};
}  // namespace

std::string_view uiText(int id) {
    auto it = std::lower_bound(std::begin(kEnglish), std::end(kEnglish), id,
                               [](const auto& e, int v) { return e.first < v; });
    return it != std::end(kEnglish) && it->first == id ? it->second : std::string_view{};
}

}  // namespace orv
