#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/batch.h"
#include "batch/script.h"
#include "model/design_file.h"
#include "model/objects.h"
#include "view/view_camera.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class Script : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_script_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Writes `text` as a script and runs it; returns the exit status, stderr in `err`.
    int run(const std::string& text, std::vector<std::string> extra = {}) {
        fs::path file = dir / "s.ovs";
        std::ofstream(file) << text;
        std::vector<std::string> args{"script", file.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream out, e;
        int s = runBatch(args, BatchEnvironment{dir}, out, e);
        err = e.str();
        return s;
    }
    ReadResult load(const fs::path& p) {
        std::vector<uint8_t> b;
        EXPECT_TRUE(readFileBytes(p, b)) << p;
        return readRecords(b);
    }

    fs::path dir;
    std::string err;
};

TEST(ScriptWords, SplitsQuotesAssignmentsAndComments) {
    std::vector<ScriptWord> w;
    std::string e;
    ASSERT_TRUE(splitScriptLine(R"(command "Curve/Circle" "No. of CV's"=8 Diameter=18 # note)", w, e));
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1].text, "Curve/Circle");
    EXPECT_TRUE(w[2].assignment);
    EXPECT_EQ(w[2].label, "No. of CV's");
    EXPECT_EQ(w[2].value, "8");
    EXPECT_EQ(w[3].label, "Diameter");
    ASSERT_TRUE(splitScriptLine(R"(command 5105 "Move In / Out"="2.5" "x # y"=1)", w, e));
    EXPECT_EQ(w[2].value, "2.5");
    EXPECT_EQ(w[3].label, "x # y");
    EXPECT_FALSE(splitScriptLine(R"(command "Circle)", w, e));
}

TEST_F(Script, CommandsByNumberAndMenuTextAnswerTheirDialogs) {
    fs::path out = dir / "out.ovd";
    ASSERT_EQ(run("view top\n"
                  "command 7021 \"No. of CV's\"=5 Radius=3\n"
                  "command \"Polygon\" \"No. of Sides:\"=3\n"
                  "pick none\n"
                  "pick curve\n"
                  "command \"Edit/Hide\"\n"
                  "undo\n"
                  "save out.ovd\n"),
              0)
        << err;
    ReadResult d = load(out);
    ASSERT_EQ(d.objects.size(), 2u);
    auto& circle = static_cast<CurveObject&>(d.objects[0]);
    EXPECT_EQ(circle.cvCount(), 5);
    EXPECT_EQ(circle.closed, 1u);
    EXPECT_EQ(d.objects[0].state, 1);  // the hide was undone, the pick kept
    // Drawn in the top view, the circle lies in the XY plane.
    for (const auto& p : circle.cvs) EXPECT_FLOAT_EQ(p.z, 0.0f);
}

TEST_F(Script, BadLinesStopWithTheirLineNumberAndWriteNothing) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"command 9999", "no command 9999"},
        {"command \"Frobnicate\"", "no command named"},
        {"command \"Extend\"", "ambiguous"},
        {"command 7021 Colour=red", "has no \"Colour\""},
        {"command 7021 \"No. of CV's\"=many", "not a whole number"},
        {"command 7021 Diameter=-4", "diameter must be greater than 0"},
        {"command 2002 Size=3", "no dialog"},
        {"command 9100", "not available yet"},
        {"command 9110", "Nothing to slice"},
        {"view sideways", "unknown view"},
        {"open missing.ovd", "Cannot open file!"},
        {"press middle 10 10", "unknown button"},
        {"press left 10 10 in front 5x5", "view size"},
        {"jump", "unknown action"},
        {"save no/such/dir/x.ovd", "Cannot write to file!"},
    };
    for (const auto& c : cases) {
        std::string script = std::string("command 7020\nsave first.ovd\n") + c.line + "\n";
        EXPECT_EQ(run(script, {"--save", (dir / "final.ovd").string()}), 1) << c.line;
        EXPECT_NE(err.find("s.ovs:3: "), std::string::npos) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.line << " -> " << err;
        EXPECT_FALSE(fs::exists(dir / "first.ovd")) << c.line;
        EXPECT_FALSE(fs::exists(dir / "final.ovd")) << c.line;
    }
}

// A rectangle dragged in a named view picks what a user's drag would, as one undo step.
TEST_F(Script, MouseLinesPickByRectangle) {
    const std::string design =
        "view front\n"
        "command 7021 \"No. of CV's\"=8 Diameter=2\n"
        "pick none\n"
        "command 7021 \"No. of CV's\"=8 Diameter=2\n"
        "command 5105 Move=1 \"Move Horizontal\"=20 \"Move Vertical\"=0 \"Move In / Out\"=0\n"
        "pick none\n";
    const std::string drag =
        "press left 5 5 in front 800x600\n"
        "move left 200 300 in front 800x600\n"
        "move left 395 595 in front 800x600\n"
        "release left 395 595 in front 800x600\n";
    ASSERT_EQ(run(design + drag + "save picked.ovd\n"), 0) << err;
    ReadResult picked = load(dir / "picked.ovd");
    ASSERT_EQ(picked.count, 2);
    EXPECT_EQ(picked.objects[0].state, 1);  // the circle at the origin, left of the middle
    EXPECT_EQ(picked.objects[1].state, 0);  // the one moved 20 mm to the right

    ASSERT_EQ(run(design + drag + "undo\nsave undone.ovd\n"), 0) << err;
    ReadResult undone = load(dir / "undone.ovd");
    EXPECT_EQ(undone.objects[0].state, 0);
    EXPECT_EQ(undone.objects[1].state, 0);

    // A double click deselects everything again.
    ASSERT_EQ(run(design + drag + "double left 400 300 in front 800x600\nsave none.ovd\n"), 0) << err;
    EXPECT_EQ(load(dir / "none.ovd").objects[0].state, 0);
}

// Subtract goes on with the mouse: the click picks the base, the picked objects become
// the subtractors.
TEST_F(Script, SubtractPicksItsBaseWithTheMouse) {
    const std::string setup =
        "pick none\n"
        "view top\n"
        "command 7021 \"No. of CV's\"=8 Diameter=4\n"
        "command \"Surface/Extend\" \"Extend Number\"=2 \"--\"=0 \"|\"=0 \"+\"=10\n"
        "command 5105 Move=1 \"Move Horizontal\"=10 \"Move Vertical\"=0 \"Move In / Out\"=-5\n"
        "pick surface\n";
    fs::path ring = fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd";
    ASSERT_EQ(run(setup + "save before.ovd\n", {"--open", ring.string()}), 0) << err;

    // Where the band's far left edge shows in the front view the click will be made in.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(dir / "before.ovd", bytes));
    ReadResult before = readRecords(bytes);
    ViewCamera camera;
    camera.resetView(1);
    camera.direction = 1;
    camera.setSize(800, 600);
    zoomAll(camera, before.objects);
    camera.applyCamera();
    Point3 edge = camera.project({-10.65f, 0, 0});
    std::string click = std::to_string(int(edge.x + 0.5f)) + " " + std::to_string(int(edge.y + 0.5f));

    ASSERT_EQ(run(setup + "view front\ncommand \"Misc/Boolean/Subtract\"\n"
                          "press left " + click + "\nrelease left " + click + "\nsave after.ovd\n",
                  {"--open", ring.string()}),
              0)
        << err;
    ReadResult after = load(dir / "after.ovd");
    const BooleanObject* boolean = nullptr;
    after.objects.forEach([&](const ModelObject& o) {
        if (o.classNumber() == kClassBoolean) boolean = static_cast<const BooleanObject*>(&o);
    });
    ASSERT_NE(boolean, nullptr);
    EXPECT_EQ(boolean->operation, uint32_t(kSubtract));
    ASSERT_EQ(boolean->children.size(), 2u);
    // The band is the base: its CVs lie 8.65 mm and more from the axis.
    const auto& base = static_cast<const SurfaceObject&>(boolean->children[0]);
    EXPECT_EQ(base.rows, 12u);
}

TEST_F(Script, OpenInsertExportAndMissingScript) {
    ASSERT_EQ(run("view front\ncommand 7021\nsave a.ovd\n"), 0) << err;
    ASSERT_EQ(run("insert a.ovd\ninsert a.ovd\nexport b.stl ascii\nexport c.stl\n",
                  {"--open", (dir / "a.ovd").string(), "--save", (dir / "b.ovd").string()}),
              0)
        << err;
    EXPECT_EQ(load(dir / "b.ovd").count, 3);
    std::ifstream ascii(dir / "b.stl");
    std::string first;
    std::getline(ascii, first);
    EXPECT_EQ(first, "solid Orivanta\r");
    EXPECT_EQ(fs::file_size(dir / "c.stl"), 84u);  // curves make no facets

    std::ostringstream out, e;
    EXPECT_EQ(runBatch({"script", (dir / "none.ovs").string()}, BatchEnvironment{dir}, out, e), 1);
    EXPECT_NE(e.str().find("Cannot open file!"), std::string::npos);
}

}  // namespace
}  // namespace orv
