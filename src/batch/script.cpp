#include "batch/script.h"

#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <ostream>

#include "app/dispatch.h"
#include "app/ui_strings.h"
#include "model/design_file.h"
#include "model/object_commands.h"
#include "model/objects.h"
#include "ops/boolean_ops.h"
#include "ops/curve_operation.h"
#include "ops/operation.h"

namespace orv {

namespace fs = std::filesystem;

bool splitScriptLine(const std::string& line, std::vector<ScriptWord>& words, std::string& error) {
    words.clear();
    ScriptWord w;
    bool inWord = false, quoted = false;
    std::string* part = &w.text;
    auto finish = [&] {
        if (!inWord) return;
        if (w.assignment) w.value = w.text.substr(w.label.size());
        words.push_back(w);
        w = ScriptWord{};
        inWord = false;
    };
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                *part += c;
            }
            continue;
        }
        if (c == '#') break;
        if (c == ' ' || c == '\t' || c == '\r') {
            finish();
            continue;
        }
        inWord = true;
        if (c == '"') {
            quoted = true;
        } else if (c == '=' && !w.assignment) {
            w.assignment = true;
            w.label = w.text;
        } else {
            *part += c;
        }
    }
    if (quoted) {
        error = "unterminated quote";
        return false;
    }
    finish();
    return true;
}

namespace {

// Dialog answers given on the current line, used when the command opens its dialog.
class ScriptDialogs final : public DialogSource {
public:
    std::vector<std::pair<std::string, std::string>> values;
    bool opened = false;

    Gathered gather(DialogRequest& request, std::string& error) override {
        opened = true;
        for (const auto& [label, value] : values) {
            const DialogControl* c = request.find(label);
            if (!c) {
                error = "the " + request.caption + " dialog has no \"" + label +
                        "\"; its labels are " + request.labels();
                return Gathered::Failed;
            }
            if (std::string e = c->set(value); !e.empty()) {
                error = label + ": " + e;
                return Gathered::Failed;
            }
        }
        return Gathered::Ok;
    }
};

class ScriptMessages final : public MessageSink {
public:
    explicit ScriptMessages(std::ostream& err) : err_(err) {}
    std::string where;
    void message(std::string_view text) override { err_ << where << ": " << text << "\n"; }

private:
    std::ostream& err_;
};

class ScriptChooser final : public FileChooser {
public:
    std::optional<fs::path> next;
    std::optional<fs::path> choose(FileRole, std::string_view) override {
        auto p = next;
        next.reset();
        return p;
    }
};

// Keeps every file the script writes until the script has succeeded.
class StagedFiles final : public FileStore {
public:
    FileStatus replace(const fs::path& path, std::span<const uint8_t> bytes,
                       bool keepBackup) override {
        // Refuse at once what could never be written, so the line that asks for it fails.
        std::error_code ec;
        fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
        if (!fs::is_directory(dir, ec) || fs::is_directory(path, ec)) return FileStatus::CannotWrite;
        staged_.push_back({path, {bytes.begin(), bytes.end()}, keepBackup});
        return FileStatus::Ok;
    }
    // Writes everything staged; the first failure stops and is reported.
    bool commit(std::ostream& err) {
        for (const auto& f : staged_) {
            FileStatus s = replaceFile(f.path, f.bytes, f.keepBackup);
            if (s != FileStatus::Ok) {
                err << f.path.string() << ": " << uiText(messageId(s)) << "\n";
                return false;
            }
        }
        return true;
    }

private:
    struct File {
        fs::path path;
        std::vector<uint8_t> bytes;
        bool keepBackup;
    };
    std::vector<File> staged_;
};

const std::map<std::string, int>& viewNames() {
    static const std::map<std::string, int> names = {
        {"3d", 0},   {"front", 1}, {"right", 2}, {"top", 3},
        {"back", 4}, {"left", 5},  {"bottom", 6},
    };
    return names;
}

const std::map<std::string, uint32_t>& pickNames() {
    static const std::map<std::string, uint32_t> names = {
        {"all", static_cast<uint32_t>(PickAllFilter::All)},
        {"curve", kClassCurve},
        {"surface", kClassSurface},
        {"boolean", kClassBoolean},
        {"block", kClassBlock},
        {"jewel", static_cast<uint32_t>(PickAllFilter::Jewels)},
        {"facet", kClassFacet},
        {"tline", kClassTLine},
    };
    return names;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Runner {
    Document& doc;
    fs::path base;  // relative paths in the script are relative to its folder
    Matrix4 view = directionRotation(1);
    int viewDirection = 1;
    DialogMemory memory;
    ScriptDialogs dialogs;
    ScriptMessages messages;
    ScriptChooser chooser;
    StagedFiles files;
    // Mouse lines go to the same operations a desktop view feeds, in windowless views.
    HeadlessPlatform platform;
    Interaction interaction{platform};
    std::map<std::string, std::unique_ptr<HeadlessView>> mouseViews;

    Runner(Document& d, fs::path b, std::ostream& err) : doc(d), base(std::move(b)), messages(err) {
        platform.lookup = [](int id) { return std::string(uiText(id)); };
    }

    // The view named by a mouse line ("front 800x600"), made on first use; without a name,
    // the direction of the last `view` line at 800 x 600.
    HeadlessView& mouseView(int direction, int width, int height) {
        std::string key = std::to_string(direction) + ":" + std::to_string(width) + "x" + std::to_string(height);
        auto& v = mouseViews[key];
        if (!v) {
            v = std::make_unique<HeadlessView>(&doc, direction, width, height);
            platform.views.push_back(v.get());
            zoomAll(v->camera(), doc.objects());
        }
        if (direction == 0) {
            v->camera().viewMatrix = view;
            v->camera().direction = 0;
        }
        if (interaction.currentView() != v.get()) {
            interaction.setCurrentView(v.get());
            if (!interaction.defaultOperation()) interaction.runCommand(opcmd::kPick);
        }
        return *v;
    }

    std::string mouse(const std::vector<ScriptWord>& w) {
        const std::string verb = lower(w[0].text);
        auto usage = [&] {
            return "usage: " + verb + " [shift+][ctrl+]left|right X Y [in VIEW WIDTHxHEIGHT]";
        };
        if (w.size() != 4 && w.size() != 7) return usage();
        PointerEvent e;
        e.kind = verb == "press" ? PointerEvent::Down
                 : verb == "release" ? PointerEvent::Up
                 : verb == "double" ? PointerEvent::DoubleClick
                                    : PointerEvent::Move;
        std::string button = lower(w[1].text);
        for (auto [prefix, flag] : {std::pair{"shift+", &e.shift}, std::pair{"ctrl+", &e.ctrl}})
            while (button.rfind(prefix, 0) == 0) {
                *flag = true;
                button = button.substr(std::string(prefix).size());
            }
        if (button != "left" && button != "right") return "unknown button \"" + w[1].text + "\" (left, right)";
        e.button = button == "right" ? 1 : 0;
        auto x = parseInteger(w[2].text), y = parseInteger(w[3].text);
        if (!x || !y) return "the pointer position must be whole pixels";
        e.x = *x;
        e.y = *y;
        int direction = viewDirection, width = 800, height = 600;
        if (w.size() == 7) {
            if (lower(w[4].text) != "in") return usage();
            auto it = viewNames().find(lower(w[5].text));
            if (it == viewNames().end()) return "unknown view \"" + w[5].text + "\"";
            direction = it->second;
            std::string size = lower(w[6].text);
            size_t cross = size.find('x');
            auto wd = cross == std::string::npos ? std::nullopt : parseInteger(size.substr(0, cross));
            auto ht = cross == std::string::npos ? std::nullopt : parseInteger(size.substr(cross + 1));
            if (!wd || !ht || *wd < 16 || *ht < 16 || *wd > 10000 || *ht > 10000)
                return "view size must be WIDTHxHEIGHT in pixels (16 to 10000)";
            width = *wd;
            height = *ht;
        }
        HeadlessView& v = mouseView(direction, width, height);
        interaction.pointer(v, e);
        for (int id : interaction.takePostedCommands())
            if (!interaction.runCommand(id))
                if (std::string err = command(id, {}); !err.empty()) return err;
        return {};
    }

    fs::path resolve(const std::string& p) const {
        fs::path path(p);
        return path.is_absolute() ? path : base / path;
    }

    // Runs one command with the line's dialog answers and, for file commands, a path.
    std::string command(int id, std::vector<std::pair<std::string, std::string>> values,
                        std::optional<fs::path> path = {}) {
        if (interaction.currentView() && interaction.runCommand(id)) return {};
        // Commands that go on with the mouse need a view to pick in.
        if ((id == kSubtractCommand || isCurveOperationCommand(id)) && !interaction.currentView())
            mouseView(viewDirection, 800, 600);
        // Every other command starts from a fresh pick operation, which ends a running one.
        if (interaction.currentView()) interaction.runCommand(opcmd::kPick);
        dialogs.values = std::move(values);
        dialogs.opened = false;
        chooser.next = std::move(path);
        CommandContext ctx{doc, dominantAxes(view), dialogs, messages, chooser, files, memory};
        ctx.interaction = &interaction;
        CommandOutcome r = dispatchCommand(id, ctx);
        if (r.status == CommandStatus::Cancelled) return "command " + std::to_string(id) + " was cancelled";
        if (r.status != CommandStatus::Done) return r.message;
        if (!dialogs.opened && !dialogs.values.empty())
            return "command " + std::to_string(id) + " has no dialog to take values";
        return {};
    }

    std::string resolveCommand(const ScriptWord& w, int& id) {
        const std::string& t = w.text;
        if (!t.empty() && t.find_first_not_of("0123456789") == std::string::npos) {
            id = std::stoi(t);
            return {};
        }
        std::vector<int> found = findCommandsByText(mainMenu(), t);
        if (found.size() == 1) {
            id = found[0];
            return {};
        }
        if (found.empty()) return "no command named \"" + t + "\"";
        std::string options;
        for (int c : found)
            options += (options.empty() ? "" : ", ") + menuPath(mainMenu(), c) + " (" + std::to_string(c) + ")";
        return "\"" + t + "\" is ambiguous: " + options;
    }

    std::string line(const std::vector<ScriptWord>& w) {
        const std::string verb = lower(w[0].text);
        auto args = [&](size_t lo, size_t hi) -> std::string {
            if (w.size() - 1 < lo || w.size() - 1 > hi)
                return "\"" + verb + "\" takes " +
                       (lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi)) +
                       " argument" + (hi == 1 ? "" : "s");
            return {};
        };
        if (verb == "view") {
            if (auto e = args(1, 1); !e.empty()) return e;
            auto it = viewNames().find(lower(w[1].text));
            if (it == viewNames().end())
                return "unknown view \"" + w[1].text + "\" (front, right, top, back, left, bottom, 3d)";
            view = directionRotation(it->second);
            viewDirection = it->second;
            return {};
        }
        if (verb == "rotate") {
            if (auto e = args(2, 2); !e.empty()) return e;
            std::string axis = lower(w[1].text);
            int a = axis == "x" ? 0 : axis == "y" ? 1 : axis == "z" ? 2 : -1;
            auto degrees = parseNumber(w[2].text);
            if (a < 0) return "unknown screen axis \"" + w[1].text + "\" (x, y, z)";
            if (!degrees) return "\"" + w[2].text + "\" is not a number";
            view = rotateScreen(view, a, static_cast<float>(*degrees * std::numbers::pi / 180.0));
            viewDirection = 0;
            return {};
        }
        if (verb == "command") {
            if (w.size() < 2) return "\"command\" needs a command number or menu text";
            int id = 0;
            if (auto e = resolveCommand(w[1], id); !e.empty()) return e;
            std::vector<std::pair<std::string, std::string>> values;
            for (size_t i = 2; i < w.size(); ++i) {
                if (!w[i].assignment) return "expected Label=value, found \"" + w[i].text + "\"";
                values.emplace_back(w[i].label, w[i].value);
            }
            return command(id, std::move(values));
        }
        if (verb == "pick") {
            if (auto e = args(1, 1); !e.empty()) return e;
            std::string what = lower(w[1].text);
            doc.beginStep();
            if (what == "none") {
                pickNone(doc);
                return {};
            }
            auto it = pickNames().find(what);
            if (it == pickNames().end())
                return "unknown pick \"" + w[1].text + "\" (all, curve, surface, boolean, block, jewel, facet, tline, none)";
            pickAll(doc, it->second);
            return {};
        }
        if (verb == "undo" || verb == "redo") {
            if (auto e = args(0, 0); !e.empty()) return e;
            return command(verb == "undo" ? 57643 : 57644, {});
        }
        static const std::map<std::string, int> fileVerbs = {
            {"open", 57601}, {"insert", 1000}, {"save", 57604}, {"export", 1004}};
        if (auto it = fileVerbs.find(verb); it != fileVerbs.end()) {
            if (auto e = args(1, verb == "export" ? 2 : 1); !e.empty()) return e;
            fs::path path = resolve(w[1].text);
            if (verb == "export" && w.size() == 3) {
                std::string kind = lower(w[2].text);
                if (kind != "ascii" && kind != "binary") return "export format is ascii or binary";
                if (kind == "ascii") {
                    FileStatus s = exportDocument(doc, path, ExportFormat::StlAscii, files);
                    return s == FileStatus::Ok ? std::string{} : std::string(uiText(messageId(s)));
                }
            }
            return command(it->second, {}, path);
        }
        if (verb == "press" || verb == "move" || verb == "release" || verb == "double") return mouse(w);
        return "unknown action \"" + w[0].text + "\"";
    }
};

}  // namespace

int runScript(const fs::path& script, const ScriptOptions& options, Document& doc, std::ostream& out,
              std::ostream& err) {
    std::ifstream in(script);
    if (!in) {
        err << script.string() << ": " << uiText(msg::kCannotOpen) << "\n";
        return 1;
    }
    Runner run(doc, script.parent_path(), err);
    if (!options.open.empty()) {
        FileStatus s = openDesign(doc, options.open);
        if (s != FileStatus::Ok) {
            err << options.open.string() << ": " << uiText(messageId(s)) << "\n";
            return 1;
        }
    }
    std::string text;
    int number = 0;
    std::vector<ScriptWord> words;
    while (std::getline(in, text)) {
        ++number;
        std::string where = script.string() + ":" + std::to_string(number);
        std::string error;
        if (!splitScriptLine(text, words, error)) {
            err << where << ": " << error << "\n";
            return 1;
        }
        if (words.empty()) continue;
        run.messages.where = where;
        error = run.line(words);
        for (const auto& m : run.platform.messages) run.messages.message(m);
        run.platform.messages.clear();
        if (!error.empty()) {
            err << where << ": " << error << "\n";
            return 1;
        }
    }
    // A curve still being drawn belongs to the design the script leaves behind.
    run.interaction.endCommand();
    if (!options.save.empty()) {
        run.files.replace(options.save, designBytes(doc.objects()), true);
    }
    if (!run.files.commit(err)) return 1;
    (void)out;
    return 0;
}

}  // namespace orv
