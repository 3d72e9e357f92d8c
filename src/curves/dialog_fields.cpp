#include "curves/dialog_fields.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orv {

namespace {

std::string_view trim(std::string_view t) {
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
    return t;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view labelCore(std::string_view t) {
    t = trim(t);
    if (!t.empty() && t.back() == ':') t = trim(t.substr(0, t.size() - 1));
    return t;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> parseInteger(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<bool> parseCheck(std::string_view text) {
    text = trim(text);
    for (std::string_view on : {"1", "on", "true", "yes"})
        if (equalNoCase(text, on)) return true;
    for (std::string_view off : {"0", "off", "false", "no"})
        if (equalNoCase(text, off)) return false;
    return std::nullopt;
}

std::string formatNumber(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

bool sameLabel(std::string_view a, std::string_view b) {
    return equalNoCase(labelCore(a), labelCore(b));
}

}  // namespace orv
