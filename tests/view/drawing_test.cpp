#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "model/design_file.h"
#include "model/gem_library.h"
#include "model/layers.h"
#include "model/object_list.h"
#include "model/objects.h"
#include "view/display_settings.h"
#include "view/line_renderer.h"
#include "view/shaded_scene.h"
#include "view/view_camera.h"
#include "view/view_drawing.h"
#include "view/wire_drawing.h"

namespace orv {
namespace {

// ---- fixtures ----

// 801 x 601 pixels at zoom 1: 12 pixels per unit, the world origin at pixel (400, 300).
ViewCamera camera(int direction, int w = 801, int h = 601) {
    ViewCamera c;
    c.direction = direction;
    c.resetView();
    c.setSize(w, h);
    c.applyCamera();
    return c;
}

std::unique_ptr<CurveObject> curve(std::vector<Point3> cvs, uint32_t resolution = 8,
                                   bool closed = false, bool hideCv = false) {
    auto c = std::make_unique<CurveObject>();
    c->setCvs(std::move(cvs));
    c->resolution = resolution;
    c->closed = closed;
    c->hideCv = hideCv;
    return c;
}

const std::vector<Point3> kFiveCvs = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}, {20, 0, 0}};

// A flat rows x columns net in the XY plane, CV (r, c) at origin + (c, r) * step.
std::unique_ptr<SurfaceObject> sheet(int rows, int columns, float step = 10.0f,
                                     Point3 origin = {0, 0, 0}) {
    auto s = std::make_unique<SurfaceObject>();
    std::vector<Point3> cvs;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) cvs.push_back(origin + Point3{c * step, r * step, 0});
    s->setCvs(std::move(cvs));
    s->rows = static_cast<uint32_t>(rows);
    s->columns = static_cast<uint32_t>(columns);
    return s;
}

// A tube along Z: `rows` rings of 8 CVs, closed around (the column direction).
std::unique_ptr<SurfaceObject> tube(int rows, float radius, float length, bool pointedStart = false) {
    auto s = std::make_unique<SurfaceObject>();
    std::vector<Point3> cvs;
    for (int r = 0; r < rows; ++r) {
        float rad = pointedStart && r == 0 ? 0.0f : radius;
        for (int c = 0; c < 8; ++c) {
            float a = static_cast<float>(c) * std::numbers::pi_v<float> / 4.0f;
            cvs.push_back({rad * std::cos(a), rad * std::sin(a), length * r / (rows - 1)});
        }
    }
    s->setCvs(std::move(cvs));
    s->rows = static_cast<uint32_t>(rows);
    s->columns = 8;
    s->columnClosed = 1;
    return s;
}

// `faces` triangles (i, i+1, i+2) along a zig-zag.
std::unique_ptr<FacetObject> strip(size_t faces, bool hideCv = true) {
    auto f = std::make_unique<FacetObject>();
    std::vector<Point3> v;
    for (size_t i = 0; i < faces + 2; ++i) v.push_back({float(i), float(i % 2), 0});
    f->setCvs(std::move(v));
    for (size_t i = 0; i < faces; ++i) {
        f->faceSizes.push_back(3);
        for (uint32_t k = 0; k < 3; ++k) f->faceIndices.push_back(static_cast<uint32_t>(i) + k);
    }
    f->hideCv = hideCv;
    return f;
}

// Counts what an object hands to the line layer, before any rounding.
struct CountingTester : SegmentTester {
    void moveTo(float, float) override { ++moves; }
    void lineTo(float, float) override { ++lines; }
    int moves = 0, lines = 0;
};

int lineCount(const ModelObject& o, int mode, const ViewCamera& cam = camera(viewdir::kTop)) {
    NullCanvas canvas;
    LineRenderer r(canvas);
    r.bindView(cam);
    CountingTester t;
    r.setTester(&t);
    drawObject(o, r, mode);
    return t.lines;
}

// Lines of a text in the stroke font.
int strokeLines(std::string_view text) {
    int n = 0;
    for (char c : text)
        for (const GlyphStroke& s : glyphStrokes(c)) n += static_cast<int>(s.points.size()) - 1;
    return n;
}

constexpr int kMarkerLines = 4;

// ---- per-class wire drawing ----

TEST(WireDrawingTest, CurveInEachMode) {
    const int labels = strokeLines("01234");
    const int full = 32 + 5 * kMarkerLines + labels;  // 4 spans at level 8, markers, numbers
    struct Case {
        int mode;
        bool hideCv;
        int lines;
    } cases[] = {
        {0, false, full},  {20, false, full}, {-1, false, full}, {10, false, 16},
        {0, true, 32},     {20, true, 32},    {-1, true, 32},    {10, true, 16},
    };
    for (const Case& c : cases) {
        auto k = curve(kFiveCvs, 8, false, c.hideCv);
        EXPECT_EQ(lineCount(*k, c.mode), c.lines) << "mode " << c.mode << " hideCv " << c.hideCv;
    }
}

TEST(WireDrawingTest, CurveLevels) {
    struct Case {
        uint32_t resolution;
        bool closed;
        int mode;
        int curveLines;
    } cases[] = {
        {1, false, 10, 4},   // through the CVs themselves
        {1, true, 10, 5},    // with the closing segment
        {0, true, 10, 5},
        {3, false, 10, 12},  // levels up to 3 are not halved
        {5, false, 10, 8},   // 5 / 2 = 2
        {8, true, 10, 20},   // closed: 5 spans at level 4
        {8, true, 0, 40},
    };
    for (const Case& c : cases) {
        auto k = curve(kFiveCvs, c.resolution, c.closed, true);
        EXPECT_EQ(lineCount(*k, c.mode), c.curveLines)
            << "resolution " << c.resolution << " closed " << c.closed << " mode " << c.mode;
    }
}

TEST(WireDrawingTest, CvGroupLabels) {
    const Point3 a{0, 0, 0}, b{1, 0, 0}, c{2, 0, 0}, d{3, 0, 0};
    const Point3 aNear{0.00005f, 0, 0};
    struct Case {
        std::vector<Point3> cvs;
        std::vector<CvLabel> labels;
    } cases[] = {
        {{a, b, c}, {{0, "0"}, {1, "1"}, {2, "2"}}},
        {{a, b, c, d, d, d, a}, {{0, "0"}, {1, "1"}, {2, "2"}, {3, "3..5"}, {6, "6"}}},
        {{a, b, c, d, d}, {{0, "0"}, {1, "1"}, {2, "2"}, {3, "3.4"}}},
        {{a, aNear, b}, {{0, "0.1"}, {2, "2"}}},  // within the same-point tolerance
        {{a, b, a}, {{0, "0"}, {1, "1"}, {2, "2"}}},  // only neighbours group
        {{}, {}},
    };
    for (const Case& k : cases) EXPECT_EQ(cvGroupLabels(k.cvs), k.labels);

    // The label of a group goes to its first CV: "4..6" at CV 4.
    std::vector<Point3> cvs = {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}, {0, 5, 0},
                               {-5, 5, 0}, {-5, 5, 0}, {-5, 5, 0}, {-5, 0, 0}};
    auto k = curve(cvs, 8, false, false);
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    ViewCamera cam = camera(viewdir::kTop);
    r.bindView(cam);
    drawObject(*k, r, 0);
    r.flush();
    const PixelPoint at{400 - 60, 300 - 60};
    const PixelPoint first = glyphStrokes('4')[0].points[0];
    const PixelPoint expected{at.x + kTextOffsetX + first.x, at.y - kTextOffsetY - first.y};
    auto starts = [&](PixelPoint p) {
        return std::count_if(canvas.segments.begin(), canvas.segments.end(),
                             [&](const auto& s) { return s.a == p; });
    };
    EXPECT_EQ(starts(expected), 1);
    EXPECT_EQ(cvGroupLabels(cvs),
              (std::vector<CvLabel>{{0, "0"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4..6"}, {7, "7"}}));
}

TEST(WireDrawingTest, PickedCvsAreRedrawnInThePickColourInModesZeroAndTwenty) {
    struct Case {
        int mode;
        size_t pickLines;
    } cases[] = {{0, 2 * kMarkerLines}, {20, 2 * kMarkerLines}, {-1, 0}, {10, 0}};
    for (const Case& c : cases) {
        auto k = curve(kFiveCvs, 8, false, false);
        k->cvFlags[1] = 1;
        k->cvFlags[4] = 1;
        RecordingCanvas canvas;
        DisplayColours colours;
        colours.pick = 0x00FF00;
        LineRenderer r(canvas, colours);
        ViewCamera cam = camera(viewdir::kTop);
        r.bindView(cam);
        r.setPen(0x0000AA);
        drawObject(*k, r, c.mode);
        r.flush();
        EXPECT_EQ(canvas.countColour(0x00FF00), c.pickLines) << "mode " << c.mode;
        EXPECT_EQ(r.pen(), 0x0000AAu) << "the caller's pen comes back";
    }
    // Surfaces highlight picked CVs in mode 0 only, and only when their CVs are shown.
    auto s = sheet(4, 4);
    s->hideCv = false;
    s->cvFlags[5] = 1;
    for (int mode : {0, -1}) {
        RecordingCanvas canvas;
        DisplayColours colours;
        colours.pick = 0x00FF00;
        LineRenderer r(canvas, colours);
        ViewCamera cam = camera(viewdir::kTop);
        r.bindView(cam);
        drawObject(*s, r, mode);
        r.flush();
        EXPECT_EQ(canvas.countColour(0x00FF00), mode == 0 ? size_t{kMarkerLines} : 0u);
    }
}

TEST(WireDrawingTest, SurfaceInEachMode) {
    // 4 rows x 5 columns at level 8: a 25 x 33 grid; CV rows are curves of 4 spans, CV
    // columns of 3 spans.
    const int isoLines = 4 * 32 + 5 * 24;
    struct Case {
        int mode;
        bool hideCv;
        bool columnClosed;
        int lines;
    } cases[] = {
        {10, true, false, 4 + 3},  // the middle row through 5 points, the middle column 4
        {10, false, false, 4 + 3},
        {20, true, false, 25 * 32 + 33 * 24},
        {20, false, false, 25 * 32 + 33 * 24},  // no CVs in the mesh wire frame
        {0, true, false, isoLines},
        {0, false, false, isoLines + 20 * kMarkerLines},
        {-1, true, false, isoLines},
        {-1, false, false, isoLines + 20 * kMarkerLines},
        {20, true, true, 25 * 40 + 41 * 24},  // closed along rows: 5 spans
        {0, true, true, 4 * 40 + 5 * 24},
        {10, true, true, 5 + 3},
    };
    for (const Case& c : cases) {
        auto s = sheet(4, 5);
        s->hideCv = c.hideCv;
        s->columnClosed = c.columnClosed;
        EXPECT_EQ(lineCount(*s, c.mode), c.lines)
            << "mode " << c.mode << " hideCv " << c.hideCv << " closed " << c.columnClosed;
    }
    // A net that does not match its CV count draws nothing in any mode.
    auto broken = sheet(4, 5);
    broken->rows = 5;
    for (int mode : {10, 0, 20, -1}) EXPECT_EQ(lineCount(*broken, mode), 0);
}

TEST(WireDrawingTest, FacetObjectFaceSampling) {
    struct Case {
        size_t faces;
        int mode;
        bool hideCv;
        int lines;
    } cases[] = {
        {10, 0, true, 30},
        {10, 20, true, 30},
        {10, -1, true, 30},
        {10, 10, true, 5},                  // first edge of every 2nd face
        {10, 0, false, 30 + 12 * kMarkerLines},
        {10, 10, false, 5},                 // no vertices in the quick wire frame
        {4096, 0, true, 3 * 4096},
        {4097, 0, true, 4097},              // one edge per face from 4097 faces on
        {4097, 20, true, 3 * 4097},
        {15999, 10, true, 8000},            // k = 2
        {16000, 10, true, 4000},            // k = 4
        {16000, -1, true, 3 * 8000},        // every 2nd face
        {32000, -1, true, 3 * 10667},       // every 3rd face
    };
    for (const Case& c : cases) {
        auto f = strip(c.faces, c.hideCv);
        EXPECT_EQ(lineCount(*f, c.mode), c.lines) << c.faces << " faces, mode " << c.mode;
    }
    // A face pointing past the vertices is left out, not read.
    auto f = strip(4);
    f->faceIndices[4] = 99;
    EXPECT_EQ(lineCount(*f, 0), 9);
    f->faceSizes.push_back(50);  // runs past the index array
    EXPECT_EQ(lineCount(*f, 0), 9);
}

TEST(WireDrawingTest, BooleanShowsItsShownChildren) {
    auto make = [](uint32_t op, bool show, int secondState = 0, int firstState = 0) {
        auto b = std::make_unique<BooleanObject>();
        b->operation = op;
        b->showSubtractors = show;
        b->children.append(sheet(4, 4));
        b->children.append(sheet(4, 5));
        b->children.append(sheet(5, 6));
        b->children[0].state = firstState;
        b->children[1].state = secondState;
        return b;
    };
    for (int mode : {10, 0, 20, -1}) {
        const int a = lineCount(*sheet(4, 4), mode), b = lineCount(*sheet(4, 5), mode),
                  c = lineCount(*sheet(5, 6), mode);
        struct Case {
            uint32_t op;
            bool show;
            int secondState, firstState;
            int lines;
        } cases[] = {
            {kSubtract, false, 0, 0, a},
            {kSubtract, true, 0, 0, a + b + c},
            {kUnion, false, 0, 0, a + b + c},
            {kIntersect, false, objstate::kHidden, 0, a + c},
            {kUnion, false, -99, 0, a + c},
            {kSubtract, false, 0, objstate::kHidden, 0},
        };
        for (const Case& k : cases)
            EXPECT_EQ(lineCount(*make(k.op, k.show, k.secondState, k.firstState), mode), k.lines)
                << "mode " << mode << " op " << k.op << " show " << k.show;
    }
}

TEST(WireDrawingTest, GemInstanceDrawsItsLibraryEntryThroughItsPlacement) {
    auto dir = std::filesystem::temp_directory_path() / "orv_drawing_test_gems";
    std::filesystem::create_directories(dir);
    ObjectList stones;
    stones.append(strip(3));
    auto nested = std::make_unique<GemInstance>();  // entry 1: entry 0 moved up by 2
    nested->gemIndex = 0;
    nested->placement = Matrix4::translation(0, 2, 0);
    stones.append(std::move(nested));
    auto bytes = designBytes(stones);
    ASSERT_TRUE(writeFileAtomically(dir / "gemlib", bytes));
    auto library = std::make_shared<GemLibrary>(dir / "gemlib");

    ViewCamera cam = camera(viewdir::kTop);
    auto drawn = [&](const ModelObject& o, const Matrix4* through) {
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        r.bindView(cam);
        if (through) r.multiplyModel(*through);
        drawObject(o, r, 0);
        r.flush();
        return canvas.segments;
    };
    auto stone = strip(3);
    const Matrix4 place = Matrix4::scaling(2, 2, 2) * Matrix4::translation(5, 0, 0);
    GemInstance gem;
    gem.library = library;
    gem.placement = place;
    gem.gemIndex = 0;
    EXPECT_EQ(drawn(gem, nullptr), drawn(*stone, &place));
    EXPECT_FALSE(drawn(gem, nullptr).empty());

    gem.gemIndex = 1;  // the nested placement applies first
    const Matrix4 both = Matrix4::translation(0, 2, 0) * place;
    EXPECT_EQ(drawn(gem, nullptr), drawn(*stone, &both));

    gem.gemIndex = 7;
    EXPECT_TRUE(drawn(gem, nullptr).empty());
    gem.library = nullptr;
    gem.gemIndex = 0;
    EXPECT_TRUE(drawn(gem, nullptr).empty());
    std::filesystem::remove_all(dir);
}

TEST(WireDrawingTest, TLineShowsItsPlaneEdgeOn) {
    struct Case {
        int direction;
        uint32_t axis;
        Point3 origin;
        bool drawn;
        bool vertical;  // a vertical line at pixel `at` (else horizontal)
        int at;
    } cases[] = {
        {viewdir::kFront, 0, {5, 0, 0}, true, true, 400 + 60},   // plane x = 5: line along Z
        {viewdir::kFront, 2, {0, 0, 3}, true, false, 300 - 36},  // plane z = 3: line along X
        {viewdir::kFront, 1, {0, 4, 0}, false, false, 0},        // faces the viewer
        {viewdir::kTop, 2, {0, 0, 3}, false, false, 0},
        {viewdir::kTop, 1, {0, -2, 0}, true, false, 300 + 24},
        {viewdir::kRight, 0, {1, 0, 0}, false, false, 0},
        {viewdir::kFront, 9, {0, 0, 3}, true, false, 300 - 36},  // out-of-range axis: Z
    };
    for (const Case& c : cases) {
        TLineObject t;
        t.axis = c.axis;
        t.axisFrame.setRow(3, c.origin);
        ViewCamera cam = camera(c.direction);
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        r.bindView(cam);
        drawObject(t, r, 0);
        r.flush();
        if (!c.drawn) {
            EXPECT_TRUE(canvas.segments.empty()) << c.direction << "/" << c.axis;
            continue;
        }
        ASSERT_EQ(canvas.segments.size(), 1u) << c.direction << "/" << c.axis;
        const auto& s = canvas.segments[0];
        if (c.vertical) {
            EXPECT_EQ(s.a.x, c.at);
            EXPECT_EQ(s.b.x, c.at);
            EXPECT_EQ(std::abs(s.b.y - s.a.y), 2 * 10000 * 12);
        } else {
            EXPECT_EQ(s.a.y, c.at);
            EXPECT_EQ(s.b.y, c.at);
            EXPECT_EQ(std::abs(s.b.x - s.a.x), 2 * 10000 * 12);
        }
    }
}

TEST(WireDrawingTest, BlockDrawsOutlinesAlwaysAndSurfacesOutsideQuickMode) {
    BlockObject block;
    block.placement = Matrix4::translation(3, 0, 0);
    block.generatedEnds.append(curve({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, 1, true));
    block.generatedSides.append(sheet(2, 4));
    auto outline = curve({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, 1, true);
    auto side = sheet(2, 4);
    struct Case {
        int mode, outlineMode, sideMode;  // -100: not drawn
    } cases[] = {{10, 10, -100}, {0, 10, 0}, {20, 20, 20}, {-1, 10, -1}};
    for (const Case& c : cases) {
        int expected = lineCount(*outline, c.outlineMode);
        if (c.sideMode != -100) expected += lineCount(*side, c.sideMode);
        EXPECT_EQ(lineCount(block, c.mode), expected) << "mode " << c.mode;
    }
    // Through the placement: the first outline point lands 3 units (36 pixels) to the right.
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    ViewCamera cam = camera(viewdir::kTop);
    r.bindView(cam);
    drawObject(block, r, 10);
    r.flush();
    ASSERT_FALSE(canvas.segments.empty());
    EXPECT_EQ(canvas.segments.front().a, (PixelPoint{436, 300}));
    EXPECT_EQ(r.currentTransform(), cam.transform) << "the placement is restored";
}

// ---- view drawing ----

TEST(ViewDrawingTest, GridLinesAndAxes) {
    // Front view, 401 x 301 at zoom 1: 6 pixels per unit, X from -33.3 to 33.3 and Z from -25
    // to 25, so with spacing 10 both ranges round out to -100 .. 100.
    struct Case {
        int direction;
        int renderMode;
        float spacing;
        float panX;
        size_t gridLines, axisLines;
        bool solid;
    } cases[] = {
        {viewdir::kFront, 0, 10, 0, 42, 2, false},
        {viewdir::kRight, 20, 10, 0, 42, 2, false},
        {viewdir::kFront, 100, 10, 0, 42, 2, false},
        {viewdir::kFront, 0, 0, 0, 0, 2, false},      // no grid: the axes only
        {viewdir::kFront, 0, 0, 100, 0, 1, false},    // the Z axis is out of view
        {viewdir::kFront, 0, 10, 100, 42, 2, false},  // rounded-out bounds reach it again
        {viewdir::kThreeD, 0, 10, 0, 0, 0, false},
        {viewdir::kFront, 300, 10, 0, 0, 0, false},
        {viewdir::kFront, 0, 0.01f, 0, 0, 2, true},   // denser than the pixels
    };
    for (const Case& c : cases) {
        ViewCamera cam = camera(c.direction, 401, 301);
        cam.renderMode = c.renderMode;
        cam.panEye(c.panX, 0, 0);
        cam.applyCamera();
        DisplaySettings settings;
        settings.gridSpacing = c.spacing;
        settings.colours.grid = 0x111111;
        settings.colours.axis = 0x222222;
        GridPlan plan = planGrid(cam, settings);
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        r.bindView(cam);
        drawGrid(plan, r, settings.colours, redrawArea(cam));
        r.flush();
        std::string what = "direction " + std::to_string(c.direction) + " mode " +
                           std::to_string(c.renderMode) + " spacing " + std::to_string(c.spacing) +
                           " pan " + std::to_string(c.panX);
        EXPECT_EQ(canvas.countColour(0x111111), c.gridLines) << what;
        EXPECT_EQ(canvas.countColour(0x222222), c.axisLines) << what;
        EXPECT_EQ(plan.solid, c.solid) << what;
        EXPECT_EQ(canvas.fills.size(), c.solid ? 1u : 0u) << what;
    }

    // The bounds and the first and last lines of the front view.
    ViewCamera cam = camera(viewdir::kFront, 401, 301);
    DisplaySettings settings;
    GridPlan plan = planGrid(cam, settings);
    EXPECT_EQ(plan.rightAxis, 0);
    EXPECT_EQ(plan.upAxis, 2);
    EXPECT_EQ(plan.depthAxis, 1);
    for (int k = 0; k < 2; ++k) {
        EXPECT_FLOAT_EQ(plan.low[k], -100.0f);
        EXPECT_FLOAT_EQ(plan.high[k], 100.0f);
        EXPECT_EQ(plan.lineCount[k], 21);
    }
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    r.bindView(cam);
    drawGrid(plan, r, settings.colours, redrawArea(cam));
    r.flush();
    using Seg = RecordingCanvas::Segment;
    const uint32_t grid = settings.colours.grid;
    EXPECT_EQ(canvas.segments.front(), (Seg{{200 - 600, 150 + 600}, {200 - 600, 150 - 600}, grid}));
    EXPECT_EQ(canvas.segments[20], (Seg{{200 + 600, 150 + 600}, {200 + 600, 150 - 600}, grid}));
    EXPECT_EQ(canvas.segments[21], (Seg{{200 - 600, 150 + 600}, {200 + 600, 150 + 600}, grid}));
    const uint32_t axis = settings.colours.axis;
    EXPECT_EQ(canvas.segments[42], (Seg{{200 - 600, 150}, {200 + 600, 150}, axis}));
    EXPECT_EQ(canvas.segments[43], (Seg{{200, 150 + 600}, {200, 150 - 600}, axis}));
}

TEST(ViewDrawingTest, VisibilityTest) {
    // A 1-unit square whose left edge sits `offset` pixels right of the window (negative:
    // inside), in the top view: 12 pixels per unit, the window 801 pixels wide.
    struct Case {
        int offset;
        int mode;
        bool inView;
    } cases[] = {
        {-20, 20, true},  {1, 20, true},   {3, 20, false},   // 2 pixels of margin
        {9, 0, true},     {11, 0, false},  {9, 100, true},   // 10 pixels on the left
        {3, 10, false},   {3, -1, false},
    };
    ViewCamera cam = camera(viewdir::kTop);
    for (const Case& c : cases) {
        float x = (801.0f + c.offset - 400.0f) / 12.0f;
        auto s = sheet(2, 2, 1.0f, {x, 0, 0});
        EXPECT_EQ(isInView(*s, cam, c.mode), c.inView) << c.offset << " mode " << c.mode;
    }
    // Below the window, whose labels reach up into it: 50 pixels of room in mode 0, 2
    // otherwise.
    float top = (300.0f - 631.0f) / 12.0f;  // the square's upper edge 30 pixels below
    auto low = sheet(2, 2, 1.0f, {0, top - 1.0f, 0});
    EXPECT_TRUE(isInView(*low, cam, 0));
    EXPECT_FALSE(isInView(*low, cam, 20));
    // T-lines always; objects that draw nothing never.
    TLineObject t;
    t.axisFrame.setRow(3, {1e6f, 0, 0});
    EXPECT_TRUE(isInView(t, cam, 20));
    EXPECT_FALSE(isInView(CurveObject{}, cam, 0));
    // Only the pending repaint rectangle counts when there is one.
    auto middle = sheet(2, 2, 1.0f, {0, 0, 0});
    cam.markDirty(0, 0, 100, 100);
    cam.applyCamera();
    EXPECT_FALSE(isInView(*middle, cam, 20));
    cam.clearDirty();
    cam.markDirty(395, 280, 420, 310);
    cam.applyCamera();
    EXPECT_TRUE(isInView(*middle, cam, 20));
}

TEST(ViewDrawingTest, PlanRedraw) {
    struct Case {
        int renderMode;
        bool interactive, interrupt;
        int mode;
        bool offscreen;
    } cases[] = {
        {0, false, false, 0, false},     {0, true, false, 0, true},
        {20, false, true, 20, true},     {100, true, false, 100, false},
        {300, false, false, 300, false}, {300, true, false, 100, false},
        {400, false, true, 100, false},
    };
    for (const Case& c : cases) {
        ViewCamera cam = camera(viewdir::kFront);
        cam.renderMode = c.renderMode;
        RedrawPlan p = planRedraw(cam, c.interactive, c.interrupt);
        EXPECT_EQ(p.mode, c.mode) << c.renderMode << c.interactive << c.interrupt;
        EXPECT_EQ(p.offscreen, c.offscreen) << c.renderMode << c.interactive << c.interrupt;
        EXPECT_FALSE(p.skip);
    }
}

// A document with one object of each kind of interest, in the top view.
struct Scene {
    ObjectList objects;
    LayerTable layers;
    RedrawOptions options;
    ViewCamera cam = camera(viewdir::kTop);
    ModelObject* unpicked;
    ModelObject* picked;
    ModelObject* surface;
    ModelObject* far;

    Scene() {
        layers.at(3).colour = 0x000033;
        layers.at(4).colour = 0x000044;
        layers.at(4).visible = false;
        options.layers = &layers;
        options.settings.gridSpacing = 0;
        options.settings.colours.pick = 0x00FF00;
        unpicked = objects.append(curve(kFiveCvs));
        unpicked->layer = 3;
        picked = objects.append(curve({{-10, -10, 0}, {-20, -10, 0}, {-20, -20, 0}}));
        picked->state = objstate::kPicked;
        picked->layer = 3;
        ModelObject* hiddenLayer = objects.append(curve(kFiveCvs));
        hiddenLayer->layer = 4;
        ModelObject* hidden = objects.append(curve(kFiveCvs));
        hidden->state = objstate::kHidden;
        ModelObject* deleted = objects.append(curve(kFiveCvs));
        deleted->state = -1;
        surface = objects.append(sheet(4, 4, 2.0f, {-30, 5, 0}));
        surface->layer = 3;
        far = objects.append(curve({{500, 0, 0}, {510, 0, 0}}));
        far->layer = 3;
    }
    size_t alone(const ModelObject& o, int mode) {
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        r.bindView(cam);
        drawObject(o, r, mode);
        r.flush();
        return canvas.segments.size();
    }
};

TEST(ViewDrawingTest, RedrawDrawsShownObjectsInTheirPens) {
    for (int mode : {0, 20, -1, 10}) {
        Scene s;
        s.cam.renderMode = mode;
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        int refreshed = 0;
        s.options.hooks.afterRedraw = [&] { ++refreshed; };
        RedrawResult result = redrawView(s.cam, s.objects, r, s.options);
        EXPECT_TRUE(result.drawn);
        EXPECT_EQ(result.mode, mode);
        EXPECT_EQ(refreshed, 1);
        // The background first, in the background colour, over the whole area.
        ASSERT_EQ(canvas.fills.size(), 1u);
        EXPECT_EQ(canvas.fills[0], (RecordingCanvas::Fill{0, 0, 801, 601, 0xC8C8C8}));
        // Unpicked objects in their layer's colour, the picked one in the pick colour; hidden,
        // deleted and hidden-layer objects not at all; the far curve only without the test.
        size_t layerLines = s.alone(*s.unpicked, mode) + s.alone(*s.surface, mode);
        if (mode == 10) layerLines += s.alone(*s.far, mode);
        EXPECT_EQ(canvas.countColour(0x000033), layerLines) << "mode " << mode;
        EXPECT_EQ(canvas.countColour(0x00FF00), s.alone(*s.picked, mode)) << "mode " << mode;
        EXPECT_EQ(canvas.countColour(0x000044), 0u);
        EXPECT_EQ(canvas.segments.size(), canvas.countColour(0x000033) + canvas.countColour(0x00FF00) +
                                              canvas.countColour(s.options.settings.colours.axis));
        EXPECT_EQ(result.objectsDrawn, mode == 10 ? 4 : 3);
        EXPECT_EQ(result.objectsCulled, mode == 10 ? 0 : 1);
    }
}

TEST(ViewDrawingTest, RedrawOfARepaintRectangle) {
    Scene s;
    s.cam.markDirty(10, 20, 30, 40);
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    RedrawResult result = redrawView(s.cam, s.objects, r, s.options);
    EXPECT_TRUE(result.drawn);
    ASSERT_EQ(canvas.fills.size(), 1u);
    EXPECT_EQ(canvas.fills[0], (RecordingCanvas::Fill{10, 20, 30, 40, 0xC8C8C8}));
    EXPECT_EQ(result.objectsDrawn, 0);  // everything lies outside the rectangle
    EXPECT_FALSE(s.cam.dirtyValid) << "the rectangle is used up";

    // A pending rectangle without area: nothing is drawn, and it does not linger.
    s.cam.markDirty(50, 50, 50, 80);
    canvas.clear();
    result = redrawView(s.cam, s.objects, r, s.options);
    EXPECT_FALSE(result.drawn);
    EXPECT_TRUE(canvas.fills.empty());
    EXPECT_TRUE(canvas.segments.empty());
    EXPECT_FALSE(s.cam.dirtyValid);
}

struct SceneSink : ShadedSceneSink {
    void drawShaded(const ShadedScene& scene) override {
        ++calls;
        meshes = scene.meshes.size();
        overlay = scene.overlay.size();
    }
    int calls = 0;
    size_t meshes = 0, overlay = 0;
};

TEST(ViewDrawingTest, ShadingModesHandOverAndKeepCurvesAsWires) {
    struct Case {
        int renderMode;
        bool interactive;
        int sinkCalls;
        int photoMode;
    } cases[] = {{100, false, 1, 0}, {300, false, 0, 300}, {400, false, 0, 400}, {400, true, 1, 0}};
    for (const Case& c : cases) {
        Scene s;
        s.cam.renderMode = c.renderMode;
        s.options.plan = planRedraw(s.cam, c.interactive, false);
        SceneSink sink;
        int photo = 0;
        s.options.hooks.shading = &sink;
        s.options.hooks.photo = [&](int m) { photo = m; };
        RecordingCanvas canvas;
        LineRenderer r(canvas);
        RedrawResult result = redrawView(s.cam, s.objects, r, s.options);
        EXPECT_EQ(sink.calls, c.sinkCalls) << c.renderMode;
        EXPECT_EQ(photo, c.photoMode) << c.renderMode;
        EXPECT_TRUE(canvas.fills.empty()) << "the shaded image is the background";
        if (c.sinkCalls) {
            EXPECT_EQ(sink.meshes, 1u);   // the surface
            EXPECT_EQ(sink.overlay, 2u);  // the two curves in view
        }
        // Only the curves are wires, in the mesh wire frame.
        EXPECT_EQ(canvas.countColour(0x000033), s.alone(*s.unpicked, 20)) << c.renderMode;
        EXPECT_EQ(canvas.countColour(0x00FF00), s.alone(*s.picked, 20)) << c.renderMode;
        EXPECT_EQ(result.objectsDrawn, 2);
    }
}

TEST(ViewDrawingTest, PreviewObjectsThroughTheOperationsTransform) {
    Scene s;
    s.objects.clear();
    auto moving = curve(kFiveCvs, 1, false, true);
    PreviewSet preview;
    preview.objects.push_back(moving.get());
    preview.transform = Matrix4::translation(1, 0, 0);
    s.options.preview = &preview;
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    redrawView(s.cam, s.objects, r, s.options);
    ASSERT_EQ(canvas.countColour(0x00FF00), 4u);
    auto first = std::find_if(canvas.segments.begin(), canvas.segments.end(),
                              [](const auto& g) { return g.colour == 0x00FF00; });
    EXPECT_EQ(first->a, (PixelPoint{412, 300}));
    EXPECT_EQ(r.currentTransform(), s.cam.transform);
}

// ---- fast shading ----

Point3 vertexAt(const ShadedMesh& m, uint32_t i) {
    return {m.positions[3 * i], m.positions[3 * i + 1], m.positions[3 * i + 2]};
}
Point3 normalAt(const ShadedMesh& m, uint32_t i) {
    return {m.normals[3 * i], m.normals[3 * i + 1], m.normals[3 * i + 2]};
}

// Every normal has unit length and every triangle turns counter-clockwise around the normals
// of its corners.
void expectConsistent(const ShadedMesh& m, const char* what) {
    ASSERT_EQ(m.positions.size(), m.normals.size()) << what;
    for (size_t i = 0; i < m.vertexCount(); ++i)
        ASSERT_NEAR(length(normalAt(m, static_cast<uint32_t>(i))), 1.0f, 1e-4f) << what << " vertex " << i;
    size_t agreeing = 0;
    for (size_t t = 0; t < m.triangleCount(); ++t) {
        uint32_t a = m.indices[3 * t], b = m.indices[3 * t + 1], c = m.indices[3 * t + 2];
        Point3 n = cross(vertexAt(m, b) - vertexAt(m, a), vertexAt(m, c) - vertexAt(m, a));
        if (length(n) < 1e-6f) continue;  // a sliver at a pole
        Point3 sum = normalAt(m, a) + normalAt(m, b) + normalAt(m, c);
        agreeing += dot(n, sum) > 0.0f;
        EXPECT_GT(dot(n, sum), 0.0f) << what << " triangle " << t;
    }
    EXPECT_GT(agreeing, 0u) << what;
}

TEST(ShadedSceneTest, SurfaceMeshFollowsOrientationAndPlacement) {
    struct Case {
        int orientation;
        Matrix4 placement;
        float normalZ;  // of every vertex
        const char* what;
    } cases[] = {
        {1, Matrix4::identity(), -1.0f, "as built"},
        {-1, Matrix4::identity(), 1.0f, "flipped"},
        {1, Matrix4::scaling(-1, 1, 1), -1.0f, "mirrored across its normal's plane"},
        {1, Matrix4::scaling(1, 3, -2), 1.0f, "stretched and mirrored along its normal"},
    };
    for (const Case& c : cases) {
        auto s = sheet(4, 4);
        s->orientation = c.orientation;
        ShadedMesh m;
        appendShadedGeometry(*s, c.placement, m);
        EXPECT_EQ(m.vertexCount(), 25u * 25u) << c.what;
        EXPECT_EQ(m.triangleCount(), 2u * 24u * 24u) << c.what;
        for (size_t i = 0; i < m.vertexCount(); ++i)
            ASSERT_NEAR(normalAt(m, static_cast<uint32_t>(i)).z, c.normalZ, 1e-5f) << c.what;
        expectConsistent(m, c.what);
    }
    // A direction of many CVs is evaluated at a lower level: 100 rows at level 2 (100 x 2
    // points), 4 columns at their level 8.
    auto tall = sheet(100, 4);
    ShadedMesh m;
    appendShadedGeometry(*tall, Matrix4::identity(), m);
    EXPECT_EQ(m.vertexCount(), size_t{2 * 99 + 1} * 25u);
    // Fewer than 2 CVs in a direction: nothing.
    ShadedMesh none;
    appendShadedGeometry(*sheet(1, 6), Matrix4::identity(), none);
    EXPECT_EQ(none.vertexCount(), 0u);
}

TEST(ShadedSceneTest, ClosedSurfacesGetEndCapsFacingOutward) {
    struct Case {
        bool pointed;
        int caps;  // 0: start and end, 1: end only
    } cases[] = {{false, 2}, {true, 1}};
    for (const Case& c : cases) {
        auto t = tube(4, 5.0f, 20.0f, c.pointed);
        ShadedMesh m;
        appendShadedGeometry(*t, Matrix4::identity(), m);
        PointGrid g = t->grid();
        const size_t gridTriangles = 2u * (g.rows - 1) * (g.columns - 1);
        ASSERT_GT(m.triangleCount(), gridTriangles);
        // The caps' vertices come after the grid's and face straight along the axis.
        int down = 0, up = 0;
        for (size_t i = g.points.size(); i < m.vertexCount(); ++i) {
            Point3 n = normalAt(m, static_cast<uint32_t>(i));
            Point3 p = vertexAt(m, static_cast<uint32_t>(i));
            if (n.z < -0.999f && std::fabs(p.z) < 1e-3f) ++down;
            if (n.z > 0.999f && std::fabs(p.z - 20.0f) < 1e-3f) ++up;
        }
        EXPECT_EQ(down > 0, c.caps == 2) << "pointed " << c.pointed;
        EXPECT_GT(up, 0) << "pointed " << c.pointed;
        EXPECT_EQ(static_cast<size_t>(down + up), m.vertexCount() - g.points.size());
        // At the point every derivative normal vanishes; neighbours stand in.
        expectConsistent(m, c.pointed ? "pointed tube" : "tube");
    }
    // A flat ring (the surface lies in the plane of its end loops) gets no caps.
    auto ring = tube(4, 5.0f, 0.0f);
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 8; ++k) ring->cvs[r * 8 + k] = ring->cvs[r * 8 + k] * (1.0f + r);
    ShadedMesh flat;
    appendShadedGeometry(*ring, Matrix4::identity(), flat);
    PointGrid g = ring->grid();
    EXPECT_EQ(flat.triangleCount(), 2u * (g.rows - 1) * (g.columns - 1));
}

TEST(ShadedSceneTest, FacetObjectsFlatAndSmooth) {
    // Two triangles folded along their shared edge, and one quad.
    auto f = std::make_unique<FacetObject>();
    f->setCvs({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}, {5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}});
    f->faceSizes = {3, 3, 4};
    f->faceIndices = {0, 1, 2, 1, 3, 2, 4, 5, 6, 7};
    struct Case {
        bool flat;
        int orientation;
        size_t vertices;
    } cases[] = {{true, 1, 10}, {true, -1, 10}, {false, 1, 8}, {false, -1, 8}};
    for (const Case& c : cases) {
        f->flatShaded = c.flat;
        f->orientation = c.orientation;
        ShadedMesh m;
        appendShadedGeometry(*f, Matrix4::identity(), m);
        EXPECT_EQ(m.vertexCount(), c.vertices);
        EXPECT_EQ(m.triangleCount(), 4u);
        expectConsistent(m, c.flat ? "flat" : "smooth");
        // The first face lies in z = 0 and turns counter-clockwise seen from +Z.
        EXPECT_NEAR(normalAt(m, m.indices[0]).z, float(c.orientation), 1e-6f);
    }
    f->faceIndices[3] = 42;  // out of range: that face is left out
    ShadedMesh m;
    appendShadedGeometry(*f, Matrix4::identity(), m);
    EXPECT_EQ(m.triangleCount(), 3u);
}

TEST(ShadedSceneTest, BlockCapsWithHoles) {
    auto square = [](float half, float z) {
        return curve({{-half, -half, z}, {half, -half, z}, {half, half, z}, {-half, half, z}}, 1, true);
    };
    BlockObject block;
    block.axes = {0, 1, 2};
    block.placement = Matrix4::translation(0, 0, 10);
    for (float z : {0.0f, 2.0f}) {
        block.generatedEnds.append(square(4, z));
        block.generatedEnds.append(square(1, z));
    }
    // Without a triangulator the outer outlines are cut by ear clipping.
    ShadedMesh plain;
    appendShadedGeometry(block, Matrix4::identity(), plain);
    EXPECT_EQ(plain.triangleCount(), 4u);
    expectConsistent(plain, "block caps");
    for (size_t i = 0; i < plain.vertexCount(); ++i) {
        Point3 p = vertexAt(plain, static_cast<uint32_t>(i));
        EXPECT_FLOAT_EQ(normalAt(plain, static_cast<uint32_t>(i)).z, p.z < 11.0f ? -1.0f : 1.0f);
    }
    // With one, each end gets its outer outline and the one hole inside it.
    int calls = 0;
    ShadedSceneOptions options;
    options.triangulate = [&](std::span<const Point3> outer, std::span<const PointArray> holes) {
        ++calls;
        EXPECT_EQ(outer.size(), 4u);
        EXPECT_EQ(holes.size(), 1u);
        std::vector<std::array<uint32_t, 3>> fan;
        for (uint32_t k = 1; k + 1 < outer.size(); ++k) fan.push_back({0, k, k + 1});
        return fan;
    };
    ShadedMesh holed;
    appendShadedGeometry(block, Matrix4::identity(), holed, options);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(holed.vertexCount(), 2u * 8u);
    expectConsistent(holed, "block caps with holes");
}

TEST(ShadedSceneTest, SceneOfADocument) {
    ObjectList objects;
    LayerTable layers;
    layers.at(2).colour = 0x000022;
    layers.at(5).visible = false;
    ModelObject* plain = objects.append(sheet(4, 4));
    plain->layer = 2;
    ModelObject* picked = objects.append(sheet(4, 4, 1.0f, {-20, 0, 0}));
    picked->state = objstate::kPicked;
    objects.append(sheet(4, 4))->layer = 5;
    objects.append(sheet(4, 4))->state = objstate::kHidden;
    objects.append(sheet(4, 4, 1.0f, {900, 0, 0}));  // out of view
    ModelObject* wire = objects.append(curve(kFiveCvs));
    ModelObject* plane = objects.append(std::make_unique<TLineObject>());
    auto b = std::make_unique<BooleanObject>();
    b->operation = kSubtract;
    b->children.append(sheet(4, 4));
    b->children.append(sheet(5, 5));
    ModelObject* boolean = objects.append(std::move(b));

    auto preview = sheet(4, 4);
    PreviewSet previews;
    previews.objects.push_back(preview.get());
    previews.transform = Matrix4::translation(0, 0, 7);

    ShadedSceneOptions options;
    options.layers = &layers;
    options.colours.pick = 0x00FF00;
    options.preview = &previews;
    ViewCamera cam = camera(viewdir::kTop);
    ShadedScene scene = buildShadedScene(cam, objects, options);
    ASSERT_EQ(scene.meshes.size(), 4u);
    EXPECT_EQ(scene.meshes[0].object, plain);
    EXPECT_EQ(scene.meshes[0].colour, 0x000022u);
    EXPECT_EQ(scene.meshes[1].object, picked);
    EXPECT_EQ(scene.meshes[1].colour, 0x00FF00u);
    EXPECT_EQ(scene.meshes[2].object, boolean);
    EXPECT_EQ(scene.meshes[2].triangleCount(), scene.meshes[0].triangleCount())
        << "a subtraction with hidden subtractors shows its first child";
    EXPECT_EQ(scene.meshes[3].object, nullptr);
    EXPECT_EQ(scene.meshes[3].colour, 0x00FF00u);
    EXPECT_FLOAT_EQ(scene.meshes[3].positions[2], 7.0f);
    ASSERT_EQ(scene.overlay.size(), 2u);
    EXPECT_EQ(scene.overlay[0].object, wire);
    EXPECT_EQ(scene.overlay[0].colour, LayerTable::defaultColour(0));
    EXPECT_EQ(scene.overlay[1].object, plane);
    EXPECT_EQ(scene.triangleCount(), 4 * scene.meshes[0].triangleCount());

    // Building again into the same scene gives the same result.
    ShadedScene again = scene;
    buildShadedScene(cam, objects, options, again);
    EXPECT_EQ(again.meshes.size(), 4u);
    EXPECT_EQ(again.meshes[1].positions, scene.meshes[1].positions);
}

TEST(ShadedSceneTest, SetupMapsDepthBackToTheWindowDepth) {
    ViewCamera cam = camera(viewdir::kThreeD, 400, 300);
    cam.setZoom(2.0f);
    cam.rotateScreen(0, 30.0f);
    cam.rotateScreen(1, 20.0f);
    cam.panEye(1, 2, 3);
    cam.applyCamera();
    DisplayColours colours;
    ShadingSetup s = shadingSetup(cam, colours);
    const float c = 2.0f / 25.0f;
    EXPECT_FLOAT_EQ(s.projection[0], c * 300.0f / 400.0f);
    EXPECT_FLOAT_EQ(s.projection[5], c);
    EXPECT_FLOAT_EQ(s.projection[10], 0.02f * c);
    EXPECT_EQ(s.modelView, cam.viewMatrix.m);
    EXPECT_FLOAT_EQ(s.clearColour[0], 200.0f / 255.0f);
    EXPECT_FLOAT_EQ(s.clearDepth, 0.0f);
    // A point through the GL pipeline: eye z -> clip z -> depth d; the depth read back must
    // give the same window depth as the wire-frame transform.
    for (Point3 p : {Point3{0, 0, 0}, Point3{3, -4, 5}, Point3{-10, 2, 40}}) {
        Point3 eye = transformPoint(p, cam.viewMatrix);
        float d = (eye.z * s.projection[10] + 1.0f) * 0.5f;
        EXPECT_NEAR(s.windowDepth(d), cam.project(p).z, 1e-2f * (1.0f + std::fabs(cam.project(p).z)));
    }
}

}  // namespace
}  // namespace orv
