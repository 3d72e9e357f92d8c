#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/document.h"
#include "model/fixtures.h"
#include "model/objects.h"
#include "ops/dialog_drag.h"
#include "ops/scene.h"
#include "view/view_camera.h"

namespace orv {
namespace {

struct Scene : test::HeadlessScene {
    using HeadlessScene::HeadlessScene;
    size_t previewSegments() const { return view.image().countColour(kCommandFeedbackColour); }
};

void expectNear(const Point3& a, const Point3& b, const std::string& what = {}) {
    EXPECT_NEAR(a.x, b.x, 1e-4) << what;
    EXPECT_NEAR(a.y, b.y, 1e-4) << what;
    EXPECT_NEAR(a.z, b.z, 1e-4) << what;
}

TEST(ScreenGeometry, AnglesAndVectorsFollowTheViewAxesAndSigns) {
    const ViewAxes front = dominantAxes(directionRotation(viewdir::kFront));
    const ViewAxes back = dominantAxes(directionRotation(viewdir::kBack));
    EXPECT_NEAR(screenAngle({0, 0, 2}, front), 90.0, 1e-9);
    EXPECT_NEAR(screenAngle({-2, 0, 0}, front), 180.0, 1e-9);  // never -180
    EXPECT_NEAR(screenAngle({-2, 0, 0}, back), 0.0, 1e-9);     // back: screen right is -X
    EXPECT_NEAR(screenAngle({1, 0, -1}, front), -45.0, 1e-9);
    expectNear(screenPoint(90.0, 2.0, back), {0, 0, 2});
    expectNear(screenPoint(0.0, 2.0, back), {-2, 0, 0});
    // Screen (horizontal, vertical, depth): the front view looks along +Y.
    expectNear(screenToWorld({1, 2, 3}, front), {1, -3, 2});
    expectNear(screenToWorld({1, 2, 3}, back), {-1, 3, 2});
}

// The same pixels in every view give the same dialog values: each screen component is
// signed by its view axis. End minus start is rounded to the snap step.
TEST(ExtendDrag, SetsTheVectorFromTheDragInScreenTerms) {
    struct Case {
        int direction;
        Point3 start, tip;  // world
    };
    const Case cases[] = {
        {viewdir::kFront, {1, 0, 0}, {3.5f, 0, 1}},
        {viewdir::kBack, {-1, 0, 0}, {-3.5f, 0, 1}},
        {viewdir::kRight, {0, 1, 0}, {0, 3.5f, 1}},
        {viewdir::kTop, {1, 0, 0}, {3.5f, 1, 0}},
    };
    for (const Case& c : cases) {
        const std::string what = "view " + std::to_string(c.direction);
        Scene s(c.direction);
        ExtendArgs args;
        args.edits = {1, 0, 7};
        int calls = 0;
        ExtendDragOperation op(s.interaction, args, 8000, [&] { ++calls; });
        openDialogDrag(s.interaction, op);
        EXPECT_EQ(s.interaction.current(), &op);
        // Start at one unit right (snapped), end 3.33 right and 1.17 up: 2.5 and 1.
        s.drag({{412, 300}, {426, 300}, {440, 286}});
        EXPECT_EQ(args.edits, (std::array<double, 3>{2.5, 1.0, 0.0})) << what;
        EXPECT_EQ(calls, 2) << what;
        expectNear(op.startPoint(), c.start, what);
        expectNear(op.arrowTip(), c.tip, what);
        EXPECT_EQ(args.extendNumber, 2) << what;
        closeDialogDrag(s.interaction, op);
    }
}

TEST(ExtendDrag, RightButtonStartsOnTheOriginPlaneUnsnapped) {
    struct Case {
        int button;
        double horizontal;
    };
    // The pointer 0.33 right of the origin and then 2.67: the left button snaps the start
    // to 0.5 (2.17 rounds to 2), the right one keeps it (2.33 rounds to 2.5).
    for (const Case& c : {Case{0, 2.0}, Case{1, 2.5}}) {
        Scene s;
        ExtendArgs args;
        ExtendDragOperation op(s.interaction, args);
        openDialogDrag(s.interaction, op);
        s.drag({{404, 300}, {432, 300}}, c.button);
        EXPECT_EQ(args.edits, (std::array<double, 3>{c.horizontal, 0.0, 0.0})) << c.button;
        // The dialog shows "0", never "-0".
        EXPECT_FALSE(std::signbit(args.edits[1])) << c.button;
    }
}

TEST(ExtendDrag, PolarEntryGetsLengthAndAngle) {
    Scene s;
    ExtendArgs args;
    ASSERT_TRUE(args.setPolar(true));
    ExtendDragOperation op(s.interaction, args);
    openDialogDrag(s.interaction, op);
    s.drag({{400, 300}, {436, 252}});  // 3 right, 4 up
    EXPECT_NEAR(args.edits[0], 5.0, 1e-9);
    EXPECT_NEAR(args.edits[1], std::atan2(4.0, 3.0) * 180.0 / 3.14159265358979, 1e-9);
    EXPECT_EQ(args.edits[2], 0.0);
    expectNear(op.arrowTip(), {3, 0, 4});
}

// While the dialog is open a drag never picks; its arrow is drawn over the views and goes
// with the dialog.
TEST(ExtendDrag, DragsReplacePickingAndThePreviewComesAndGoes) {
    Scene s;
    ModelObject* curve = s.doc.objects().append(test::makeCurve({{-5, 0, 0}, {5, 0, 0}}));
    ExtendArgs args;
    ExtendDragOperation op(s.interaction, args);
    openDialogDrag(s.interaction, op);
    EXPECT_EQ(s.previewSegments(), 3u);  // shaft and two head strokes
    s.drag({{300, 200}, {500, 400}});
    EXPECT_EQ(curve->state, objstate::kNormal);
    EXPECT_FALSE(s.doc.history().canUndo());
    EXPECT_EQ(s.previewSegments(), 3u);
    s.interaction.redrawAllViews();
    EXPECT_EQ(s.previewSegments(), 3u);

    closeDialogDrag(s.interaction, op);
    EXPECT_EQ(s.previewSegments(), 0u);
    EXPECT_EQ(s.interaction.viewOperation(), nullptr);
    // Picking is back.
    s.drag({{300, 200}, {500, 400}});
    EXPECT_EQ(curve->state, objstate::kPicked);
}

TEST(ExtendDrag, AZoomBoxInBetweenHandsBackToTheDialog) {
    Scene s;
    ExtendArgs args;
    {
        ExtendDragOperation op(s.interaction, args);
        openDialogDrag(s.interaction, op);
        s.interaction.runCommand(opcmd::kZoomBox);
        s.drag({{400, 300}, {440, 330}});
        EXPECT_EQ(s.interaction.viewOperation(), &op);
    }
    // A dialog that goes away without closing takes its operation along.
    EXPECT_EQ(s.interaction.viewOperation(), nullptr);
}

// The turned angle, measured about the origin in the view plane from the pressed point.
TEST(RevolveDrag, TheTurnedAngleSetsDegreeNumberAndClockwise) {
    for (int direction : {viewdir::kFront, viewdir::kBack, viewdir::kTop, viewdir::kRight}) {
        const std::string what = "view " + std::to_string(direction);
        Scene s(direction);
        RevolveArgs args;
        args.number = 6;
        args.degree = 60;
        int calls = 0;
        RevolveDragOperation op(s.interaction, args, 8001, [&] { ++calls; });
        openDialogDrag(s.interaction, op);
        // Pressed 5 right of the origin, turned a quarter up, then a quarter down.
        s.send(PointerEvent::Down, 460, 300);
        EXPECT_NEAR(op.startAngle(), 0.0, 1e-9) << what;
        EXPECT_NEAR(op.radius(), 5.0, 0.01) << what;
        s.send(PointerEvent::Move, 400, 240);
        EXPECT_EQ(args.number, 4) << what;
        EXPECT_DOUBLE_EQ(args.degree, 90.0) << what;
        EXPECT_FALSE(args.clockwise) << what;
        s.send(PointerEvent::Move, 400, 360);
        EXPECT_TRUE(args.clockwise) << what;
        EXPECT_DOUBLE_EQ(args.degree, 90.0) << what;
        // Turns of less than a degree leave the values alone.
        s.send(PointerEvent::Move, 460, 299);
        EXPECT_TRUE(args.clockwise) << what;
        s.send(PointerEvent::Up, 460, 299);
        EXPECT_EQ(calls, 2) << what;
    }
}

TEST(RevolveDrag, FullRevolutionRoundsToAWholeNumberOfCopies) {
    struct Case {
        bool full;
        int number;
        double degree;
    };
    // About 100 degrees: 360 / 100 + 0.5 rounds to 4 copies of 90.
    for (const Case& c : {Case{true, 4, 90.0}, Case{false, 2, 99.6}}) {
        Scene s;
        RevolveArgs args;
        args.number = 2;
        args.fullRevolution = c.full;
        RevolveDragOperation op(s.interaction, args);
        openDialogDrag(s.interaction, op);
        s.drag({{460, 300}, {390, 241}});
        EXPECT_EQ(args.number, c.number) << c.full;
        EXPECT_NEAR(args.degree, c.degree, 0.1) << c.full;
    }
}

TEST(RevolveDrag, PreviewShowsOneRayMoreThanCopies) {
    Scene s;
    RevolveArgs args;  // 4 copies of 90 degrees
    RevolveDragOperation op(s.interaction, args);
    openDialogDrag(s.interaction, op);
    // Before any drag the rays take their length from the view.
    EXPECT_EQ(s.previewSegments(), 5u);
    s.drag({{460, 300}, {400, 240}});
    const std::vector<Point3> ends = op.rayEnds(5.0);
    ASSERT_EQ(ends.size(), 5u);
    expectNear(ends[0], {5, 0, 0});
    expectNear(ends[1], {0, 0, 5});
    expectNear(ends[2], {-5, 0, 0});
    expectNear(ends[4], {5, 0, 0});
    // Three copies of 120: four rays.
    s.drag({{460, 300}, {370, 248}});
    EXPECT_EQ(args.number, 3);
    EXPECT_EQ(s.previewSegments(), 4u);
    closeDialogDrag(s.interaction, op);
    EXPECT_EQ(s.previewSegments(), 0u);
}

}  // namespace
}  // namespace orv
