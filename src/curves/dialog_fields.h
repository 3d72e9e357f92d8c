#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

// One labelled control of a command's dialog. Argument structs list their controls so that the
// dialog, scripts and tests set a command's arguments by the very label the user reads, e.g.
// `"No. of CV's"=8 Diameter=18`.
template <class Args>
struct DialogField {
    // Exactly as the dialog shows it, trailing colon and spaces included.
    std::string label;
    // What the control shows the first time the dialog opens in a run.
    std::string defaultValue;
    // Reads `text` into the arguments the way the dialog would; returns an error message, empty
    // when the text was accepted. A rejected text leaves the arguments unchanged.
    std::function<std::string(Args&, std::string_view text)> set;
    // The text the control shows for `args`.
    std::function<std::string(const Args&)> get;
    // Labels the same control shows in another mode of the dialog; they find it only where no
    // control carries that label as its own.
    std::vector<std::string> otherLabels = {};
    // The entries of a drop-down list; the text may still be typed where the control allows.
    std::vector<std::string> choices = {};
};

// Locale-independent readers of control texts; surrounding spaces are ignored. Numbers must be
// finite; an integer must be written without a fraction ("8", not "8.5" or "8.0").
std::optional<double> parseNumber(std::string_view text);
std::optional<int> parseInteger(std::string_view text);
// "1", "0", "on", "off", "true", "false", "yes", "no", any letter case.
std::optional<bool> parseCheck(std::string_view text);
// "%g", as the dialogs show numbers.
std::string formatNumber(double value);
// Labels match when equal after dropping surrounding spaces and one trailing ':', ignoring
// letter case: "No. of CV's" finds "No. of CV's:".
bool sameLabel(std::string_view a, std::string_view b);

// ---- Field factories over data members ----

template <class Args>
DialogField<Args> numberField(std::string label, double Args::*member) {
    return {std::move(label),
            {},
            [member](Args& a, std::string_view t) -> std::string {
                auto v = parseNumber(t);
                if (!v) return "\"" + std::string(t) + "\" is not a number";
                a.*member = *v;
                return {};
            },
            [member](const Args& a) { return formatNumber(a.*member); }};
}

template <class Args>
DialogField<Args> integerField(std::string label, int Args::*member) {
    return {std::move(label),
            {},
            [member](Args& a, std::string_view t) -> std::string {
                auto v = parseInteger(t);
                if (!v) return "\"" + std::string(t) + "\" is not a whole number";
                a.*member = *v;
                return {};
            },
            [member](const Args& a) { return std::to_string(a.*member); }};
}

template <class Args>
DialogField<Args> checkField(std::string label, bool Args::*member) {
    return {std::move(label),
            {},
            [member](Args& a, std::string_view t) -> std::string {
                auto v = parseCheck(t);
                if (!v) return "\"" + std::string(t) + "\" is neither on nor off";
                a.*member = *v;
                return {};
            },
            [member](const Args& a) { return std::string(a.*member ? "1" : "0"); }};
}

// A group of radio buttons or a drop list: the value is the text of the chosen option.
template <class Args, class E>
DialogField<Args> choiceField(std::string label, E Args::*member,
                              std::vector<std::pair<std::string, E>> options) {
    return {std::move(label),
            {},
            [member, options](Args& a, std::string_view t) -> std::string {
                for (const auto& [text, value] : options)
                    if (sameLabel(text, t)) {
                        a.*member = value;
                        return {};
                    }
                std::string known;
                for (const auto& o : options) known += (known.empty() ? "" : ", ") + o.first;
                return "\"" + std::string(t) + "\" is not one of " + known;
            },
            [member, options](const Args& a) {
                for (const auto& [text, value] : options)
                    if (a.*member == value) return text;
                return std::string{};
            }};
}

// One radio button of a pair, set like a check box: on chooses it, off chooses its partner.
template <class Args, class E>
DialogField<Args> radioField(std::string label, E Args::*member, E mine, E partner) {
    return {std::move(label),
            {},
            [member, mine, partner](Args& a, std::string_view t) -> std::string {
                auto v = parseCheck(t);
                if (!v) return "\"" + std::string(t) + "\" is neither on nor off";
                a.*member = *v ? mine : partner;
                return {};
            },
            [member, mine](const Args& a) { return std::string(a.*member == mine ? "1" : "0"); }};
}

// Fills every field's default text from `defaults`.
template <class Args>
std::vector<DialogField<Args>> withDefaults(std::vector<DialogField<Args>> fields,
                                            const Args& defaults = Args{}) {
    for (auto& f : fields) f.defaultValue = f.get(defaults);
    return fields;
}

// The fields of a base argument struct for a command whose struct derives from it with other
// initial values (the same dialog opened by several commands).
template <class Derived, class Base>
std::vector<DialogField<Derived>> fieldsAs(const std::vector<DialogField<Base>>& base) {
    std::vector<DialogField<Derived>> out;
    for (const auto& f : base) {
        auto set = f.set;
        auto get = f.get;
        out.push_back({f.label,
                       {},
                       [set](Derived& a, std::string_view t) { return set(a, t); },
                       [get](const Derived& a) { return get(a); },
                       f.otherLabels});
    }
    return withDefaults(std::move(out), Derived{});
}

// The field with that label: exact own labels first, then exact other labels, then the same
// two by sameLabel. nullptr if none.
template <class Args>
const DialogField<Args>* findField(const std::vector<DialogField<Args>>& fields,
                                   std::string_view label) {
    for (bool loose : {false, true}) {
        auto match = [&](const std::string& l) { return loose ? sameLabel(l, label) : l == label; };
        for (const auto& f : fields)
            if (match(f.label)) return &f;
        for (const auto& f : fields)
            for (const auto& other : f.otherLabels)
                if (match(other)) return &f;
    }
    return nullptr;
}

// Sets one control of Args::fields() by label; returns an error message, empty on success.
template <class Args>
std::string setField(Args& args, std::string_view label, std::string_view value) {
    const DialogField<Args>* f = findField(Args::fields(), label);
    if (!f) return "no field \"" + std::string(label) + "\"";
    return f->set(args, value);
}

}  // namespace orv
