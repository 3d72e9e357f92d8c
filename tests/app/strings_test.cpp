#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "app/command_table.h"
#include "app/ui_strings.h"

namespace orv {
namespace {

TEST(UiStrings, BuiltInLookup) {
    struct Case {
        int id;
        std::string_view text;
    } cases[] = {
        {msg::kNotEnoughMemory, "Not enough memory to perform operations!"},
        {msg::kCannotOpen, "Cannot open file!"},
        {msg::kFileDamaged, "The file is damaged: only the objects before the damage were read."},
        {10097, "This curve or surface mismatches with the loft surface! Please select other "
                "curves or surfaces."},
        {10131, "Estimating "},  // a prefix: its trailing blank is part of the text
        {msg::kConfirmCancel, "Are you sure to Cancel?"},
        {msg::kMouseHelpFlipZoom,
         "       Left Mouse Button = Flip         Right Mouse Button = Zoom"},
        {msg::kButtonOk, "OK"},
        {msg::kButtonReset, "Reset"},
        {msg::kLayersCaption, "Layers"},
        {34000, "Round Diamond Size"},
        // Command names: quoted ones, and ones derived from the menu text.
        {3100, "Quick Wire Frame"},
        {6009, "Skew Twist"},
        {4000, "Cut&Paste"},
        {57664, "About Orivanta"},
        {7200, "Restore removed curves"},
        {99902, "Export/Print 3D to"},
        // Numbers nobody gave a text, and no number at all.
        {10128, ""},
        {20003, ""},
        {57616, ""},
        {0, ""},
        {-1, ""},
        {123456, ""},
    };
    StringTable table;
    for (const auto& c : cases) {
        EXPECT_EQ(uiText(c.id), c.text) << c.id;
        EXPECT_EQ(table.text(c.id), c.text) << c.id;
    }
}

TEST(UiStrings, EveryMenuCommandHasAToolTipThatMayDifferFromItsMenuText) {
    StringTable table;
    for (const MenuEntry& e : menuScript()) {
        if (e.number == kMenuPopup || e.number == kMenuPopupEnd || e.number == kMenuSeparator ||
            e.text.empty())
            continue;
        std::string_view tip = table.toolTip(e.number);
        EXPECT_FALSE(tip.empty()) << e.number;
        EXPECT_EQ(tip.find_first_of("\n"), std::string_view::npos) << e.number;
        EXPECT_NE(tip.back(), '.') << e.number;
    }
    // The same number shows its menu text in the menu and the string-run text elsewhere.
    auto fineSnap = std::find_if(menuScript().begin(), menuScript().end(),
                                 [](const MenuEntry& e) { return e.number == 3002; });
    ASSERT_NE(fineSnap, menuScript().end());
    EXPECT_EQ(fineSnap->text, "Fine Sna&p");
    EXPECT_EQ(table.statusText(3002), "Fine Snap");
}

TEST(UiStrings, NoEntryOfTheRunIsHiddenByAnEarlierOne) {
    // A later entry with a number already used would never be shown in any language.
    std::set<int> seen;
    for (const UiString& s : stringRun()) {
        EXPECT_FALSE(s.text.empty()) << s.id;
        EXPECT_TRUE(seen.insert(s.id).second) << s.id;
    }
    EXPECT_LE(stringRun().size(), StringTable::kCapacity);
}

TEST(StringTable, FirstMatchWinsAndEmptyTextsAreNotStored) {
    StringTable t = StringTable::empty();
    EXPECT_EQ(t.text(5), "");
    EXPECT_TRUE(t.add(5, "first"));
    EXPECT_TRUE(t.add(5, "second"));
    EXPECT_EQ(t.text(5), "first");
    // An empty text would otherwise hide the later real one.
    EXPECT_FALSE(t.add(6, ""));
    EXPECT_TRUE(t.add(6, "six"));
    EXPECT_EQ(t.text(6), "six");
    EXPECT_EQ(t.size(), 3u);

    // A copy is independent of its source.
    StringTable copy = t;
    copy.add(7, "seven");
    EXPECT_EQ(copy.text(5), "first");
    EXPECT_EQ(t.text(7), "");
}

TEST(StringTable, HoldsAtMostAThousandPairs) {
    StringTable t = StringTable::empty();
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(t.add(i, "x")) << i;
    EXPECT_TRUE(t.full());
    EXPECT_FALSE(t.add(5000, "one too many"));
    EXPECT_EQ(t.text(5000), "");
    EXPECT_EQ(t.text(999), "x");
}

TEST(StringTable, StatusTextStopsAtTheFirstLineFeed) {
    StringTable t = StringTable::empty();
    t.add(1, "Status part\nTip part\nmore");
    t.add(2, "\nstarts with a line feed");
    t.add(3, "no line feed");
    EXPECT_EQ(t.statusText(1), "Status part");
    EXPECT_EQ(t.toolTip(1), "Status part\nTip part\nmore");
    EXPECT_EQ(t.statusText(2), "");
    EXPECT_EQ(t.statusText(3), "no line feed");
    EXPECT_EQ(t.statusText(4), "");
}

}  // namespace
}  // namespace orv
