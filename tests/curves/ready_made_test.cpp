#include "curves/ready_made.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "curves/views.h"
#include "kernel/bspline.h"
#include "model/design_file.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv {
namespace {

using namespace testviews;

void expectNear(const Point3& a, const Point3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Screen coordinates of a world point in the front view (horizontal X, vertical Z).
double screenAngleDegrees(const Point3& p) {
    return std::atan2(p.z, p.x) * 180 / std::numbers::pi;
}

TEST(Circle, PassesThroughItsRadius) {
    struct Case {
        int cvs;
        double diameter;
        FirstCv first;
    };
    const Case cases[] = {
        {6, 1.0, FirstCv::Flat},    {6, 1.0, FirstCv::Vertex}, {3, 4.0, FirstCv::Flat},
        {8, 18.0, FirstCv::Vertex}, {48, 2.5, FirstCv::Flat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.cvs) + " CVs, diameter " + std::to_string(c.diameter));
        CircleArgs args;
        args.noOfCvs = c.cvs;
        args.diameter = c.diameter;
        args.firstCv = c.first;
        std::vector<Point3> cvs = circleCvs(frontAxes(), args);
        ASSERT_EQ(static_cast<int>(cvs.size()), c.cvs);
        const double r = c.diameter / 2;
        const double step = 2 * std::numbers::pi / c.cvs;
        for (const Point3& p : cvs) {
            EXPECT_EQ(p.y, 0.0f);  // in the view plane through the origin
            EXPECT_NEAR(length(p), 3 * r / (std::cos(step) + 2), 1e-5 * c.diameter);
        }
        // The curve touches the radius at the CV angles and stays just inside in between.
        PointArray pts = curvePoints(cvs.data(), c.cvs, false, false, true, 8);
        ASSERT_EQ(static_cast<int>(pts.size()), 8 * c.cvs + 1);
        double lo = 1e30, hi = 0;
        for (const Point3& p : pts) {
            lo = std::min<double>(lo, length(p));
            hi = std::max<double>(hi, length(p));
        }
        EXPECT_NEAR(hi, r, 1e-5 * c.diameter);
        EXPECT_GT(lo, (c.cvs == 3 ? 0.8 : 0.99) * r);
        if (c.first == FirstCv::Vertex) {
            EXPECT_NEAR(cvs[0].z, 0.0f, 1e-6);
            EXPECT_GT(cvs[0].x, 0.0f);
        } else {  // the span from the last CV to the first lies flat at the bottom
            EXPECT_NEAR(cvs[0].z, cvs.back().z, 1e-5);
            EXPECT_LT(cvs[0].z, 0.0f);
            EXPECT_NEAR(cvs[0].x, -cvs.back().x, 1e-5);
        }
    }
    CircleArgs six;
    EXPECT_NEAR(length(circleCvs(topAxes(), six)[2]), 0.6, 1e-6);  // 1.5 / (cos 60 + 2)
}

TEST(Polygon, CornersTwiceOnTheUnitCircleOrAroundIt) {
    PolygonArgs square;  // 4 sides, flat
    std::vector<Point3> cvs = polygonCvs(frontAxes(), square);
    const std::vector<Point3> want = {{1, 0, -1}, {1, 0, -1}, {1, 0, 1},   {1, 0, 1},
                                      {-1, 0, 1}, {-1, 0, 1}, {-1, 0, -1}, {-1, 0, -1}};
    ASSERT_EQ(cvs.size(), want.size());
    for (size_t i = 0; i < cvs.size(); ++i) expectNear(cvs[i], want[i]);

    PolygonArgs hex;
    hex.noOfSides = 6;
    hex.firstCv = FirstCv::Vertex;
    cvs = polygonCvs(topAxes(), hex);
    ASSERT_EQ(cvs.size(), 12u);
    expectNear(cvs[0], {1, 0, 0});
    for (size_t i = 0; i < cvs.size(); i += 2) {
        EXPECT_EQ(cvs[i], cvs[i + 1]);
        EXPECT_NEAR(length(cvs[i]), 1.0, 1e-6);
    }
    // With a flat first edge the edge midpoints lie on the unit circle.
    hex.firstCv = FirstCv::Flat;
    cvs = polygonCvs(topAxes(), hex);
    expectNear(0.5f * (cvs[0] + cvs[11]), {0, -1, 0});
}

TEST(Helix, TurnsOnTheScreenAndAdvancesInDepth) {
    HelixArgs args;
    args.radius1 = args.radius2 = 5;
    args.length = 12;
    args.noOfTurns = 2;
    args.cvsPerTurn = 6;
    for (auto turn : {HelixArgs::Turn::AntiClockwise, HelixArgs::Turn::Clockwise}) {
        args.turn = turn;
        std::vector<Point3> cvs = helixCvs(frontAxes(), args);
        ASSERT_EQ(cvs.size(), 13u);
        const double dir = turn == HelixArgs::Turn::Clockwise ? -1 : 1;
        for (int i = 0; i < 13; ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(std::hypot(cvs[i].x, cvs[i].z), 5.0, 1e-5);
            double want = std::remainder(dir * 60.0 * i, 360.0);
            EXPECT_NEAR(std::remainder(screenAngleDegrees(cvs[i]) - want, 360.0), 0.0, 1e-3);
            EXPECT_NEAR(cvs[i].y, -1.0 * i, 1e-5);  // depth is -Y in the front view
        }
    }
    // The initial values: a flat one-turn spiral from radius 0 to 10 with 7 CVs.
    std::vector<Point3> spiral = helixCvs(topAxes(), HelixArgs{});
    ASSERT_EQ(spiral.size(), 7u);
    expectNear(spiral[0], {0, 0, 0});
    expectNear(spiral[3], {-5, 0, 0});
    expectNear(spiral[6], {10, 0, 0}, 1e-4f);
    for (const Point3& p : spiral) EXPECT_EQ(p.z, 0.0f);
}

TEST(Line, TwoUnitsThroughTheOrigin) {
    LineArgs args;
    args.angle = 30;
    std::vector<Point3> cvs = lineCvs(frontAxes(), args);
    ASSERT_EQ(cvs.size(), 2u);
    expectNear(cvs[1], {std::sqrt(3.0f) / 2, 0, 0.5f});
    expectNear(cvs[0], -cvs[1]);
    // The bare axes: the back view's horizontal axis is -X, but its sign is not applied.
    expectNear(lineCvs(backAxes(), LineArgs{})[1], {1, 0, 0});
}

// Each maker adds one picked curve with the fields of a fresh curve, as one undoable step.
TEST(ReadyMadeCurves, AddOneCurveAsOneStep) {
    struct Case {
        const char* name;
        std::function<CurveResult(Document&)> make;
        int cvs;
        bool closed;
    };
    const Case cases[] = {
        {"line", [](Document& d) { return makeLine(d, frontAxes(), {}); }, 2, false},
        {"circle", [](Document& d) { return makeCircle(d, frontAxes(), {}); }, 6, true},
        {"polygon", [](Document& d) { return makePolygon(d, frontAxes(), {}); }, 8, true},
        {"helix", [](Document& d) { return makeHelix(d, frontAxes(), {}); }, 7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        doc.currentLayer = 3;
        const std::vector<uint8_t> empty = designBytes(doc.objects());
        doc.beginStep();
        CurveResult r = c.make(doc);
        ASSERT_NE(r.curve, nullptr);
        EXPECT_EQ(r.error, "");
        ASSERT_EQ(doc.objects().size(), 1u);
        EXPECT_EQ(&doc.objects()[0], r.curve);
        EXPECT_EQ(r.curve->cvCount(), c.cvs);
        EXPECT_EQ(r.curve->closed, c.closed ? 1u : 0u);
        EXPECT_EQ(r.curve->freeStart, 0u);
        EXPECT_EQ(r.curve->freeEnd, 0u);
        EXPECT_EQ(r.curve->resolution, 8u);
        EXPECT_FALSE(r.curve->hideCv);
        EXPECT_EQ(r.curve->state, objstate::kPicked);
        EXPECT_EQ(r.curve->layer, 3);
        for (uint32_t f : r.curve->cvFlags) EXPECT_EQ(f, 0u);
        ASSERT_TRUE(doc.undo());
        EXPECT_EQ(designBytes(doc.objects()), empty);
        EXPECT_FALSE(doc.undo());
    }
}

TEST(ReadyMadeCurves, RefusedArgumentsChangeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Document doc;
    auto refused = [&](const CurveResult& r) {
        EXPECT_EQ(r.curve, nullptr);
        EXPECT_NE(r.error, "");
        EXPECT_TRUE(doc.objects().empty());
    };
    for (int n : {2, 0, -6, 10001}) {
        SCOPED_TRACE(n);
        CircleArgs c;
        c.noOfCvs = n;
        refused(makeCircle(doc, frontAxes(), c));
        PolygonArgs p;
        p.noOfSides = n;
        refused(makePolygon(doc, frontAxes(), p));
    }
    for (double d : {0.0, -2.0, nan}) {
        CircleArgs c;
        c.diameter = d;
        refused(makeCircle(doc, frontAxes(), c));
    }
    LineArgs line;
    line.angle = std::numeric_limits<double>::infinity();
    refused(makeLine(doc, frontAxes(), line));
    HelixArgs h;
    h.length = nan;
    refused(makeHelix(doc, frontAxes(), h));
    h = HelixArgs{};
    h.noOfTurns = 1e6;  // a million turns would be 6 million CVs
    refused(makeHelix(doc, frontAxes(), h));

    // Too short a helix is not an error: there is simply no curve.
    for (double turns : {0.05, 0.0, -3.0}) {
        h = HelixArgs{};
        h.noOfTurns = turns;
        CurveResult r = makeHelix(doc, frontAxes(), h);
        EXPECT_EQ(r.curve, nullptr);
        EXPECT_EQ(r.error, "");
    }
    EXPECT_TRUE(doc.objects().empty());
    h.noOfTurns = 1.0 / 6;  // g = 1: the shortest helix, two CVs
    EXPECT_EQ(helixCvs(frontAxes(), h).size(), 2u);
}

TEST(ReadyMadeCurves, FieldsCarryTheDialogLabels) {
    auto labelsOf = [](const auto& fields) {
        std::vector<std::string> out;
        for (const auto& f : fields) out.push_back(f.label + "=" + f.defaultValue);
        return out;
    };
    EXPECT_EQ(labelsOf(LineArgs::fields()),
              (std::vector<std::string>{"Angle (degree) at horizontal axis =0"}));
    EXPECT_EQ(labelsOf(CircleArgs::fields()),
              (std::vector<std::string>{"No. of CV's:=6", "Diameter=1", "Radius=0.5",
                                        "First CV=Flat", "Vertex=0", "Flat=1"}));
    EXPECT_EQ(labelsOf(PolygonArgs::fields()),
              (std::vector<std::string>{"No. of Sides:=4", "First CV=Flat", "Vertex=0", "Flat=1"}));
    EXPECT_EQ(labelsOf(HelixArgs::fields()),
              (std::vector<std::string>{"Radius 1=0", "Radius 2=10", "Length=0", "No. of turns=1",
                                        "CV's per turn=6", "Anit-clockwise=1", "Clockwise=0"}));

    CircleArgs c;
    EXPECT_EQ(setField(c, "No. of CV's", "8"), "");  // the colon may be left out
    EXPECT_EQ(setField(c, "Radius", "9"), "");
    EXPECT_EQ(c.noOfCvs, 8);
    EXPECT_EQ(c.size, CircleArgs::Size::Radius);
    EXPECT_DOUBLE_EQ(c.diameter, 18.0);  // kept as a diameter
    EXPECT_EQ(setField(c, "First CV", "vertex"), "");
    EXPECT_EQ(c.firstCv, FirstCv::Vertex);
    EXPECT_EQ(setField(c, "Flat", "1"), "");
    EXPECT_EQ(c.firstCv, FirstCv::Flat);
    EXPECT_NE(setField(c, "First CV", "Edge"), "");
    EXPECT_NE(setField(c, "No. of CV's", "8.5"), "");
    EXPECT_EQ(c.noOfCvs, 8);

    HelixArgs h;
    EXPECT_EQ(setField(h, "Clockwise", "1"), "");
    EXPECT_EQ(h.turn, HelixArgs::Turn::Clockwise);
    EXPECT_EQ(setField(h, "Anit-clockwise", "yes"), "");
    EXPECT_EQ(h.turn, HelixArgs::Turn::AntiClockwise);
}

// ---- Sketch ----

std::vector<PixelPoint> straightTrail(int count, int step) {
    std::vector<PixelPoint> t;
    for (int i = 0; i < count; ++i) t.push_back({100 + i * step, 50});
    return t;
}

TEST(Sketch, ThinsTheTrail) {
    struct Case {
        const char* name;
        std::vector<PixelPoint> trail;
        std::vector<int> kept;
    };
    std::vector<PixelPoint> turning = {{0, 0}, {30, 0}, {60, 0}, {90, 0}, {91, 0}, {92, 0}};
    const Case cases[] = {
        // Short steps: every ninth point, and the last.
        {"1-pixel steps", straightTrail(30, 1), {0, 9, 18, 27, 29}},
        // Each 60-pixel step alone walks more than 50 pixels.
        {"60-pixel steps", straightTrail(5, 60), {0, 1, 2, 3, 4}},
        // Squared 30-pixel steps: 900 + 900 stays under 2500, the third step passes it.
        {"summed squares", turning, {0, 3, 5}},
        {"two points", straightTrail(2, 60), {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SketchSelection s = selectSketchPoints(c.trail);
        EXPECT_EQ(s.kept, c.kept);
        EXPECT_FALSE(s.closed);
    }
    EXPECT_TRUE(selectSketchPoints(straightTrail(1, 5)).kept.empty());
    EXPECT_TRUE(selectSketchPoints({}).kept.empty());
}

TEST(Sketch, ClosesWithinEightPixels) {
    auto loop = [](int dx, int dy) {
        std::vector<PixelPoint> t;
        for (int i = 0; i < 40; ++i) t.push_back({10 * i, 0});
        for (int i = 0; i < 40; ++i) t.push_back({400 - 10 * i, 200});
        t.push_back({dx, dy});
        return t;
    };
    struct Case {
        int dx, dy;
        bool closed;
    };
    for (const Case& c : {Case{7, 7, true}, Case{-7, 0, true}, Case{8, 0, false},
                          Case{0, -8, false}, Case{7, 8, false}}) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        std::vector<PixelPoint> t = loop(c.dx, c.dy);
        SketchSelection s = selectSketchPoints(t);
        EXPECT_EQ(s.closed, c.closed);
        // A closed stroke loses its last 8 points; the last one left is kept.
        EXPECT_EQ(s.kept.back(), static_cast<int>(t.size()) - (c.closed ? 9 : 1));
    }
    // Coming back onto its start with too few points to lose leaves nothing.
    EXPECT_TRUE(selectSketchPoints(std::vector<PixelPoint>(9, {5, 5})).kept.empty());
    EXPECT_EQ(selectSketchPoints(std::vector<PixelPoint>(10, {5, 5})).kept,
              (std::vector<int>{0, 1}));
}

TEST(Sketch, StopsAt256Cvs) {
    SketchSelection s = selectSketchPoints(straightTrail(3000, 60));
    ASSERT_EQ(s.kept.size(), 256u);
    EXPECT_EQ(s.kept.back(), 255);
    // Only the first 10000 trail points count, also for closing.
    std::vector<PixelPoint> longTrail(20000, {1000, 1000});
    longTrail[0] = longTrail.back() = {0, 0};
    EXPECT_FALSE(selectSketchPoints(longTrail).closed);
    longTrail[9999] = {3, 3};
    EXPECT_TRUE(selectSketchPoints(longTrail).closed);
}

TEST(Sketch, MakesOneCurveInTheWorld) {
    Document doc;
    std::vector<PixelPoint> trail = straightTrail(20, 1);
    auto toWorld = [](const PixelPoint& p) { return Point3{p.x * 0.5f, 0, p.y * -0.5f}; };
    doc.beginStep();
    CurveResult r = makeSketch(doc, trail, toWorld);
    ASSERT_NE(r.curve, nullptr);
    ASSERT_EQ(r.curve->cvCount(), 4);  // points 0, 9, 18, 19
    EXPECT_EQ(r.curve->cvs[1], (Point3{54.5f, 0, -25}));
    EXPECT_EQ(r.curve->closed, 0u);
    EXPECT_EQ(r.curve->state, objstate::kPicked);

    EXPECT_EQ(makeSketch(doc, straightTrail(1, 1), toWorld).curve, nullptr);
    EXPECT_NE(makeSketch(doc, trail, nullptr).error, "");
    EXPECT_EQ(doc.objects().size(), 1u);
}

}  // namespace
}  // namespace orv
