#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
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
// The front view of 800 x 600 pixels that a script's mouse lines make, framed on `design`
// as it stands when the view is first named.
ViewCamera scriptFrontView(const ObjectList& design) {
    ViewCamera camera;
    camera.resetView(1);
    camera.direction = 1;
    camera.setSize(800, 600);
    zoomAll(camera, design);
    camera.applyCamera();
    return camera;
}

// "X Y": the pixel where `p` shows in `camera`.
std::string pixelOf(const ViewCamera& camera, Point3 p) {
    const Point3 w = camera.project(p);
    return std::to_string(std::lround(w.x)) + " " + std::to_string(std::lround(w.y));
}

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
    const std::string click = pixelOf(scriptFrontView(before.objects), {-10.65f, 0, 0});

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

// "Move" goes on with the mouse: a drag in a named view moves the picked object along the
// axis it is dragged along, and undo takes the whole drag back.
TEST_F(Script, MoveDragsThePickedObjectAndUndoTakesItBack) {
    const std::string setup =
        "view front\n"
        "command 7021 \"No. of CV's\"=8 Diameter=4\n"
        "save before.ovd\n";
    ASSERT_EQ(run(setup), 0) << err;
    ReadResult before = load(dir / "before.ovd");
    ASSERT_EQ(before.count, 1);
    EXPECT_EQ(before.objects[0].state, 1);

    // The view the mouse lines make: framed on the design.
    const ViewCamera camera = scriptFrontView(before.objects);
    auto pixel = [&](Point3 p) { return pixelOf(camera, p); };
    const std::string from = pixel({0, 0, 0}), to = pixel({3, 0, 0.2f});
    const std::string drag = "command 5000\n"
                             "press left " + from + " in front 800x600\n"
                             "move left " + to + " in front 800x600\n"
                             "release left " + to + " in front 800x600\n";
    ASSERT_EQ(run(setup + drag + "save moved.ovd\n"), 0) << err;
    const auto& original = static_cast<const CurveObject&>(before.objects[0]);
    ReadResult moved = load(dir / "moved.ovd");
    const auto& shifted = static_cast<const CurveObject&>(moved.objects[0]);
    const float step = camera.snapStep;
    const float expected = std::round(3.0f / step) * step;
    ASSERT_EQ(shifted.cvCount(), original.cvCount());
    for (int i = 0; i < original.cvCount(); ++i) {
        EXPECT_NEAR(shifted.cvs[i].x, original.cvs[i].x + expected, 1e-4) << i;
        EXPECT_EQ(shifted.cvs[i].y, original.cvs[i].y) << i;
        EXPECT_EQ(shifted.cvs[i].z, original.cvs[i].z) << i;  // the drag stays on X
    }

    ASSERT_EQ(run(setup + drag + "undo\nsave undone.ovd\n"), 0) << err;
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(readFileBytes(dir / "before.ovd", a));
    ASSERT_TRUE(readFileBytes(dir / "undone.ovd", b));
    EXPECT_EQ(a, b);
}

// "Object Axis" is one switch for the mouse operations and the quarter turns alike.
TEST_F(Script, ObjectAxisAlsoTurnsTheQuarterTurnsAboutEachObject) {
    const std::string setup =
        "view front\n"
        "command 7021 \"No. of CV's\"=8 Diameter=4\n"
        "command 5105 Move=1 \"Move Horizontal\"=10 \"Move Vertical\"=0 \"Move In / Out\"=0\n";
    auto centre = [&](const fs::path& file) {
        ReadResult r = load(file);
        const auto& c = static_cast<const CurveObject&>(r.objects[0]);
        Point3 sum{0, 0, 0};
        for (const Point3& p : c.cvs) sum += p;
        return sum / float(c.cvCount());
    };
    struct Case {
        const char* lines;
        Point3 centre;
    };
    const Case cases[] = {
        {"command 5103\n", {0, -10, 0}},                               // about the world origin
        {"command 5010\ncommand 5103\n", {10, 0, 0}},                 // about its own axis
        {"command 5010\ncommand 5010\ncommand 5103\n", {0, -10, 0}},  // switched back
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run(setup + c.lines + "save turned.ovd\n"), 0) << err;
        Point3 p = centre(dir / "turned.ovd");
        EXPECT_NEAR(p.x, c.centre.x, 1e-4) << c.lines;
        EXPECT_NEAR(p.y, c.centre.y, 1e-4) << c.lines;
        EXPECT_NEAR(p.z, c.centre.z, 1e-4) << c.lines;
    }
}

// Where a world point shows in the named front view of 800 x 600 pixels that a script makes
// for an empty design.
std::string frontPixel(Point3 p) {
    return pixelOf(scriptFrontView(ObjectList{}), p) + " in front 800x600";
}

const CurveObject& onlyCurve(const ReadResult& r) {
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.objects[0].classNumber(), kClassCurve);
    return static_cast<const CurveObject&>(r.objects[0]);
}

std::string clickAt(const std::string& at) {
    return "press left " + at + "\nrelease left " + at + "\n";
}

// A vertical-mirror curve clicked into a front view, one CV dragged, then saved: the file
// holds the whole mirrored polygon.
TEST_F(Script, MouseLinesDrawAndDragAMirrorCurve) {
    const std::string a = frontPixel({1, 0, 1}), to = frontPixel({2, 0, 0});
    const std::string drag =
        "press left " + a + "\nmove left " + to + "\nrelease left " + to + "\n";
    const std::string script = "view front\ncommand 7001\n" + clickAt(a) +
                               clickAt(frontPixel({3, 0, 4})) + drag + "save mirror.ovd\n";
    ASSERT_EQ(run(script), 0) << err;
    const ReadResult saved = load(dir / "mirror.ovd");
    const CurveObject& c = onlyCurve(saved);
    EXPECT_EQ(c.cvs, (std::vector<Point3>{{2, 0, 0}, {3, 0, 4}, {-3, 0, 4}, {-2, 0, 0}}));
    EXPECT_EQ(c.state, objstate::kPicked);
    EXPECT_EQ(c.closed, 0u);
}

// The extend, revolve and transform kinds take their copies from their dialogs; Undo takes
// back the last click while the curve is drawn; a curve still being drawn when the script
// ends is saved with it.
TEST_F(Script, CurveKindsFromDialogsAreSavedAtTheEnd) {
    struct Case {
        std::string command;
        std::vector<Point3> cvs;
        uint32_t closed;
    };
    const Case cases[] = {
        {"7005 \"Extend Number\"=3 \"--\"=5 \"|\"=0 \"+\"=0",
         {{1, 0, 1}, {6, 0, 1}, {11, 0, 1}},
         0},
        {"7010 \"Move Horizontal\"=3 \"Move Vertical\"=0 \"Copy No.\"=3",
         {{1, 0, 1}, {4, 0, 1}, {7, 0, 1}},
         0},
        {"7006 Number=4 Degree=90", {{1, 0, 1}, {-1, 0, 1}, {-1, 0, -1}, {1, 0, -1}}, 1},
    };
    for (const Case& c : cases) {
        const std::string script = "view front\ncommand " + c.command + "\n" +
                                   clickAt(frontPixel({1, 0, 1})) + clickAt(frontPixel({1, 0, 3})) +
                                   "undo\n";
        ASSERT_EQ(run(script, {"--save", (dir / "kind.ovd").string()}), 0)
            << c.command << ": " << err;
        const ReadResult saved = load(dir / "kind.ovd");
        const CurveObject& curve = onlyCurve(saved);
        ASSERT_EQ(curve.cvs.size(), c.cvs.size()) << c.command;
        for (size_t i = 0; i < c.cvs.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(curve.cvs[i][k], c.cvs[i][k], 1e-5) << c.command << " " << i;
        EXPECT_EQ(curve.closed, c.closed) << c.command;
    }
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
