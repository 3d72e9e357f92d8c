#pragma once
// Language files: every text of the UI table in another language, in table order.
//
// Layout (little-endian): 32 bytes of magic, a 16-bit unit count and the language name in
// UTF-16LE, then for every entry of the table whose built-in text is not empty (the menu run,
// then the string run) a 16-bit unit count and that many UTF-16LE units. Texts carry no
// numbers, so a file only fits the table it was made from.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_table.h"
#include "app/ui_strings.h"
#include "model/design_file.h"

namespace orv {

inline constexpr std::string_view kLanguageMagic = "OrivantaLocalizationStrings-0510";
// The file translators start from; never offered as a language of its own.
inline constexpr std::string_view kLanguageTemplateFile = "orivanta.str";
inline constexpr size_t kMaxLanguageChoices = 256;
// While a language file is in use, the language command offers the way back.
inline constexpr int kLanguageCommand = 1103;
inline constexpr std::string_view kChangeToEnglish = "Change to English (&L)";

// UTF-16 <-> UTF-8. Unpaired surrogates and malformed UTF-8 become U+FFFD, so any input
// converts and the output is always well formed.
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);

struct LanguageFile {
    std::string name;                // shown in the chooser (UTF-8)
    std::vector<std::string> texts;  // in table order; fewer than the table has when the file
                                     // ended early
};

// The texts a language file translates, in file order: every non-empty built-in text of the
// menu run, then of the string run.
std::vector<std::string_view> translatableTexts(std::span<const MenuEntry> menuRun,
                                                std::span<const UiString> strings = stringRun());

// Reads a language file image. A file that ends early (inside the name, a count or a text)
// keeps what was complete before that point and is still Ok; a short or foreign magic is
// InvalidFormat. At most `maxTexts` texts are kept.
FileStatus parseLanguageFile(std::span<const uint8_t> bytes, LanguageFile& out,
                             size_t maxTexts = std::numeric_limits<size_t>::max());
// The same from a file; CannotOpen when it cannot be read. `out` is only changed on Ok.
FileStatus readLanguageFile(const std::filesystem::path& path, LanguageFile& out,
                            size_t maxTexts = std::numeric_limits<size_t>::max());
// The selected language file `fileName` in the program's folder. The name comes from the
// settings, so anything but a plain file name (a folder part, "..") is refused as CannotOpen.
FileStatus loadLanguageFile(const std::filesystem::path& folder, std::string_view fileName,
                            LanguageFile& out,
                            size_t maxTexts = std::numeric_limits<size_t>::max());

// The file image of `language`; false (and `out` untouched) when the name or a text is longer
// than the 65535 UTF-16 units the format can count.
bool languageFileBytes(const LanguageFile& language, std::vector<uint8_t>& out);
// Writes `language` as `path`, replacing an old file only once the new one is complete.
inline FileStatus writeLanguageFile(const std::filesystem::path& path,
                                    const LanguageFile& language) {
    std::vector<uint8_t> bytes;
    if (!languageFileBytes(language, bytes)) return FileStatus::CannotWrite;
    return replaceFile(path, bytes, false);
}

// One entry of the "Choose Language" list.
struct LanguageChoice {
    std::string fileName;      // as stored in the settings
    std::string languageName;  // as stored in the file
};
// The language files of `folder`: names ending in ".str" in any letter case, except the
// template, with the right magic; sorted by file name, at most kMaxLanguageChoices.
std::vector<LanguageChoice> languageChoices(const std::filesystem::path& folder);

// What the menu builder needs for a language: the part of the menu run the file covers and the
// hook giving each entry's text. With no language (nullptr) that is the whole run with its
// built-in texts. When the file ends inside the menu run the script stops before the first
// entry left without a text, and the popups still open there are closed, so that an empty one
// vanishes as it would at its own end.
struct MenuTranslation {
    std::vector<MenuEntry> script;
    std::function<std::string(const MenuEntry&)> translate;
};
MenuTranslation translateMenu(std::span<const MenuEntry> menuRun, const LanguageFile* language);

// The runtime string table for a language (nullptr: the built-in texts). The string run's
// texts follow the menu run's in the file; when the file ends the table ends there too.
StringTable translateStrings(std::span<const MenuEntry> menuRun, const LanguageFile* language,
                             std::span<const UiString> strings = stringRun());

// The main menu and the string table in a language, from the built-in menu script.
inline MenuNode buildLanguageMenu(const LanguageFile* language) {
    MenuTranslation t = translateMenu(menuScript(), language);
    return buildMenu(t.script, t.translate);
}
inline StringTable buildStringTable(const LanguageFile* language) {
    return translateStrings(menuScript(), language);
}
// A language file holding the built-in texts under `name`: the translator's starting point.
inline LanguageFile builtInLanguage(std::string name) {
    LanguageFile f{std::move(name), {}};
    for (std::string_view t : translatableTexts(menuScript())) f.texts.emplace_back(t);
    return f;
}

}  // namespace orv
