#include "app/command_table.h"

#include <algorithm>
#include <cctype>

namespace orv {

namespace {

constexpr int P = kMenuPopup;
constexpr int E = kMenuPopupEnd;
constexpr int S = kMenuSeparator;

}  // namespace

const std::vector<MenuEntry>& menuScript() {
    static const std::vector<MenuEntry> script = {
        {P, "&File"}, {57600, "&New"}, {57601, "&Open"}, {1000, "&Insert"}, {57603, "&Save"},
        {57604, "Save &As"}, {1001, "Save &Views"}, {S, ""}, {1002, "Data&base"},
        {1003, "I&mport"}, {1004, "&Export"}, {S, ""}, {P, "&Configuration"}, {1100, "&Colors"},
        {1101, "&Directories"}, {1102, "&Hotkeys"}, {E, ""}, {1103, "&Language"}, {S, ""},
        {57616, ""}, {S, ""}, {57665, "E&xit"}, {E, ""},

        {P, "&Edit"}, {57643, "&Undo"}, {57644, "&Redo"}, {S, ""}, {2000, "&Delete"},
        {2001, "Und&elete"}, {S, ""}, {2002, "&Hide"}, {2003, "Unh&ide"}, {2004, "&SwapHide"},
        {S, ""}, {2100, "Hide &CV"}, {2101, "Show C&V"}, {S, ""}, {2200, "Hide &Jewel"},
        {2201, "Show Je&wel"}, {2202, "&Be Jewel"}, {2203, "Not Jewe&l"}, {S, ""},
        {2300, "S&uper Subtractor"}, {2301, "Not Su&per Subtractor"}, {S, ""},
        {2400, "De&formable"}, {2401, "&Non-deformable"}, {S, ""}, {2500, "&Object Layers"},
        {S, ""}, {2600, "&Material"}, {2601, "Create / Edit Ma&terial"}, {E, ""},

        {P, "&View"}, {3000, "&Background"}, {3001, "&Grid Settings"}, {3002, "Fine Sna&p"},
        {S, ""}, {3101, "Normal &wire frame"}, {3100, "&Quick wire frame"},
        {3102, "M&esh wire frame"}, {3103, "F&ast Shading"}, {3104, "&Shading in color"},
        {3105, "Ren&dering"}, {S, ""}, {3201, "&Front view ( X/Z )"},
        {3202, "&Right view ( Y/Z )"}, {3203, "&Top View ( X/Y )"}, {3204, "Bac&k view ( X/Z )"},
        {3205, "&Left view ( Y/Z )"}, {3206, "Botto&m View ( X/Y )"}, {3200, "&3D view"},
        {3310, "Front and Right views"}, {3311, "Front and Top views"},
        {3300, "Four views : Front/Right/Top/3D"}, {3301, "Four views : Back/Left/Bottom/3D"},
        {S, ""}, {57648, "&New view"}, {S, ""},
        {P, "Pan View"}, {3400, "Up"}, {3401, "Down"}, {3402, "Left"}, {3403, "Right"}, {E, ""},
        {P, "Zoom View"}, {3410, "In"}, {3411, "Out"}, {3412, "Box"}, {3413, "All"}, {S, ""},
        {3414, "Zoom 1 : 1"}, {3415, "Calibrate"}, {E, ""},
        {P, "Flip View"}, {3420, "Up"}, {3421, "Down"}, {3422, "Left"}, {3423, "Right"}, {E, ""},
        {P, "Roll View"}, {3430, "Left"}, {3431, "Right"}, {E, ""}, {3440, "Reset v&iew"},
        {S, ""}, {P, "Tool Bars"}, {3501, "File"}, {3502, "View"}, {3503, "General"},
        {3504, "Copy"}, {3505, "Transform"}, {3506, "Deform"}, {3507, "Curve"},
        {3508, "Surface"}, {3509, "Boolean"}, {S, ""}, {3500, "Reset Tool Bars"}, {E, ""},
        {E, ""},

        {P, "&Pick"}, {3600, "&Pick"}, {3601, "Pick C&V"}, {3602, "Pick &T-Line"}, {S, ""},
        {3610, "&All"}, {3611, "&Curve"}, {3612, "&Surface"}, {3613, "&Boolean"},
        {3614, "Bloc&k"}, {3615, "&Jewel"}, {3617, "&Facet Object"}, {3616, "T&-Line"}, {E, ""},

        {P, "&Copy"}, {4000, "Cut&&&Paste"}, {P, "&Flip 90"}, {4100, "&Up"}, {4103, "&Down"},
        {4102, "&Left"}, {4101, "&Right"}, {E, ""}, {4011, "Copy to H&ide"}, {S, ""},
        {4001, "&Vertical Mirror"}, {4002, "&Horizontal Mirror"}, {4003, "Revolve &180"},
        {4004, "&Cycle"}, {4005, "&Extend"}, {4006, "&Revolve"}, {4010, "&Transform"}, {E, ""},

        {P, "&Deform"}, {5000, "&Move"}, {5001, "&Size"}, {5002, "&Flip"}, {5003, "&Roll"},
        {5010, "&Object Axis"}, {S, ""}, {5105, "&Transform"}, {P, "Flip &90"}, {5101, "&Up"},
        {5102, "&Down"}, {5103, "&Left"}, {5104, "&Right"}, {E, ""}, {S, ""}, {6000, "Bend"},
        {6001, "Bend (Two sides)"}, {6002, "Taper"}, {6003, "Taper (Two sides)"},
        {6004, "Scaled Taper"}, {6005, "Scaled Taper (Two sides)"}, {6006, "Skew"},
        {6007, "Skew (Two sides)"}, {6008, "Twist"}, {6009, "Sk-twist"}, {6010, "Whirl"},
        {S, ""}, {6100, "&UV-Map"}, {6101, "&ProjMap"}, {E, ""},

        {P, "C&urve"}, {7000, "&Simple"}, {7001, "&Vertical Mirror"},
        {7002, "&Horizontal Mirror"}, {7003, "Revolve &180"}, {7004, "&Cycle"},
        {7005, "&Extend"}, {7006, "&Revolve"}, {7010, "&Transform"}, {S, ""},
        {7011, "S&ketch"}, {S, ""}, {7020, "&Line"}, {7021, "C&ircle"}, {7022, "&Polygon"},
        {7023, "Heli&x"}, {S, ""}, {P, "&Adjust"}, {7030, "&Simple"},
        {7031, "&Vertical Mirror"}, {7032, "&Horizontal Mirror"}, {7033, "Revolve &180"},
        {7034, "&Cycle"}, {7035, "&Extend"}, {7036, "&Revolve"}, {7040, "&Transform"}, {E, ""},
        {S, ""}, {7100, "Close"}, {7101, "Open"}, {7102, "Reverse"}, {7103, "Divide"},
        {7104, "Join Curves"}, {7105, "Split Curve"}, {7106, "Offset Curve"},
        {7107, "In Between Curve"}, {7108, "Curve Length"}, {E, ""},

        {P, "&Surface"}, {8000, "&Extend"}, {8001, "&Vertical Revolve"},
        {8002, "&Horizontal Revolve"}, {8003, "&Transform"}, {8004, "&Loft"}, {8005, "&Pipe"},
        {8006, "R&ail"}, {S, ""}, {8010, "C&ylinder"}, {8011, "C&one"}, {8012, "&Sphere"},
        {S, ""}, {8100, "Close"}, {8101, "Open"}, {8102, "Reverse"}, {8120, "Divide"},
        {8121, "Step"}, {8122, "Swap U/V"}, {8123, "Flip Normal"}, {8124, "Offset Surface"},
        {S, ""}, {P, "&V-Curves"}, {8110, "Close"}, {8111, "Open"}, {8112, "Reverse"}, {E, ""},
        {E, ""},

        {P, "&Misc"}, {P, "&Boolean"}, {9000, "&Union"}, {9001, "&Intersect"},
        {9002, "&Subtract"}, {S, ""}, {9003, "&Dis-Boolean"}, {S, ""},
        {9004, "Show Subtractors"}, {9005, "Hide Subtractors"}, {E, ""}, {9010, "Bloc&k"},
        {9030, "&Jewel"}, {P, "&Facet Object"}, {9020, "&Flat-Shaded"},
        {9021, "&Smooth-Shaded"}, {9022, "Flip &Normal"}, {9023, "&Extend to Solid"}, {E, ""},
        {S, ""}, {9040, "&Text"}, {9041, "T&-Line"}, {S, ""}, {9100, "&Render to file"},
        {9110, "&Cut into Slices"}, {9111, "Show s&lices"}, {9120, "&NC program"},
        {9121, "Show NC &program"}, {S, ""}, {P, "&Estimate"}, {9200, "&Weight"},
        {9201, "&Volume"}, {9202, "&Center of Gravity"}, {E, ""}, {9300, "&Measure distance"},
        {9031, "C&ount Round Jewel"}, {E, ""},

        {P, "&Help"}, {57667, "&Contents"}, {57669, "Context &Sensitive Help"},
        {57664, "&About Orivanta..."}, {1200, "Orivanta &Home Page"}, {E, ""},
    };
    return script;
}

MenuNode buildMenu(const std::vector<MenuEntry>& script,
                   const std::function<std::string(const MenuEntry&)>& translate) {
    MenuNode bar;
    std::vector<MenuNode*> stack{&bar};
    auto text = [&](const MenuEntry& e) { return translate ? translate(e) : std::string(e.text); };
    for (const MenuEntry& e : script) {
        MenuNode& current = *stack.back();
        auto& items = current.children;
        if (e.number == kMenuSeparator) {
            if (!items.empty() && items.back().kind != MenuNode::Kind::Separator)
                items.push_back({MenuNode::Kind::Separator, {}, 0, {}});
        } else if (e.number == kMenuPopupEnd) {
            if (stack.size() == 1) continue;  // an unbalanced end closes nothing
            stack.pop_back();
            MenuNode& parent = *stack.back();
            if (items.empty()) {
                parent.children.pop_back();
            } else if (items.back().kind == MenuNode::Kind::Separator) {
                items.pop_back();
            }
        } else if (e.number == kMenuPopup) {
            items.push_back({MenuNode::Kind::Popup, text(e), 0, {}});
            stack.push_back(&items.back());
        } else {
            items.push_back({MenuNode::Kind::Item, text(e), std::abs(e.number), {}});
        }
    }
    return bar;
}

void addAfterBuildItems(MenuNode& bar, const std::function<std::string(int)>& text,
                        const std::vector<int>& externalPrograms) {
    using K = MenuNode::Kind;
    auto item = [&](int n) { return MenuNode{K::Item, text(n), n, {}}; };
    // Top-level positions: File 0 ... Curve 6, Misc 8.
    auto& top = bar.children;
    if (top.size() > 6 && top[6].kind == K::Popup) top[6].children.push_back(item(7200));
    if (top.size() > 8 && top[8].kind == K::Popup) {
        auto& misc = top[8].children;
        misc.push_back(item(9301));
        MenuNode stl{K::Popup, text(99901), 0, {item(9131), item(9132)}};
        misc.insert(misc.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(13, misc.size())), stl);
    }
    if (!externalPrograms.empty() && !top.empty() && top[0].kind == K::Popup) {
        MenuNode popup{K::Popup, text(99902), 0, {}};
        for (int n : externalPrograms) popup.children.push_back(item(n));
        auto& file = top[0].children;
        file.insert(file.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(11, file.size())), popup);
    }
}

std::string stripMnemonic(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

namespace {

// Menu texts lose their mnemonics; a query keeps its '&'s unless `strip`, so that
// "Cut&Paste" finds "Cut&&&Paste" and "C&ircle" finds "C&ircle".
std::string folded(std::string_view s, bool strip = true) {
    std::string out = strip ? stripMnemonic(s) : std::string(s);
    // Surrounding spaces and case never distinguish two commands.
    while (!out.empty() && out.back() == ' ') out.pop_back();
    size_t start = out.find_first_not_of(' ');
    out = start == std::string::npos ? std::string{} : out.substr(start);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> splitPath(std::string_view text, bool strip) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t slash = text.find('/', start);
        // A '/' inside a menu text ("Swap U/V", "Front view ( X/Z )") is part of the text when
        // no popup matches; the caller tries the whole text first.
        parts.push_back(folded(text.substr(start, slash - start), strip));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return parts;
}

void collect(const MenuNode& node, std::vector<const MenuNode*>& path,
             const std::vector<std::string>& want, std::vector<int>& found) {
    for (const MenuNode& child : node.children) {
        if (child.kind == MenuNode::Kind::Popup) {
            path.push_back(&child);
            collect(child, path, want, found);
            path.pop_back();
        } else if (child.kind == MenuNode::Kind::Item && folded(child.text) == want.back()) {
            // The popups named before the item must appear on its path, in order.
            size_t k = want.size() - 1;
            for (auto it = path.rbegin(); it != path.rend() && k > 0; ++it)
                if (folded((*it)->text) == want[k - 1]) --k;
            if (k == 0 && std::find(found.begin(), found.end(), child.command) == found.end())
                found.push_back(child.command);
        }
    }
}

bool findPath(const MenuNode& node, int command, std::string& out) {
    for (const MenuNode& child : node.children) {
        if (child.kind == MenuNode::Kind::Item && child.command == command) {
            out = stripMnemonic(child.text);
            return true;
        }
        if (child.kind == MenuNode::Kind::Popup && findPath(child, command, out)) {
            out = stripMnemonic(child.text) + "/" + out;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<int> findCommandsByText(const MenuNode& menu, std::string_view text) {
    std::vector<const MenuNode*> path;
    std::vector<int> found;
    for (bool strip : {false, true}) {
        collect(menu, path, {folded(text, strip)}, found);
        if (found.empty() && text.find('/') != std::string_view::npos)
            collect(menu, path, splitPath(text, strip), found);
        if (!found.empty()) break;
    }
    return found;
}

std::string menuPath(const MenuNode& menu, int command) {
    std::string out;
    return findPath(menu, command, out) ? out : std::string{};
}

}  // namespace orv
