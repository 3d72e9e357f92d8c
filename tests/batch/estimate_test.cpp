#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/dispatch.h"
#include "batch/batch.h"
#include "batch/terminal_progress.h"
#include "model/design_file.h"
#include "model/document.h"
#include "model/objects.h"
#include "output/solids.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::box;

class Estimates : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_estimate_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        Document doc;
        doc.addObject(box({0, 0, 0}, {2, 2, 2}), true);
        doc.addObject(box({4, 0, 0}, {6, 2, 2}), true);
        cubes = dir / "cubes.ovd";
        ASSERT_EQ(saveDesign(doc, cubes), FileStatus::Ok);
        Document curves;
        auto c = std::make_unique<CurveObject>();
        c->setCvs({{0, 0, 0}, {5, 5, 5}, {9, 0, 3}});
        curves.addObject(std::move(c), true);
        onlyCurves = dir / "curves.ovd";
        ASSERT_EQ(saveDesign(curves, onlyCurves), FileStatus::Ok);
    }
    void TearDown() override { fs::remove_all(dir); }

    int batch(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int s = runBatch(args, BatchEnvironment{dir}, o, e);
        out = o.str();
        err = e.str();
        return s;
    }

    fs::path dir, cubes, onlyCurves;
    std::string out, err;
};

TEST_F(Estimates, PrintsVolumeWeightAndCentre) {
    ASSERT_EQ(batch({"estimate", cubes.string()}), 0) << err;
    EXPECT_EQ(out,
              "volume  16.000 mm3\n"
              "weight  0.309 g (specific gravity 19.3)\n"
              "centre  2.975 0.975 1.000\n");
    EXPECT_EQ(err, "");
}

TEST_F(Estimates, JsonWithAChosenGravity) {
    ASSERT_EQ(batch({"estimate", "--gravity", "10.5", cubes.string(), "--json"}), 0) << err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        out, m,
        std::regex(
            R"(\{"volume": ([-0-9.e]+), "weight": ([-0-9.e]+), "gravity": 10.5, "centre": \[([-0-9.e]+),([-0-9.e]+),([-0-9.e]+)\]\}\n)")))
        << out;
    EXPECT_NEAR(std::stod(m[1]), 16.0, 1e-4);
    EXPECT_NEAR(std::stod(m[2]), 16.0 * 10.5 * 0.001, 1e-6);
    EXPECT_NEAR(std::stod(m[3]), 2.975, 1e-4);
    EXPECT_NEAR(std::stod(m[4]), 0.975, 1e-4);
    EXPECT_NEAR(std::stod(m[5]), 1.0, 1e-4);
}

TEST_F(Estimates, RefusesWhatItCannotEstimate) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"estimate"}, 2, "usage: orivanta-batch estimate"},
        {{"estimate", cubes.string(), cubes.string()}, 2, "usage: orivanta-batch estimate"},
        {{"estimate", cubes.string(), "--gravity"}, 2, "--gravity needs"},
        {{"estimate", cubes.string(), "--gravity", "gold"}, 2, "--gravity needs"},
        {{"estimate", cubes.string(), "--gravity", "-3"}, 2, "--gravity needs"},
        {{"estimate", cubes.string(), "--fast"}, 2, "unknown option --fast"},
        {{"estimate", (dir / "missing.ovd").string()}, 1, "Cannot open file!"},
        {{"estimate", onlyCurves.string()}, 1, "no solid to estimate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(batch(c.args), c.status);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(out, "");
    }
}

// The three commands as a script runs them: results are shown as messages, the weight's
// gravity text is remembered for the next use, and text without a number weighs nothing.
TEST_F(Estimates, CommandsShowTheirResults) {
    const fs::path script = dir / "e.ovs";
    std::ofstream(script) << "command 9201\n"
                             "command 9200 \"Specific gravity\"=\"10.500  [Silver 10.5]\"\n"
                             "command Weight\n"
                             "command 9200 \"Specific gravity\"=Silver\n"
                             "command \"Center of Gravity\"\n";
    ASSERT_EQ(batch({"script", script.string(), "--open", cubes.string()}), 0) << err;
    const std::string w = script.string();
    const std::string head = w + ":1: Volume = 16 cubic mm\n" +  //
                             w + ":2: Weight = 0.168 grams\n" +  //
                             w + ":3: Weight = 0.168 grams\n" +  //
                             w + ":4: Weight = 0 grams\n" +      //
                             w + ":5: Center of Gravity\n\n";
    ASSERT_EQ(err.substr(0, head.size()), head);
    // The centre is (2.975, 0.975, 1): the last digit depends on the float's rounding.
    EXPECT_TRUE(std::regex_match(err.substr(head.size()),
                                 std::regex("    X =     2\\.9[78]\n    Y =     0\\.9[78]\n"
                                            "    Z =     1\\.00\n")))
        << err;
}

// Without a solid, volume and weight show nothing and the centre shows zeros.
TEST_F(Estimates, CommandsWithoutASolid) {
    const fs::path script = dir / "e.ovs";
    std::ofstream(script) << "command 9201\ncommand 9200\ncommand 9202\n";
    ASSERT_EQ(batch({"script", script.string(), "--open", onlyCurves.string()}), 0) << err;
    EXPECT_EQ(
        err, script.string() +
                 ":3: Center of Gravity\n\n    X =     0.00\n    Y =     0.00\n    Z =     0.00\n");
}

TEST(TerminalProgress, OneLinePerPercentOnATerminalOnly) {
    for (bool terminal : {true, false}) {
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        {
            TerminalProgress p(f, terminal);
            p.start("Estimating Volume...");
            for (int i = 0; i <= 400; ++i) EXPECT_TRUE(p.update(i / 400.0));
        }
        std::rewind(f);
        std::string text;
        for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
        std::fclose(f);
        if (!terminal) {
            EXPECT_EQ(text, "");
            continue;
        }
        EXPECT_EQ(text.rfind("\rEstimating Volume...   0%\rEstimating Volume...   1%", 0), 0u)
            << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 101);
        EXPECT_TRUE(text.ends_with("\rEstimating Volume... 100%\n")) << text;
    }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Headless stand-ins for the desktop: the dialog answers OK (or Cancel) as it is, messages are
// collected, and the progress window may cancel after some slices.
struct Desk final : DialogSource, MessageSink, FileChooser, FileStore {
    bool cancelDialog = false;
    std::string caption;
    std::vector<std::string> labels, shown;
    Gathered gather(DialogRequest& request, std::string&) override {
        caption = request.caption;
        for (const DialogControl& c : request.controls) labels.push_back(c.label + "=" + c.get());
        return cancelDialog ? Gathered::Cancelled : Gathered::Ok;
    }
    void message(std::string_view text) override { shown.emplace_back(text); }
    std::optional<fs::path> choose(FileRole, std::string_view) override { return std::nullopt; }
    FileStatus replace(const fs::path&, std::span<const uint8_t>, bool) override {
        return FileStatus::CannotWrite;
    }
};

struct WindowProgress final : Progress {
    int cancelAfter = -1, steps = 0;
    std::vector<std::string> tasks;
    double last = 0.0;
    void start(std::string_view task) override { tasks.emplace_back(task); }
    bool update(double f) override {
        last = f;
        return ++steps != cancelAfter;
    }
};

TEST(EstimateCommands, ProgressCancelAndDialog) {
    Document doc;
    doc.addObject(box({0, 0, 0}, {2, 2, 2}), true);
    Desk desk;
    DialogMemory memory;
    WindowProgress progress;
    CommandContext ctx{doc, ViewAxes{}, desk, desk, desk, desk, memory};
    ctx.progress = &progress;

    EXPECT_EQ(dispatchCommand(9201, ctx).status, CommandStatus::Done);
    EXPECT_EQ(desk.shown, std::vector<std::string>{"Volume = 8 cubic mm"});
    EXPECT_EQ(progress.tasks, std::vector<std::string>{"Estimating Volume..."});
    EXPECT_EQ(progress.steps, 40);  // one per slice
    EXPECT_DOUBLE_EQ(progress.last, 1.0);

    // The weight dialog opens with the first list entry; cancelling it estimates nothing.
    desk.cancelDialog = true;
    EXPECT_EQ(dispatchCommand(9200, ctx).status, CommandStatus::Cancelled);
    EXPECT_EQ(desk.caption, "Estimate Weight");
    EXPECT_EQ(desk.labels, std::vector<std::string>{"Specific gravity=19.300  [Gold(24K) 19.3]"});
    EXPECT_EQ(progress.tasks.size(), 1u);
    desk.cancelDialog = false;

    // Cancelling in the progress window: nothing is shown, for the centre either.
    for (int command : {9200, 9201, 9202}) {
        SCOPED_TRACE(command);
        desk.shown.clear();
        progress.steps = 0;
        progress.cancelAfter = 5;
        EXPECT_EQ(dispatchCommand(command, ctx).status, CommandStatus::Cancelled);
        EXPECT_TRUE(desk.shown.empty());
        EXPECT_EQ(progress.steps, 5);
    }
    EXPECT_EQ(progress.tasks.back(), "Estimating Center of Gravity...");
}

}  // namespace
}  // namespace orv
