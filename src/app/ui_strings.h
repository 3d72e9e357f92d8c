#pragma once
#include <string_view>

namespace orv {

// Message numbers shared with the command table and language files.
namespace msg {
inline constexpr int kNotEnoughMemory = 10014;
inline constexpr int kCannotWrite = 10015;
inline constexpr int kInvalidFormat = 10016;
inline constexpr int kInvalidInsert = 10017;
inline constexpr int kCannotOpen = 10018;
inline constexpr int kNoMoreRedo = 10019;
inline constexpr int kNoMoreUndo = 10020;
inline constexpr int kConfirmCancel = 10137;
// Orivanta's own messages, numbered above the inherited range.
inline constexpr int kFileDamaged = 10901;
}  // namespace msg

// The English text of a UI string; empty when the number is unknown.
std::string_view uiText(int id);

}  // namespace orv
