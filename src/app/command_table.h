#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One entry of the menu script: a command number with its built-in menu text, or one of the
// structural markers below.
struct MenuEntry {
    int number;
    std::string_view text;
};

inline constexpr int kMenuSeparator = 0;
inline constexpr int kMenuPopup = 1000001;
inline constexpr int kMenuPopupEnd = 1000002;

// The built-in menu script in menu order, without its end marker.
const std::vector<MenuEntry>& menuScript();

// A built menu: popups have children, items a command, separators neither.
struct MenuNode {
    enum class Kind { Popup, Item, Separator } kind = Kind::Popup;
    std::string text;
    int command = 0;
    std::vector<MenuNode> children;
};

// Builds the menu bar from the script. `translate(entry)` gives the text to show (a language
// file's text, or the built-in one); empty popups vanish, separators never double up, lead a
// menu or end a popup.
MenuNode buildMenu(const std::vector<MenuEntry>& script,
                   const std::function<std::string(const MenuEntry&)>& translate = {});

// Adds the items the menu script leaves to the program: "Restore removed curves" (7200) to
// the curve menu, "Ring Size" (9301) and the "STL Output" popup (99901: 9131, 9132) to the
// misc menu. Texts come from `text(number)`. The external programs' popup (99902) is only
// added when `externalPrograms` lists some (their command numbers, 1005-1011).
void addAfterBuildItems(MenuNode& bar, const std::function<std::string(int)>& text,
                        const std::vector<int>& externalPrograms = {});

// "C&ircle" -> "Circle", "Cut&&&Paste" -> "Cut&Paste".
std::string stripMnemonic(std::string_view text);

// Commands whose menu text (without mnemonics, any letter case) matches `text`. A text with
// '/' names the popups on the way, from the right: "Surface/Extend", "Adjust/Circle".
std::vector<int> findCommandsByText(const MenuNode& menu, std::string_view text);
// The menu path of a command ("Curve/Circle"), empty when it has no menu item.
std::string menuPath(const MenuNode& menu, int command);

}  // namespace orv
