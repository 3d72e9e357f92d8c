#include <gtest/gtest.h>

#include <cmath>

#include "view/snapping.h"
#include "view/view_camera.h"

namespace orv {
namespace {

// 801 x 601 pixels at zoom 1: 12 pixels per unit, the world origin at pixel (400, 300).
ViewCamera camera(int direction) {
    ViewCamera c;
    c.direction = direction;
    c.resetView();
    c.setSize(801, 601);
    c.snapStep = 0.5f;
    c.applyCamera();
    return c;
}

void expectPoint(const Point3& got, const Point3& want) {
    EXPECT_NEAR(got.x, want.x, 1e-4f);
    EXPECT_NEAR(got.y, want.y, 1e-4f);
    EXPECT_NEAR(got.z, want.z, 1e-4f);
}

struct Step {
    int x, y;
    Point3 point;
    int lock;
};

// Front view: +X right, +Z up; pixel (400 + 12 X, 300 - 12 Z).
void runDrag(const ViewCamera& cam, SnapState& snap, std::initializer_list<Step> steps) {
    bool first = true;
    for (const Step& s : steps) {
        SnapResult r = snapPointer(cam, snap, s.x, s.y, first ? snapmode::kAnchor : snapmode::kTrack);
        SCOPED_TRACE(testing::Message() << "pointer " << s.x << "," << s.y);
        expectPoint(r.point, s.point);
        EXPECT_EQ(r.lockState, s.lock);
        EXPECT_EQ(snap.lockState, s.lock);
        first = false;
    }
}

TEST(SnapPointer, DragFollowsTheAxisItSetsOffAlong) {
    const ViewCamera cam = camera(viewdir::kFront);
    SnapState snap;
    runDrag(cam, snap, {
        {400, 300, {0, 0, 0}, kNoLock},
        {407, 298, {0.5f, 0, 0}, -(0 + 1)},  // 0.6 right, 0.2 up: X only, not yet decided
        {412, 295, {1.0f, 0, 0}, 0},         // a coarse step twice along X: locked
        {412, 240, {1.0f, 0, 0}, 0},         // going up now stays on X
        {460, 200, {5.0f, 0, 0}, 0},
    });
    runDrag(cam, snap, {
        {400, 300, {0, 0, 0}, kNoLock},      // anchoring clears the lock
        {400, 294, {0, 0, 0.5f}, -(2 + 1)},  // up, undecided
        {402, 294, {0, 0, 0.5f}, -(2 + 1)},
        {403, 294, {0.5f, 0, 0}, -(0 + 1)},  // a tie goes to the right axis
        {401, 270, {0, 0, 2.5f}, 2},
        {500, 270, {0, 0, 2.5f}, 2},
    });
}

TEST(SnapPointer, FineStepsRoundFinerButLockAtTheCoarseDistance) {
    const ViewCamera cam = camera(viewdir::kFront);
    SnapState snap;
    EXPECT_EQ(snap.toggleFine(), snapcmd::kFineSnappingText);
    EXPECT_FLOAT_EQ(currentSnapStep(cam, snap), 0.05f);
    runDrag(cam, snap, {
        {400, 300, {0, 0, 0}, kNoLock},
        {407, 298, {0.6f, 0, 0}, -(0 + 1)},
        {410, 298, {0.85f, 0, 0}, -(0 + 1)},
        {412, 298, {1.0f, 0, 0}, 0},
    });
    EXPECT_EQ(snap.toggleFine(), snapcmd::kCoarseSnappingText);
    EXPECT_FLOAT_EQ(currentSnapStep(cam, snap), 0.5f);
}

TEST(SnapPointer, WorksInTheAxesOfEachView) {
    // Top view: +X right, +Y up, Z out of the screen; the point lies on z = 0.
    const ViewCamera cam = camera(viewdir::kTop);
    SnapState snap;
    SnapResult r = snapPointer(cam, snap, 437, 270, snapmode::kAnchor);
    expectPoint(r.point, {3.0f, 2.5f, 0});
}

TEST(SnapInPlane, KeepsThePointsDepth) {
    const ViewCamera front = camera(viewdir::kFront);
    SnapState snap;
    expectPoint(snapInPlane(front, snap, {1.3f, 4.7f, 2.2f}, 412, 288), {1.0f, 4.7f, 1.0f});
    const ViewCamera top = camera(viewdir::kTop);
    expectPoint(snapInPlane(top, snap, {1.3f, 4.7f, -2.2f}, 412, 288), {1.0f, 1.0f, -2.2f});
}

TEST(SurfacePoint, UnprojectsTheDepthUnderThePointer) {
    const ViewCamera cam = camera(viewdir::kFront);
    const Point3 world{1.25f, 2.0f, 3.0f};
    const Point3 window = cam.project(world);
    int reads = 0;
    DepthImage depth{801, 601, [&](int column, int row) {
                         ++reads;
                         EXPECT_GE(column, 0);
                         EXPECT_LT(column, 801);
                         EXPECT_GE(row, 0);
                         EXPECT_LT(row, 601);
                         return window.z;
                     }};
    auto p = surfacePoint(cam, depth, int(window.x), int(window.y));
    ASSERT_TRUE(p);
    expectPoint(*p, world);
    // Outside the image the nearest pixel is read.
    p = surfacePoint(cam, depth, 5000, -20);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->x, (800 - 400) / 12.0f, 1e-3f);
    EXPECT_NEAR(p->z, 300 / 12.0f, 1e-3f);
    EXPECT_EQ(reads, 2);
    // Nothing captured: no point rather than a read outside the image.
    EXPECT_FALSE(surfacePoint(cam, DepthImage{}, 10, 10));
    EXPECT_FALSE(surfacePoint(cam, DepthImage{0, 0, depth.windowDepth}, 10, 10));
}

TEST(CoordinateStatus, FixedLayout) {
    EXPECT_EQ(coordinateStatus({1, 4.75f, -2}), "    X        1    Y     4.75    Z       -2");
}

}  // namespace
}  // namespace orv
