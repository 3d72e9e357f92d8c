#include "app/language.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <system_error>
#include <utility>

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr size_t kMaxUnits = 0xFFFF;  // what a 16-bit count can say

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One code point from UTF-8 at `i`, advancing `i`; a malformed sequence (stray continuation,
// overlong form, encoded surrogate, beyond U+10FFFF, cut short) yields U+FFFD for its first
// byte only, so that the bytes after it are read afresh.
char32_t nextCodePoint(std::string_view s, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (length == 1) {
        ++i;
        return b;
    }
    if (length == 0 || i + length > s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t c = b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        unsigned char cont = byte(i + k);
        if ((cont & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (cont & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return c;
}

// Little-endian reader over a file image that reports the end instead of reading past it.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool has(size_t n) const { return bytes_.size() - at_ >= n; }
    uint16_t u16() {
        uint16_t v = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return v;
    }
    // `count` UTF-16 units as UTF-8; false (nothing consumed) when the image ends first.
    bool units(size_t count, std::string& out) {
        if (!has(count * 2)) return false;
        std::u16string text(count, u'\0');
        for (size_t k = 0; k < count; ++k) text[k] = static_cast<char16_t>(u16());
        out = utf16ToUtf8(text);
        return true;
    }
    // A counted text; false when the image ends inside it.
    bool text(std::string& out) {
        if (!has(2)) return false;
        size_t count = u16();
        return units(count, out);
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

void putUnits(std::vector<uint8_t>& out, const std::u16string& text) {
    out.push_back(static_cast<uint8_t>(text.size() & 0xFF));
    out.push_back(static_cast<uint8_t>(text.size() >> 8));
    for (char16_t u : text) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
}

// The first `limit` bytes of a file (all of it when shorter); false when it cannot be read.
bool readPrefix(const fs::path& path, size_t limit, std::vector<uint8_t>& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.clear();
    constexpr size_t kChunk = 1 << 16;
    while (out.size() < limit) {
        size_t want = std::min(kChunk, limit - out.size());
        size_t old = out.size();
        out.resize(old + want);
        in.read(reinterpret_cast<char*>(out.data() + old), static_cast<std::streamsize>(want));
        out.resize(old + static_cast<size_t>(in.gcount()));
        if (in.bad()) return false;
        if (!in) break;  // end of file
    }
    return true;
}

// Bytes a file can usefully hold for `maxTexts` texts: anything beyond is never looked at.
size_t usefulSize(size_t maxTexts) {
    constexpr size_t kCountedText = 2 + 2 * kMaxUnits;
    size_t header = kLanguageMagic.size() + kCountedText;
    if (maxTexts > (std::numeric_limits<size_t>::max() - header) / kCountedText)
        return std::numeric_limits<size_t>::max();
    return header + maxTexts * kCountedText;
}

bool needsText(const MenuEntry& e) {
    return e.number != kMenuSeparator && e.number != kMenuPopupEnd && !e.text.empty();
}

bool iequalsAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = nextCodePoint(text, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::vector<std::string_view> translatableTexts(std::span<const MenuEntry> menuRun,
                                                std::span<const UiString> strings) {
    std::vector<std::string_view> texts;
    for (const MenuEntry& e : menuRun)
        if (needsText(e)) texts.push_back(e.text);
    for (const UiString& s : strings)
        if (!s.text.empty()) texts.push_back(s.text);
    return texts;
}

FileStatus parseLanguageFile(std::span<const uint8_t> bytes, LanguageFile& out, size_t maxTexts) {
    if (bytes.size() < kLanguageMagic.size() ||
        std::memcmp(bytes.data(), kLanguageMagic.data(), kLanguageMagic.size()) != 0)
        return FileStatus::InvalidFormat;
    Reader in(bytes.subspan(kLanguageMagic.size()));
    LanguageFile file;
    if (in.text(file.name)) {
        std::string text;
        while (file.texts.size() < maxTexts && in.text(text)) file.texts.push_back(std::move(text));
    }
    out = std::move(file);
    return FileStatus::Ok;
}

FileStatus readLanguageFile(const fs::path& path, LanguageFile& out, size_t maxTexts) {
    std::vector<uint8_t> bytes;
    if (!readPrefix(path, usefulSize(maxTexts), bytes)) return FileStatus::CannotOpen;
    return parseLanguageFile(bytes, out, maxTexts);
}

FileStatus loadLanguageFile(const fs::path& folder, std::string_view fileName, LanguageFile& out,
                            size_t maxTexts) {
    // Settings written on another system may use either separator.
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find_first_of("/\\") != std::string_view::npos)
        return FileStatus::CannotOpen;
    return readLanguageFile(folder / fs::path(std::string(fileName)), out, maxTexts);
}

bool languageFileBytes(const LanguageFile& language, std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes(kLanguageMagic.begin(), kLanguageMagic.end());
    auto put = [&](std::string_view text) {
        std::u16string units = utf8ToUtf16(text);
        if (units.size() > kMaxUnits) return false;
        putUnits(bytes, units);
        return true;
    };
    if (!put(language.name)) return false;
    for (const std::string& t : language.texts)
        if (!put(t)) return false;
    out = std::move(bytes);
    return true;
}

std::vector<LanguageChoice> languageChoices(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() < 4 || !iequalsAscii(std::string_view(name).substr(name.size() - 4), ".str"))
            continue;
        if (iequalsAscii(name, kLanguageTemplateFile)) continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    std::vector<LanguageChoice> choices;
    for (std::string& name : names) {
        if (choices.size() >= kMaxLanguageChoices) break;
        LanguageFile file;
        if (readLanguageFile(folder / name, file, 0) != FileStatus::Ok) continue;
        choices.push_back({std::move(name), std::move(file.name)});
    }
    return choices;
}

MenuTranslation translateMenu(std::span<const MenuEntry> menuRun, const LanguageFile* language) {
    MenuTranslation t;
    if (!language) {
        t.script.assign(menuRun.begin(), menuRun.end());
        t.translate = [](const MenuEntry& e) { return std::string(e.text); };
        return t;
    }
    // Entries are told apart by number and built-in text: popups share their number, and
    // no two entries of the menu share both.
    auto texts = std::make_shared<std::map<std::pair<int, std::string>, std::string>>();
    size_t next = 0;
    int openPopups = 0;
    for (const MenuEntry& e : menuRun) {
        if (needsText(e)) {
            if (next >= language->texts.size()) break;
            texts->emplace(std::pair(e.number, std::string(e.text)), language->texts[next++]);
        }
        if (e.number == kMenuPopup) ++openPopups;
        if (e.number == kMenuPopupEnd && openPopups > 0) --openPopups;
        t.script.push_back(e);
    }
    for (; openPopups > 0; --openPopups) t.script.push_back({kMenuPopupEnd, ""});
    t.translate = [texts](const MenuEntry& e) {
        if (std::abs(e.number) == kLanguageCommand) return std::string(kChangeToEnglish);
        auto it = texts->find(std::pair(e.number, std::string(e.text)));
        return it != texts->end() ? it->second : std::string(e.text);
    };
    return t;
}

StringTable translateStrings(std::span<const MenuEntry> menuRun, const LanguageFile* language,
                             std::span<const UiString> strings) {
    StringTable table = StringTable::empty();
    size_t next = 0;
    if (language)
        next = static_cast<size_t>(std::count_if(menuRun.begin(), menuRun.end(), needsText));
    for (const UiString& s : strings) {
        if (s.text.empty()) continue;
        if (!language) {
            table.add(s.id, s.text);
        } else {
            if (next >= language->texts.size()) break;
            table.add(s.id, language->texts[next++]);
        }
        if (table.full()) break;
    }
    return table;
}

}  // namespace orv
