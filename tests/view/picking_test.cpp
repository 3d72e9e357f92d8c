#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/document.h"
#include "model/fixtures.h"
#include "model/layers.h"
#include "model/objects.h"
#include "view/picking.h"
#include "view/view_camera.h"

namespace orv {
namespace {

using test::makeCurve;

std::unique_ptr<CurveObject> line(Point3 a, Point3 b, int cvs = 4) {
    std::vector<Point3> pts;
    for (int i = 0; i < cvs; ++i) pts.push_back(a + (b - a) * (float(i) / float(cvs - 1)));
    return makeCurve(pts);
}

TEST(PointInPolygon, EvenOddWithHalfOpenEdges) {
    const std::vector<PixelF> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    // A "U": the notch between x 4 and 6 reaches down to y 2.
    const std::vector<PixelF> u = {{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 2}, {4, 2}, {4, 10}, {0, 10}};
    struct Case {
        const std::vector<PixelF>* polygon;
        float x, y;
        bool inside;
    } cases[] = {
        {&square, 5, 5, true},   {&square, -1, 5, false}, {&square, 11, 5, false},
        {&square, 5, 0, true},   // lower edge y included
        {&square, 5, 10, false}, // upper edge y excluded
        {&u, 2, 8, true},        {&u, 5, 8, false},       {&u, 5, 1, true},
        {&u, 8, 8, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pointInPolygon(*c.polygon, c.x, c.y), c.inside) << c.x << "," << c.y;
    EXPECT_FALSE(pointInPolygon(std::vector<PixelF>{{0, 0}, {10, 10}}, 5, 5));
}

TEST(PickTester, SegmentsAgainstRectangle) {
    // Rectangle 10..20 x 10..20, inclusive.
    struct Case {
        float x0, y0, x1, y1;
        bool hit;
        const char* what;
    } cases[] = {
        {0, 15, 30, 15, true, "straight across"},
        {0, 0, 30, 30, true, "diagonal through both corners"},
        {0, 25, 5, 0, false, "entirely to the left"},
        {0, 0, 30, 0, false, "entirely above"},
        {15, 15, 40, 40, true, "starts inside"},
        {0, 12, 12, 0, false, "cuts past the top left corner outside"},
        {0, 20, 20, 0, true, "cuts through the top left half"},
        {0, 0, 10, 5, false, "ends short of the rectangle"},
        {20, 20, 20, 20, true, "a point on the corner"},
    };
    for (const Case& c : cases) {
        PickTester t;
        t.beginRect(10, 10, 20, 20);
        CurveObject dummy;
        t.registerObject(&dummy);
        t.moveTo(c.x0, c.y0);
        t.lineTo(c.x1, c.y1);
        EXPECT_EQ(t.endPick(), c.hit ? 1 : 0) << c.what;
    }
}

TEST(PickTester, RecordsEachObjectOnceInDrawingOrder) {
    PickTester t;
    t.beginPoint(100, 100, 2);
    CurveObject a, b;
    t.registerObject(&a);
    t.moveTo(90, 100);
    t.lineTo(110, 100);
    EXPECT_TRUE(t.satisfied());
    t.lineTo(90, 100);
    t.registerObject(&b);
    EXPECT_FALSE(t.satisfied());
    t.moveTo(100, 90);
    t.lineTo(100, 110);
    ASSERT_EQ(t.endPick(), 2);
    EXPECT_EQ(t.hitAt(0), &a);
    EXPECT_EQ(t.hitAt(1), &b);
    EXPECT_EQ(t.hitAt(2), nullptr);
}

TEST(PickTester, LassoNeedsTheSegmentInsideOrCrossingIt) {
    // A triangle whose bounding box is 0..40 x 0..40; its inside is the lower left half.
    const std::vector<PixelF> tri = {{0, 0}, {0, 40}, {40, 40}};
    auto hits = [&](float x0, float y0, float x1, float y1) {
        PickTester t;
        t.beginPolygon(tri, 2);
        CurveObject o;
        t.registerObject(&o);
        t.moveTo(x0, y0);
        t.lineTo(x1, y1);
        return t.endPick() == 1;
    };
    EXPECT_TRUE(hits(5, 30, 10, 35));    // inside
    EXPECT_FALSE(hits(30, 5, 35, 10));   // in the box, outside the triangle
    EXPECT_TRUE(hits(30, 5, 5, 30));     // crosses the long edge
    EXPECT_FALSE(hits(60, 60, 70, 70));  // outside the box

    // Too small to be a lasso: the click square around its centre.
    PickTester t;
    t.beginPolygon(std::vector<PixelF>{{50, 50}, {51, 50}, {51, 52}}, 2);
    EXPECT_FALSE(t.usesPolygon());
    EXPECT_EQ(t.left(), 48);
    EXPECT_EQ(t.right(), 52);
}

TEST(PickObjectAt, LastHitAndBooleanChildren) {
    Document doc;
    LayerTable layers;
    ViewCamera cam;
    cam.direction = viewdir::kFront;
    cam.resetView();
    cam.setSize(801, 601);
    PickSettings settings;
    ModelObject* a = doc.objects().append(line({-9, 0, 0}, {9, 0, 0}));
    ModelObject* b = doc.objects().append(line({-9, 0, -9}, {9, 0, 9}));
    EXPECT_EQ(pickObjectAt(cam, doc.objects(), layers, settings, 400, 300, kPickAnyClass), b);
    EXPECT_EQ(pickObjectAt(cam, doc.objects(), layers, settings, 700, 100, kPickAnyClass), nullptr);
    (void)a;

    auto inner = std::make_unique<BooleanObject>();
    inner->operation = kUnion;
    ModelObject* deep = inner->children.append(line({-9, 0, 5}, {9, 0, 5}));
    auto outer = std::make_unique<BooleanObject>();
    outer->operation = kUnion;
    ModelObject* shallow = outer->children.append(line({-9, 0, -5}, {9, 0, -5}));
    outer->children.append(std::move(inner));
    EXPECT_EQ(pickChildAt(*outer, cam, layers, settings, 400, 240, kClassCurve), deep);
    EXPECT_EQ(pickChildAt(*outer, cam, layers, settings, 400, 360, kClassCurve), shallow);
    EXPECT_EQ(pickChildAt(*outer, cam, layers, settings, 400, 360, kClassSurface), nullptr);
}


TEST(CvPicking, ReachesIntoBooleansAndRecordsOnlyWhatChanges) {
    ViewCamera cam;
    cam.direction = viewdir::kFront;
    cam.resetView();
    cam.setSize(801, 601);
    cam.applyCamera();
    LayerTable layers;
    layers.at(4).pickable = false;
    ObjectList objects;
    // CVs at pixels x 388 and 412 on y 300.
    auto b = std::make_unique<BooleanObject>();
    auto* child = static_cast<CurveObject*>(b->children.append(line({-1, 0, 0}, {1, 0, 0}, 2)));
    auto* hiddenChild = static_cast<CurveObject*>(b->children.append(line({-1, 0, 0}, {1, 0, 0}, 2)));
    hiddenChild->state = objstate::kHidden;
    ModelObject* boolean = objects.append(std::move(b));
    auto* locked = static_cast<CurveObject*>(objects.append(line({-1, 0, 0}, {1, 0, 0}, 2)));
    locked->layer = 4;
    auto* elsewhere = static_cast<CurveObject*>(objects.append(line({5, 0, 5}, {6, 0, 5}, 2)));

    std::vector<ModelObject*> recorded;
    auto record = [&](ModelObject& o) { recorded.push_back(&o); };
    auto leftHalf = [](float x, float y) { return x < 400 && y > 290 && y < 310; };
    EXPECT_EQ(toggleCvsIn(objects, layers, cam, leftHalf, record), 1);
    EXPECT_EQ(recorded, std::vector<ModelObject*>{boolean});
    EXPECT_EQ(child->cvFlags, (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(hiddenChild->cvFlags, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(locked->cvFlags, (std::vector<uint32_t>{0, 0}));

    elsewhere->hideCv = true;
    elsewhere->cvFlags = {1, 1};  // set by an earlier program; still cleared
    recorded.clear();
    EXPECT_EQ(clearCvFlags(objects, record), 2);
    EXPECT_EQ(recorded, (std::vector<ModelObject*>{boolean, elsewhere}));
    EXPECT_EQ(child->cvFlags, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(elsewhere->cvFlags, (std::vector<uint32_t>{0, 0}));
}

}  // namespace
}  // namespace orv
