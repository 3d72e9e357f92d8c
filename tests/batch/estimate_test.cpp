#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "batch/batch.h"
#include "batch/terminal_progress.h"
#include "model/design_file.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<FacetObject> cube(Point3 lo, Point3 hi) {
    auto f = std::make_unique<FacetObject>();
    std::vector<Point3> p;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                p.push_back({i ? hi.x : lo.x, j ? hi.y : lo.y, k ? hi.z : lo.z});
    f->setCvs(std::move(p));
    f->faceSizes = {4, 4, 4, 4, 4, 4};
    f->faceIndices = {0, 2, 3, 1, 4, 5, 7, 6, 0, 1, 5, 4, 2, 6, 7, 3, 0, 4, 6, 2, 1, 3, 7, 5};
    return f;
}

class Estimates : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_estimate_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        Document doc;
        doc.addObject(cube({0, 0, 0}, {2, 2, 2}), true);
        doc.addObject(cube({4, 0, 0}, {6, 2, 2}), true);
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
