#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "kernel/bspline.h"
#include "model/layers.h"
#include "view/line_renderer.h"

namespace orv {
namespace {

using Seg = RecordingCanvas::Segment;

Seg seg(int x0, int y0, int x1, int y1, uint32_t colour) { return {{x0, y0}, {x1, y1}, colour}; }

// Everything the renderer hands over in pick mode, as polylines in float pixels.
class RecordingTester : public SegmentTester {
public:
    struct Move {
        float x, y;
        bool line;
    };
    void moveTo(float x, float y) override { calls.push_back({x, y, false}); }
    void lineTo(float x, float y) override {
        calls.push_back({x, y, true});
        if (stopAfter > 0 && lines() >= stopAfter) done = true;
    }
    bool satisfied() const override { return done; }
    int lines() const {
        int n = 0;
        for (const auto& c : calls) n += c.line;
        return n;
    }
    std::vector<Move> calls;
    int stopAfter = 0;
    bool done = false;
};

// World coordinates are window pixels: the identity view transform.
struct Fixture {
    RecordingCanvas canvas;
    LineRenderer r{canvas};
};

TEST(LineRendererTest, VerticesAreTransformedAndRounded) {
    // Scale 2 and an offset of (10.25, 20.25): half pixels round up, negatives round down.
    Matrix4 view = Matrix4::scaling(2, 2, 2);
    view[12] = 10.25f;
    view[13] = 20.25f;
    struct Case {
        Point3 a, b;
        PixelPoint pa, pb;
    } cases[] = {
        {{0, 0, 0}, {1, 1, 0}, {10, 20}, {12, 22}},
        {{0.125f, 0.125f, 0}, {-5.25f, -10.25f, 3}, {11, 21}, {0, 0}},   // 10.5 -> 11; -0.25 -> 0
        {{-5.5f, -10.5f, 0}, {-5.3f, -10.3f, 0}, {-1, -1}, {0, 0}},      // -0.75 -> -1, -0.35 -> 0
    };
    for (const Case& c : cases) {
        Fixture f;
        f.r.setViewTransform(view);
        f.r.setPen(7);
        const Point3 pts[2] = {c.a, c.b};
        f.r.drawPolyline(pts, 2, false);
        f.r.flush();
        ASSERT_EQ(f.canvas.segments.size(), 1u);
        EXPECT_EQ(f.canvas.segments[0], (Seg{c.pa, c.pb, 7}));
    }
}

TEST(LineRendererTest, PrimitiveModes) {
    const Point3 pts[3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    struct Case {
        int mode;
        int vertices;
        std::vector<Seg> expected;
    } cases[] = {
        {primitive::kOpen, 3, {seg(0, 0, 10, 0, 1), seg(10, 0, 10, 10, 1)}},
        {primitive::kClosed, 3, {seg(0, 0, 10, 0, 1), seg(10, 0, 10, 10, 1), seg(10, 10, 0, 0, 1)}},
        {primitive::kClosed, 1, {}},
        {primitive::kCountOnly, 3, {}},
        {primitive::kMarkers, 1,
         {seg(-2, -2, 2, -2, 1), seg(2, -2, 2, 2, 1), seg(2, 2, -2, 2, 1), seg(-2, 2, -2, -2, 1)}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.r.setPen(1);
        f.r.beginPrimitive(c.mode);
        for (int i = 0; i < c.vertices; ++i) f.r.vertex(pts[i]);
        f.r.endPrimitive();
        EXPECT_EQ(f.r.vertexCount(), c.vertices);
        EXPECT_EQ(f.canvas.segments, c.expected) << "mode " << c.mode;
    }
}

TEST(LineRendererTest, MarkerIsCentredOnTheRoundedPixel) {
    Fixture f;
    f.r.setPen(3);
    f.r.beginPrimitive(primitive::kMarkers);
    f.r.vertex({100.4f, 50.6f, 0});
    f.r.vertex({7, 8, 0});
    f.r.endPrimitive();
    std::vector<Seg> expected = {seg(98, 49, 102, 49, 3), seg(102, 49, 102, 53, 3),
                                 seg(102, 53, 98, 53, 3), seg(98, 53, 98, 49, 3),
                                 seg(5, 6, 9, 6, 3),      seg(9, 6, 9, 10, 3),
                                 seg(9, 10, 5, 10, 3),    seg(5, 10, 5, 6, 3)};
    EXPECT_EQ(f.canvas.segments, expected);
}

TEST(LineRendererTest, PensAndObjectPens) {
    LayerTable layers;
    layers.at(3).colour = 0x123456;
    RecordingCanvas canvas;
    DisplayColours colours;
    colours.pick = 0xABCDEF;
    LineRenderer r(canvas, colours, &layers);
    EXPECT_EQ(r.setPen(0x10), 0u);
    EXPECT_EQ(r.setPen(0x20), 0x10u);

    struct Case {
        int state, layer;
        uint32_t pen;
    } cases[] = {
        {1, 3, 0xABCDEF},                        // picked: the pick colour whatever the layer
        {0, 3, 0x123456},                        // the layer's own colour
        {0, 0, LayerTable::defaultColour(0)},
        {0, 19, LayerTable::defaultColour(19)},
        {0, 25, 0},                              // outside the table: black
        {2, 3, 0x123456},                        // anything but picked takes the layer colour
    };
    for (const Case& c : cases) {
        r.setObjectPen(c.state, c.layer);
        EXPECT_EQ(r.pen(), c.pen) << c.state << "/" << c.layer;
        EXPECT_EQ(canvas.pen, c.pen);
    }
    // Drawing in a pen, changing it mid-way, keeps the polyline joined.
    canvas.clear();
    r.setPen(1);
    r.beginPrimitive(primitive::kOpen);
    r.vertex({0, 0, 0});
    r.vertex({5, 0, 0});
    r.setPen(2);
    r.vertex({5, 5, 0});
    r.endPrimitive();
    EXPECT_EQ(canvas.segments, (std::vector<Seg>{seg(0, 0, 5, 0, 1), seg(5, 0, 5, 5, 2)}));
}

TEST(LineRendererTest, ModelStackAppliesPlacementsInsideOut) {
    Fixture f;
    f.r.setViewTransform(Matrix4::translation(100, 100, 0));
    const Point3 pts[2] = {{0, 0, 0}, {1, 0, 0}};
    f.r.multiplyModel(Matrix4::scaling(10, 10, 10));   // outer placement
    f.r.multiplyModel(Matrix4::translation(1, 0, 0));  // inner placement applies first
    f.r.drawPolyline(pts, 2, false);
    f.r.restoreModel();
    f.r.drawPolyline(pts, 2, false);
    f.r.restoreModel();
    f.r.restoreModel();  // one too many does nothing
    f.r.drawPolyline(pts, 2, false);
    std::vector<Seg> expected = {seg(110, 100, 120, 100, 0), seg(100, 100, 110, 100, 0),
                                 seg(100, 100, 101, 100, 0)};
    EXPECT_EQ(f.canvas.segments, expected);
}

TEST(LineRendererTest, ScreenRectIgnoresTransforms) {
    Fixture f;
    f.r.setViewTransform(Matrix4::scaling(3, 3, 3));
    f.r.multiplyModel(Matrix4::translation(50, 50, 0));
    f.r.drawScreenRect(10, 20, 30, 40);
    std::vector<Seg> expected = {seg(10, 20, 30, 20, 0), seg(30, 20, 30, 40, 0),
                                 seg(30, 40, 10, 40, 0), seg(10, 40, 10, 20, 0)};
    EXPECT_EQ(f.canvas.segments, expected);
    // The transforms are still in force afterwards.
    f.canvas.clear();
    const Point3 pts[2] = {{0, 0, 0}, {1, 0, 0}};
    f.r.drawPolyline(pts, 2, false);
    EXPECT_EQ(f.canvas.segments, (std::vector<Seg>{seg(150, 150, 153, 150, 0)}));
}

TEST(LineRendererTest, CurvePointsOfAnExtendedPolygon) {
    const Point3 cvs[4] = {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}};
    PointArray polygon = extendCurve(cvs, 4, 1, false, false, false);
    struct Case {
        int level;
        size_t segments;
    } cases[] = {{8, 24}, {2, 6}, {0, 3}, {-3, 3}, {1000, 64 * 3}};
    for (const Case& c : cases) {
        Fixture f;
        f.r.drawCurvePoints(polygon.data(), static_cast<int>(polygon.size()), c.level);
        EXPECT_EQ(f.canvas.segments.size(), c.segments) << "level " << c.level;
        ASSERT_FALSE(f.canvas.segments.empty());
        EXPECT_EQ(f.canvas.segments.front().a, (PixelPoint{0, 0}));
        EXPECT_EQ(f.canvas.segments.back().b, (PixelPoint{0, 1000}));
    }
}

// The text's strokes, each as a polyline of pixels relative to the start pixel.
std::vector<std::vector<PixelPoint>> textStrokes(std::string_view text) {
    RecordingTester t;
    RecordingCanvas canvas;
    LineRenderer r(canvas);
    r.setTester(&t);
    r.drawNumber({0, 0, 0}, text);
    std::vector<std::vector<PixelPoint>> strokes;
    for (const auto& c : t.calls) {
        if (!c.line) strokes.emplace_back();
        strokes.back().push_back({static_cast<int>(c.x), static_cast<int>(c.y)});
    }
    return strokes;
}

TEST(LineRendererTest, StrokeFontDigitsAreDistinctAndAdvance) {
    std::set<std::vector<std::vector<PixelPoint>>> shapes;
    for (char c : std::string_view("0123456789.")) {
        auto strokes = textStrokes(std::string(1, c));
        ASSERT_FALSE(strokes.empty()) << c;
        for (const auto& s : strokes) {
            EXPECT_GE(s.size(), 2u) << c;
            for (PixelPoint p : s) {
                // Up and to the right of the start pixel, clear of a 4x4 marker on it.
                EXPECT_GE(p.x, kTextOffsetX) << c;
                EXPECT_LE(p.y, -kTextOffsetY) << c;
                EXPECT_LT(p.x, kTextOffsetX + glyphAdvance(c)) << c;
            }
        }
        EXPECT_TRUE(shapes.insert(strokes).second) << "digit " << c << " repeats another";
    }
    EXPECT_TRUE(textStrokes("x-y").empty());
    // "4.5": the 4, the dot one advance later, the 5 after the dot's advance; unknown
    // characters take no room.
    auto expected = textStrokes("4");
    for (auto s : textStrokes(".")) {
        for (auto& p : s) p.x += glyphAdvance('4');
        expected.push_back(s);
    }
    for (auto s : textStrokes("5")) {
        for (auto& p : s) p.x += glyphAdvance('4') + glyphAdvance('.');
        expected.push_back(s);
    }
    EXPECT_EQ(textStrokes("4.5"), expected);
    EXPECT_EQ(textStrokes("4a.b5"), expected);
}

TEST(LineRendererTest, NumbersStartAtTheRoundedPixel) {
    Fixture f;
    f.r.setPen(9);
    f.r.drawNumber({10.6f, 20.4f, 0}, "1");
    ASSERT_FALSE(f.canvas.segments.empty());
    auto strokes = textStrokes("1");
    PixelPoint first = strokes[0][0];
    EXPECT_EQ(f.canvas.segments[0].a, (PixelPoint{11 + first.x, 20 + first.y}));
    EXPECT_EQ(f.canvas.segments[0].colour, 9u);
}

TEST(LineRendererTest, PickModeTestsInsteadOfDrawing) {
    Fixture f;
    RecordingTester t;
    f.r.setTester(&t);
    EXPECT_TRUE(f.r.picking());
    f.r.setPen(5);
    const Point3 pts[3] = {{0.25f, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    f.r.drawPolyline(pts, 3, true);
    f.r.beginPrimitive(primitive::kMarkers);
    f.r.vertex({50.5f, 50.5f, 0});
    f.r.endPrimitive();
    f.r.fillRect(0, 0, 10, 10, 1);
    EXPECT_TRUE(f.canvas.segments.empty());
    EXPECT_TRUE(f.canvas.fills.empty());
    EXPECT_TRUE(f.canvas.pens.empty());
    ASSERT_EQ(t.calls.size(), 9u);
    EXPECT_FALSE(t.calls[0].line);
    EXPECT_FLOAT_EQ(t.calls[0].x, 0.25f);  // unrounded
    EXPECT_TRUE(t.calls[3].line);
    EXPECT_FLOAT_EQ(t.calls[3].x, 0.25f);  // the closing line
    EXPECT_FALSE(t.calls[4].line);
    EXPECT_FLOAT_EQ(t.calls[4].x, 48.5f);  // marker corner around the exact point

    // Once the tester is satisfied the rest of the object is skipped.
    RecordingTester stop;
    stop.stopAfter = 1;
    f.r.setTester(&stop);
    f.r.drawPolyline(pts, 3, true);
    f.r.drawNumber({0, 0, 0}, "8");
    EXPECT_EQ(stop.lines(), 1);

    f.r.setTester(nullptr);
    f.r.drawPolyline(pts, 2, false);
    EXPECT_EQ(f.canvas.segments.size(), 1u);
}

TEST(LineRendererTest, FarAndUndefinedPointsAreSafe) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    {
        // A line to a point far beyond int range keeps its direction on screen.
        Fixture f;
        const Point3 pts[2] = {{100, 100, 0}, {1e12f, 2e12f, 0}};
        f.r.drawPolyline(pts, 2, false);
        ASSERT_EQ(f.canvas.segments.size(), 1u);
        const Seg& s = f.canvas.segments[0];
        EXPECT_EQ(s.a, (PixelPoint{100, 100}));
        EXPECT_GT(s.b.y, 1'000'000);
        EXPECT_NEAR(double(s.b.x - 100) / double(s.b.y - 100), 0.5, 1e-4);
    }
    {
        // Entirely out of reach: nothing; undefined points break the polyline.
        Fixture f;
        const Point3 far[2] = {{1e12f, 0, 0}, {2e12f, 0, 0}};
        f.r.drawPolyline(far, 2, false);
        EXPECT_TRUE(f.canvas.segments.empty());
        const Point3 pts[4] = {{0, 0, 0}, {10, 0, 0}, {nan, 0, 0}, {10, 10, 0}};
        f.r.drawPolyline(pts, 4, false);
        EXPECT_EQ(f.canvas.segments, (std::vector<Seg>{seg(0, 0, 10, 0, 0)}));
        f.canvas.clear();
        f.r.beginPrimitive(primitive::kMarkers);
        f.r.vertex({inf, 0, 0});
        f.r.vertex({1e12f, 0, 0});
        f.r.endPrimitive();
        f.r.drawNumber({nan, 0, 0}, "12");
        EXPECT_TRUE(f.canvas.segments.empty());
    }
}

}  // namespace
}  // namespace orv
