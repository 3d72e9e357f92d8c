#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/language.h"
#include "app/ui_strings.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class LanguageDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orv_language_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

void writeRaw(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readRaw(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A language whose every text names its position, so that a text shown in the wrong place
// is caught.
LanguageFile numberedLanguage(size_t count) {
    LanguageFile f{"Numbered", {}};
    for (size_t i = 0; i < count; ++i) f.texts.push_back("T" + std::to_string(i));
    return f;
}

size_t menuTextCount() {
    return static_cast<size_t>(std::count_if(menuScript().begin(), menuScript().end(),
                                              [](const MenuEntry& e) {
                                                  return e.number != kMenuSeparator &&
                                                         e.number != kMenuPopupEnd &&
                                                         !e.text.empty();
                                              }));
}

std::vector<std::string> texts(const MenuNode& n) {
    std::vector<std::string> v;
    for (const auto& c : n.children)
        v.push_back(c.kind == MenuNode::Kind::Separator ? "-" : c.text);
    return v;
}

void collectItems(const MenuNode& n, std::vector<const MenuNode*>& out) {
    for (const auto& c : n.children) {
        if (c.kind != MenuNode::Kind::Separator) out.push_back(&c);
        if (c.kind == MenuNode::Kind::Popup) collectItems(c, out);
    }
}

TEST(Utf, ConversionsReplaceWhatCannotBeRepresented) {
    struct Case {
        std::u16string utf16;
        std::string utf8;
    } roundTrips[] = {
        {u"", ""},
        {u"Layer 1", "Layer 1"},
        {u"Gr\u00FCn \u00E9t\u00E9", "Gr\xC3\xBCn \xC3\xA9t\xC3\xA9"},
        {u"\u65E5\u672C\u8A9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        {u"\U0001D11E clef", "\xF0\x9D\x84\x9E clef"},
    };
    for (const auto& c : roundTrips) {
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16);
    }

    const std::string fffd = "\xEF\xBF\xBD";
    struct Bad16 {
        std::u16string in;
        std::string out;
    } bad16[] = {
        {std::u16string{u'a', char16_t(0xD800)}, "a" + fffd},               // high at the end
        {std::u16string{char16_t(0xD800), u'b'}, fffd + "b"},               // high then no low
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, fffd + fffd},  // low first
    };
    for (const auto& c : bad16) EXPECT_EQ(utf16ToUtf8(c.in), c.out);

    struct Bad8 {
        std::string in;
        std::u16string out;
    } bad8[] = {
        {"\x80", u"\uFFFD"},                       // stray continuation byte
        {"\xC0\x80", u"\uFFFD\uFFFD"},             // overlong NUL
        {"\xE2\x82", u"\uFFFD\uFFFD"},             // cut short
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},   // an encoded surrogate
        {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"a\xFFz", u"a\uFFFDz"},
    };
    for (const auto& c : bad8) EXPECT_EQ(utf8ToUtf16(c.in), c.out);
}

TEST_F(LanguageDir, FileRoundTripWithNonAsciiTexts) {
    LanguageFile f{"Deutsch \u2013 \u00DCbersetzung \U0001D11E",
                   {"&Datei", "", "\u00D6ffnen\nZweite Zeile", "\u65E5\u672C"}};
    fs::path p = dir / "deutsch.str";
    ASSERT_EQ(writeLanguageFile(p, f), FileStatus::Ok);

    // The layout, byte by byte for the start: magic, name length in units, name in UTF-16LE.
    std::vector<uint8_t> bytes = readRaw(p);
    ASSERT_GE(bytes.size(), 36u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), "OrivantaLocalizationStrings-0510");
    std::u16string name = utf8ToUtf16(f.name);
    EXPECT_EQ(bytes[32] | bytes[33] << 8, int(name.size()));
    EXPECT_EQ(bytes[34] | bytes[35] << 8, 'D');

    LanguageFile back;
    ASSERT_EQ(readLanguageFile(p, back), FileStatus::Ok);
    EXPECT_EQ(back.name, f.name);
    EXPECT_EQ(back.texts, f.texts);

    // A reader that wants fewer texts stops there.
    ASSERT_EQ(readLanguageFile(p, back, 2), FileStatus::Ok);
    EXPECT_EQ(back.texts, (std::vector<std::string>{"&Datei", ""}));
}

TEST_F(LanguageDir, UnusableFilesAreReportedAndLeaveTheLanguageAlone) {
    LanguageFile kept{"kept", {"a"}};
    std::vector<uint8_t> good;
    ASSERT_TRUE(languageFileBytes(kept, good));
    std::vector<uint8_t> foreign = good;
    foreign[31] = '1';  // "...-0511"
    writeRaw(dir / "foreign.str", foreign);
    writeRaw(dir / "short.str", std::vector<uint8_t>(good.begin(), good.begin() + 20));
    writeRaw(dir / "empty.str", {});
    writeRaw(dir / "good.str", good);
    fs::create_directory(dir / "folder.str");

    struct Case {
        const char* file;
        FileStatus status;
    } cases[] = {
        {"foreign.str", FileStatus::InvalidFormat}, {"short.str", FileStatus::InvalidFormat},
        {"empty.str", FileStatus::InvalidFormat},   {"missing.str", FileStatus::CannotOpen},
        {"folder.str", FileStatus::CannotOpen},     {"../good.str", FileStatus::CannotOpen},
        {"sub/good.str", FileStatus::CannotOpen},   {"sub\\good.str", FileStatus::CannotOpen},
        {"", FileStatus::CannotOpen},               {"..", FileStatus::CannotOpen},
    };
    for (const auto& c : cases) {
        LanguageFile out = kept;
        EXPECT_EQ(loadLanguageFile(dir, c.file, out), c.status) << c.file;
        EXPECT_EQ(out.name, "kept") << c.file;
    }
    LanguageFile out;
    EXPECT_EQ(loadLanguageFile(dir, "good.str", out), FileStatus::Ok);
    EXPECT_EQ(out.texts, kept.texts);
}

TEST_F(LanguageDir, FileCutShortKeepsOnlyCompleteTexts) {
    LanguageFile f{"Name", {"one", "two", "three"}};
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(languageFileBytes(f, bytes));
    struct Case {
        size_t drop;  // bytes cut from the end
        std::string name;
        std::vector<std::string> texts;
    } cases[] = {
        {0, "Name", {"one", "two", "three"}},
        {2, "Name", {"one", "two"}},           // inside the last text
        {11, "Name", {"one", "two"}},          // half of the last text's count left
        {12, "Name", {"one", "two"}},          // the last text gone entirely
        {13, "Name", {"one"}},                 // inside the one before
        {bytes.size() - 32 - 3, "", {}},       // inside the name
        {bytes.size() - 32, "", {}},           // nothing after the magic
    };
    for (const auto& c : cases) {
        LanguageFile out;
        std::span<const uint8_t> part(bytes.data(), bytes.size() - c.drop);
        ASSERT_EQ(parseLanguageFile(part, out), FileStatus::Ok) << c.drop;
        EXPECT_EQ(out.name, c.name) << c.drop;
        EXPECT_EQ(out.texts, c.texts) << c.drop;
    }
}

TEST_F(LanguageDir, TextTooLongForTheFormatFailsWithoutTouchingTheOldFile) {
    fs::path p = dir / "x.str";
    ASSERT_EQ(writeLanguageFile(p, {"old", {"a"}}), FileStatus::Ok);
    std::vector<uint8_t> before = readRaw(p);
    LanguageFile tooLong{"new", {std::string(65536, 'x')}};
    EXPECT_EQ(writeLanguageFile(p, tooLong), FileStatus::CannotWrite);
    EXPECT_EQ(readRaw(p), before);
    // 65535 units still fit, counting a character outside the BMP as two.
    std::string longest(65533, 'x');
    longest += "\U0001D11E";
    EXPECT_EQ(writeLanguageFile(p, {"new", {longest}}), FileStatus::Ok);
    EXPECT_EQ(writeLanguageFile(dir / "no" / "such" / "dir.str", {"n", {}}),
              FileStatus::CannotWrite);
}

TEST(Language, NoLanguageGivesTheBuiltInMenuAndStrings) {
    MenuNode plain = buildMenu(menuScript());
    MenuNode built = buildLanguageMenu(nullptr);
    std::vector<const MenuNode*> a, b;
    collectItems(plain, a);
    collectItems(built, b);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i]->text, b[i]->text);
    EXPECT_EQ(buildStringTable(nullptr), StringTable());
}

TEST(Language, EveryTextLandsOnItsOwnEntry) {
    size_t all = translatableTexts(menuScript()).size();
    LanguageFile lang = numberedLanguage(all);
    MenuNode menu = buildLanguageMenu(&lang);

    // Menu entries take the file's texts in script order, except the language item, which
    // offers the way back.
    std::vector<const MenuNode*> items;
    collectItems(menu, items);
    std::vector<std::string> expected;
    for (const MenuEntry& e : menuScript()) {
        if (e.number == kMenuSeparator || e.number == kMenuPopupEnd || e.text.empty()) continue;
        expected.push_back(std::abs(e.number) == 1103 ? "Change to English (&L)"
                                                      : "T" + std::to_string(expected.size()));
    }
    std::vector<std::string> shown;
    for (const MenuNode* n : items)
        if (!n->text.empty()) shown.push_back(n->text);
    EXPECT_EQ(shown, expected);

    // The string run follows the menu run in the file.
    StringTable strings = buildStringTable(&lang);
    EXPECT_EQ(strings.size(), StringTable().size());
    size_t k = menuTextCount();
    for (const UiString& s : stringRun()) {
        EXPECT_EQ(strings.text(s.id), "T" + std::to_string(k)) << s.id;
        ++k;
    }

    // The translator's starting point reproduces the built-in texts.
    LanguageFile english = builtInLanguage("English");
    EXPECT_EQ(english.texts.size(), all);
    EXPECT_EQ(buildStringTable(&english), StringTable());
}

TEST(Language, ShortFileStopsTheMenuAndTheStringTable) {
    size_t menuTexts = menuTextCount();
    // Texts: 0 "&File", 1 "&New", ..., 9 "&Export", 10 "&Configuration", 11 "&Colors".
    struct Case {
        size_t count;
        std::vector<std::string> bar;
        std::vector<std::string> file;  // the first popup's entries
    } cases[] = {
        // The file ends right after the title of a popup: the empty popup is not shown.
        {1, {}, {}},
        // It ends after the title of a nested popup: that one goes, and so does the separator
        // it leaves at the end of its parent.
        {11, {"T0"}, {"T1", "T2", "T3", "T4", "T5", "T6", "-", "T7", "T8", "T9"}},
        // One item of the nested popup arrived.
        {12, {"T0"}, {"T1", "T2", "T3", "T4", "T5", "T6", "-", "T7", "T8", "T9", "-", "T10"}},
    };
    for (const auto& c : cases) {
        LanguageFile lang = numberedLanguage(c.count);
        MenuNode menu = buildLanguageMenu(&lang);
        std::vector<std::string> bar = texts(menu);
        if (c.bar.empty()) {
            EXPECT_TRUE(bar.empty()) << c.count;
            continue;
        }
        EXPECT_EQ(bar, c.bar) << c.count;
        ASSERT_FALSE(menu.children.empty());
        std::vector<std::string> file = texts(menu.children[0]);
        EXPECT_EQ(file, c.file) << c.count;
        // A file that ends inside the menu leaves no strings at all.
        EXPECT_EQ(buildStringTable(&lang).size(), 0u) << c.count;
    }

    // A file that ends inside the string run: the whole menu, and strings up to the end.
    LanguageFile lang = numberedLanguage(menuTexts + 3);
    EXPECT_EQ(texts(buildLanguageMenu(&lang)).size(), texts(buildMenu(menuScript())).size());
    StringTable strings = buildStringTable(&lang);
    ASSERT_EQ(strings.size(), 3u);
    EXPECT_EQ(strings.pairs()[2].first, stringRun()[2].id);
    EXPECT_EQ(strings.text(stringRun()[3].id), "");
}

TEST(Language, EmptyTranslationsAreNotStored) {
    // Run: 5 "five", 6 "" (not in the file), 7 "seven", 5 "again".
    const UiString run[] = {{5, "five"}, {6, ""}, {7, "seven"}, {5, "again"}};
    LanguageFile lang{"x", {"", "sieben", "wieder"}};
    StringTable t = translateStrings({}, &lang, run);
    EXPECT_EQ(t.text(5), "wieder");
    EXPECT_EQ(t.text(6), "");
    EXPECT_EQ(t.text(7), "sieben");
}

TEST_F(LanguageDir, ChooserListsLanguageFilesByName) {
    auto write = [&](const char* file, const char* language) {
        ASSERT_EQ(writeLanguageFile(dir / file, {language, {"x"}}), FileStatus::Ok);
    };
    write("b.str", "Deutsch");
    write("A.STR", "Fran\u00E7ais");
    write("orivanta.str", "Template");
    write("Orivanta.Str", "Template too");
    write("c.str.bak", "Not a language file");
    write("notes.txt", "Nor this");
    writeRaw(dir / "bad.str", std::vector<uint8_t>(64, 'x'));
    fs::create_directory(dir / "folder.str");

    std::vector<LanguageChoice> list = languageChoices(dir);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].fileName, "A.STR");
    EXPECT_EQ(list[0].languageName, "Fran\u00E7ais");
    EXPECT_EQ(list[1].fileName, "b.str");
    EXPECT_EQ(list[1].languageName, "Deutsch");

    EXPECT_TRUE(languageChoices(dir / "missing").empty());
}

TEST_F(LanguageDir, ChooserShowsAtMost256Files) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(languageFileBytes({"L", {}}, bytes));
    for (int i = 0; i < 260; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "l%03d.str", i);
        writeRaw(dir / name, bytes);
    }
    std::vector<LanguageChoice> list = languageChoices(dir);
    ASSERT_EQ(list.size(), 256u);
    EXPECT_EQ(list.front().fileName, "l000.str");
    EXPECT_EQ(list.back().fileName, "l255.str");
}

}  // namespace
}  // namespace orv
