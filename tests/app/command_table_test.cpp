#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/dispatch.h"

namespace orv {
namespace {

std::vector<std::string> texts(const MenuNode& n) {
    std::vector<std::string> v;
    for (const auto& c : n.children)
        v.push_back(c.kind == MenuNode::Kind::Separator ? "-" : c.text);
    return v;
}

TEST(Menu, SeparatorAndEmptyPopupRules) {
    const std::vector<MenuEntry> script = {
        {kMenuPopup, "A"}, {kMenuSeparator, ""}, {1, "one"}, {kMenuSeparator, ""},
        {kMenuSeparator, ""}, {2, "two"}, {kMenuPopup, "Empty"}, {kMenuPopupEnd, ""},
        {kMenuSeparator, ""}, {kMenuPopupEnd, ""},
        {kMenuPopup, "B"}, {-3, "three"}, {kMenuPopupEnd, ""},
    };
    MenuNode bar = buildMenu(script);
    ASSERT_EQ(texts(bar), (std::vector<std::string>{"A", "B"}));
    // No leading separator, doubles merged, the empty popup gone, the trailing one removed.
    EXPECT_EQ(texts(bar.children[0]), (std::vector<std::string>{"one", "-", "two"}));
    EXPECT_EQ(bar.children[1].children[0].command, 3);  // negative numbers are items too
}

TEST(Menu, TheBuiltInMenu) {
    const MenuNode& menu = mainMenu();
    EXPECT_EQ(texts(menu), (std::vector<std::string>{"&File", "&Edit", "&View", "&Pick", "&Copy",
                                                    "&Deform", "C&urve", "&Surface", "&Misc",
                                                    "&Help"}));
    struct Case {
        const char* text;
        std::vector<int> commands;
    } cases[] = {
        {"Circle", {7021}},
        {"circle", {7021}},
        {"Curve/Circle", {7021}},
        {"Cut&Paste", {4000}},
        {"Extend", {4005, 7005, 7035, 8000}},
        {"Surface/Extend", {8000}},
        {"Adjust/Extend", {7035}},
        {"Swap U/V", {8122}},
        {"Front view ( X/Z )", {3201}},
        {"Misc/Boolean/Union", {9000}},
        {"Nothing", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(findCommandsByText(menu, c.text), c.commands) << c.text;
    EXPECT_EQ(menuPath(menu, 8122), "Surface/Swap U/V");
    EXPECT_EQ(menuPath(menu, 7200), "Curve/Restore removed curves");
    EXPECT_EQ(menuPath(menu, 9131), "Misc/STL Output/for 3-axis nc program");
    EXPECT_EQ(menuPath(menu, 1009), "");  // no external programs configured
    EXPECT_EQ(menuPath(menu, 4000), "Copy/Cut&Paste");
}

TEST(Dispatch, EveryMenuCommandIsKnownAndUnbuiltOnesSaySo) {
    for (const auto& e : menuScript()) {
        if (e.number == kMenuPopup || e.number == kMenuPopupEnd || e.number == kMenuSeparator) continue;
        if (!commandAvailable(e.number)) continue;
        EXPECT_NE(menuPath(mainMenu(), e.number), "") << e.number;
    }
    EXPECT_TRUE(commandAvailable(7021));
    EXPECT_FALSE(commandAvailable(9100));
}

}  // namespace
}  // namespace orv
