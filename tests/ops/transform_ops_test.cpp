#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "model/design_file.h"
#include "model/document.h"
#include "model/fixtures.h"
#include "model/layers.h"
#include "model/objects.h"
#include "ops/scene.h"
#include "ops/transform_ops.h"
#include "view/view_camera.h"

namespace orv {
namespace {

using test::makeCurve;

constexpr int kPixelsPerUnit = test::HeadlessScene::kPixelsPerUnit;
constexpr int kStepPixels = test::HeadlessScene::kStepPixels;

struct Scene : test::HeadlessScene {
    using HeadlessScene::add;
    using HeadlessScene::HeadlessScene;

    CurveObject* add(std::vector<Point3> cvs, int state = objstate::kPicked) {
        auto* c = static_cast<CurveObject*>(add(makeCurve(std::move(cvs))));
        c->state = state;
        return c;
    }
    TransformOperation* start(int command) { return startTransformOperation(interaction, command); }
    void sendTo(HeadlessView& target, PointerEvent::Kind kind, int x, int y, int button = 0) {
        send(kind, x, y, button, false, false, &target);
    }
};

void expectNear(const Point3& a, const Point3& b, const std::string& what = {}) {
    EXPECT_NEAR(a.x, b.x, 1e-4) << what;
    EXPECT_NEAR(a.y, b.y, 1e-4) << what;
    EXPECT_NEAR(a.z, b.z, 1e-4) << what;
}

float sinDeg(float d) {
    return std::sin(d * std::numbers::pi_v<float> / 180.0f);
}
float cosDeg(float d) {
    return std::cos(d * std::numbers::pi_v<float> / 180.0f);
}

// Between one and two snap steps right and a little up: the pointer snaps to two steps right
// and one up, and the axis lock keeps only the horizontal part, along whatever world axis the
// view shows there.
TEST(MoveOperation, LeftDragFollowsTheWorldAxisOfScreenRight) {
    struct Case {
        int direction;
        Point3 moved;
    };
    const Case cases[] = {
        {viewdir::kFront, {1, 0, 0}},
        {viewdir::kRight, {0, 1, 0}},
        {viewdir::kTop, {1, 0, 0}},
        {viewdir::kBack, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        Scene s(c.direction);
        CurveObject* curve = s.add({{1, 2, 3}, {4, 5, 6}});
        s.start(xformcmd::kMove);
        s.drag({{400, 300}, {400 + 10, 300 - 4}});
        expectNear(curve->cvs[0], Point3{1, 2, 3} + c.moved, "view " + std::to_string(c.direction));
        expectNear(curve->cvs[1], Point3{4, 5, 6} + c.moved, "view " + std::to_string(c.direction));
    }

    // Until the travel reaches two coarse steps the axis is not final: going back and up
    // three steps picks the vertical axis instead.
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}, {1, 0, 0}});
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {407, 298}, {400, 300 - 3 * kStepPixels}});
    expectNear(curve->cvs[0], {0, 0, 1.5f});
}

TEST(MoveOperation, ALockedAxisHoldsForTheRestOfTheDrag) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}, {1, 0, 0}});
    s.start(xformcmd::kMove);
    // Three steps right lock X; the pointer then wanders far up and a little left.
    s.drag({{400, 300},
            {400 + 3 * kStepPixels, 300},
            {400 + 2 * kStepPixels, 300 - 10 * kStepPixels}});
    expectNear(curve->cvs[0], {1.0f, 0, 0});
    EXPECT_EQ(s.status(), "<World Origin> Moving...   X 1   Y 0   Z 0    <--    X 1   Y 0   Z 0");
}

TEST(MoveOperation, RightDragMovesFreelyInTheScreenPlane) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}, {1, 0, 0}});
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {400 + 3 * kStepPixels, 300 - 2 * kStepPixels}}, 1);
    expectNear(curve->cvs[0], {1.5f, 0, 1.0f});
}

TEST(MoveOperation, UndoTakesBackTheLastDragAndRestartsTheTotal) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}, {1, 0, 0}});
    s.start(xformcmd::kMove);
    for (int i = 0; i < 3; ++i) s.drag({{400, 300}, {400 + 2 * kStepPixels, 300}});
    expectNear(curve->cvs[0], {3, 0, 0});
    EXPECT_EQ(s.status(), "<World Origin> Moving...   X 3   Y 0   Z 0    <--    X 1   Y 0   Z 0");

    s.interaction.undo();
    expectNear(curve->cvs[0], {2, 0, 0});
    EXPECT_EQ(s.interaction.defaultOperation()->commandId(), xformcmd::kMove);

    // The next drag's total leaves out everything before the undo.
    s.drag({{400, 300}, {400 + 4 * kStepPixels, 300}});
    expectNear(curve->cvs[0], {4, 0, 0});
    EXPECT_EQ(s.status(), "<World Origin> Moving...   X 2   Y 0   Z 0    <--    X 2   Y 0   Z 0");
}

// A click is a drag without moves: it must not count the drag before it a second time.
TEST(MoveOperation, AClickAddsNothingToTheTotal) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}});
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {412, 300}});
    s.drag({{400, 300}});
    s.drag({{400, 300}, {412, 300}});
    expectNear(curve->cvs[0], {2, 0, 0});
    EXPECT_EQ(s.status(), "<World Origin> Moving...   X 2   Y 0   Z 0    <--    X 1   Y 0   Z 0");
}

TEST(MoveOperation, OneDragIsOneUndoStepRestoringTheBytes) {
    Scene s;
    s.add({{0, 0, 0}, {1, 2, 3}, {4, 0, 1}});
    s.add({{-1, 0, 0}, {-2, 0, 5}}, objstate::kNormal);
    const auto before = designBytes(s.doc.objects());
    s.start(xformcmd::kMove);
    // Many moves, back and forth: each re-applies the drag's total to the state at its start.
    s.drag({{400, 300}, {412, 300}, {430, 300}, {418, 300}, {436, 300}, {436, 280}});
    const auto after = designBytes(s.doc.objects());
    ASSERT_NE(after, before);

    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(designBytes(s.doc.objects()), before);
    EXPECT_FALSE(s.doc.undo());
    ASSERT_TRUE(s.doc.redo());
    EXPECT_EQ(designBytes(s.doc.objects()), after);
}

// A drag that comes back to where it started leaves no step: the next Undo must reach the
// drag before it, not an empty step.
TEST(MoveOperation, ADragBackToItsStartLeavesNoStep) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}, {1, 0, 0}});
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {412, 300}});
    s.drag({{400, 300}, {424, 300}, {400, 300}});
    expectNear(curve->cvs[0], {1, 0, 0});
    s.interaction.undo();
    expectNear(curve->cvs[0], {0, 0, 0});
    // And with nothing left the user is told.
    s.interaction.undo();
    EXPECT_EQ(s.platform.messages, std::vector<std::string>{"#10020"});
}

TEST(MoveOperation, PickedCvsOfUnselectedCurvesMoveAlone) {
    Scene s;
    LayerTable layers;
    layers.at(4).pickable = false;
    s.interaction.setLayers(&layers);
    CurveObject* partly = s.add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, objstate::kNormal);
    partly->cvFlags = {0, 1, 1, 0};
    CurveObject* untouched = s.add({{0, 0, 1}, {1, 0, 1}}, objstate::kNormal);
    // Objects the user can neither see nor pick stay where they are.
    CurveObject* locked = s.add({{0, 0, 2}, {1, 0, 2}});
    locked->layer = 4;
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {400, 300 - 4 * kStepPixels}});
    expectNear(partly->cvs[0], {0, 0, 0});
    expectNear(partly->cvs[1], {1, 0, 2});
    expectNear(partly->cvs[2], {2, 0, 2});
    expectNear(partly->cvs[3], {3, 0, 0});
    EXPECT_EQ(partly->state, objstate::kNormal);
    expectNear(untouched->cvs[0], {0, 0, 1});
    expectNear(locked->cvs[0], {0, 0, 2});
}

// While a wire-mode drag runs, the objects are drawn again where they are going, in the pick
// colour, over the clean scene that still shows them where they were.
TEST(MoveOperation, FeedbackDrawsTheMovingObjectsOverTheCleanScene) {
    Scene s;
    s.view.camera().renderMode = rendermode::kQuickWire;
    s.add({{-2, 0, 3}, {0, 0, 3}, {2, 0, 3}});  // pixel row 264
    s.start(xformcmd::kMove);
    s.interaction.redrawAllViews();
    const uint32_t pick = DisplayColours{}.pick;
    auto rowsInPick = [&](int row) {
        int n = 0;
        for (const auto& seg : s.view.image().segments)
            if (seg.colour == pick && seg.a.y == row && seg.b.y == row) ++n;
        return n;
    };
    ASSERT_GT(rowsInPick(264), 0);
    const PixelPoint from = Scene::at(0, 3), to = Scene::at(0, 5);
    s.send(PointerEvent::Down, from.x, from.y);
    s.send(PointerEvent::Move, to.x, to.y);
    EXPECT_GT(rowsInPick(240), 0);                                      // the feedback
    EXPECT_GT(rowsInPick(264), 0);                                      // the clean scene
    EXPECT_GT(s.view.image().countColour(kDefaultFeedbackColour), 0u);  // markers and line
    s.send(PointerEvent::Up, to.x, to.y);
    EXPECT_GT(rowsInPick(240), 0);
    EXPECT_EQ(rowsInPick(264), 0);
    EXPECT_EQ(s.view.image().countColour(kDefaultFeedbackColour), 0u);
}

TEST(SizeOperation, AnAnchorOnTheOriginPlaneOfTheLockedAxisDoesNothing) {
    struct Case {
        const char* what;
        Point3 anchor;  // front view: x and z
        int dx, dy;     // pointer travel in snap steps
        Point3 cv;      // where CV (1, 0, 1) ends up
    };
    const Case cases[] = {
        {"anchor at the origin", {0, 0, 0}, 4, 0, {1, 0, 1}},
        {"on the X plane, dragged along X", {0, 0, 2}, 4, 0, {1, 0, 1}},
        {"off the plane", {2, 0, 0}, 4, 0, {2, 0, 2}},
        {"on the Z plane, dragged along Z", {2, 0, 0}, 0, -4, {1, 0, 1}},
    };
    for (const Case& c : cases) {
        Scene s;
        CurveObject* curve = s.add({{1, 0, 1}, {1, 0, 1}});
        s.start(xformcmd::kSize);
        const auto before = designBytes(s.doc.objects());
        const PixelPoint a = Scene::at(c.anchor.x, c.anchor.z);
        s.drag({a, {a.x + c.dx * kStepPixels, a.y + c.dy * kStepPixels}});
        expectNear(curve->cvs[0], c.cv, c.what);
        if (c.cv == Point3{1, 0, 1}) {
            EXPECT_EQ(designBytes(s.doc.objects()), before) << c.what;
            EXPECT_FALSE(s.doc.history().canUndo()) << c.what;
        }
    }
}

TEST(SizeOperation, ScalesAboutTheWorldOriginOrEachObjectsAxis) {
    struct Case {
        bool objectAxis;
        Point3 low, high;
    };
    const Case cases[] = {
        {false, {8, 0, 0}, {12, 0, 0}},
        {true, {3, 0, 0}, {7, 0, 0}},
    };
    for (const Case& c : cases) {
        Scene s;
        CurveObject* curve = s.add({{4, 0, 0}, {6, 0, 0}});
        curve->axisFrame = Matrix4::translation(5, 0, 0);
        if (c.objectAxis) s.interaction.runCommand(xformcmd::kObjectAxis);
        TransformOperation* op = s.start(xformcmd::kSize);
        EXPECT_EQ(s.status(), c.objectAxis ? "<Object Axis> Sizing" : "<World Origin> Sizing");
        EXPECT_EQ(op->frameMode, c.objectAxis ? framemode::kObjectAxis : framemode::kWorldOrigin);
        // Uniform: the anchor 2 from the origin is dragged to 4.
        s.drag({Scene::at(2, 0), Scene::at(4, 0)});
        expectNear(curve->cvs[0], c.low);
        expectNear(curve->cvs[1], c.high);
        EXPECT_EQ(s.status(), std::string("<") + (c.objectAxis ? "Object Axis" : "World Origin") +
                                  "> Sizing...   X 2   Y 2   Z 2    <--    X 2   Y 2   Z 2");
    }

    // A right drag scales one axis; the totals multiply from drag to drag.
    Scene s;
    CurveObject* curve = s.add({{2, 0, 2}, {1, 0, 1}});
    s.start(xformcmd::kSize);
    s.drag({Scene::at(0, 2), Scene::at(0, 4)}, 1);
    expectNear(curve->cvs[0], {2, 0, 4});
    s.drag({Scene::at(0, 2), Scene::at(0, 3)}, 1);
    expectNear(curve->cvs[0], {2, 0, 6});
    EXPECT_EQ(s.status(), "<World Origin> Sizing...   X 1   Y 1   Z 3    <--    X 1   Y 1   Z 1.5");
}

TEST(SizeOperation, DraggingOntoThePlaneNeverFlattensTheSelection) {
    Scene s;
    CurveObject* curve = s.add({{1, 0, 1}, {3, 0, 2}});
    s.start(xformcmd::kSize);
    s.drag({Scene::at(2, 0), Scene::at(3, 0), Scene::at(0, 0)});
    // The last factor that could be used, 1.5, stays.
    expectNear(curve->cvs[0], {1.5f, 0, 1.5f});
}

// Half a degree per snap step of pointer travel.
TEST(FlipOperation, AnglesAndStatusTexts) {
    Scene s;
    CurveObject* curve = s.add({{10, 0, 0}, {0, 0, 10}});
    TransformOperation* op = s.start(xformcmd::kFlip);
    EXPECT_EQ(s.status(), "<World Origin> Flipping");

    // Dragging right turns about the screen's vertical axis, world Z in the front view.
    s.drag({{400, 300}, {400 + 4 * kStepPixels, 300}});
    expectNear(curve->cvs[0], {10 * cosDeg(2), 10 * sinDeg(2), 0});
    EXPECT_EQ(s.status(), "<World Origin> Flipping...   Z   2    <--    2");
    s.drag({{400, 300}, {400 + 4 * kStepPixels, 300}});
    expectNear(curve->cvs[0], {10 * cosDeg(4), 10 * sinDeg(4), 0});
    EXPECT_EQ(s.status(), "<World Origin> Flipping...   Z   4    <--    2");

    // Dragging up turns about X; the total starts again with the new axis.
    s.drag({{400, 300}, {400, 300 - 6 * kStepPixels}});
    expectNear(curve->cvs[1], {0, 10 * sinDeg(3), 10 * cosDeg(3)});
    EXPECT_EQ(s.status(), "<World Origin> Flipping...   X   -3    <--    -3");

    // A right drag turns about both screen-plane axes at once.
    s.drag({{400, 300}, {400 + 4 * kStepPixels, 300 - 2 * kStepPixels}}, 1);
    EXPECT_EQ(s.status(), "<World Origin> Flipping...   X  -1   Z  2");
    // A turn of nothing shows as 0, not "-0".
    s.drag({{400, 300}, {400 + 4 * kStepPixels, 300}}, 1);
    EXPECT_EQ(s.status(), "<World Origin> Flipping...   X  0   Z  2");
    EXPECT_EQ(op->dragState, TransformOperation::kIdle);
}

TEST(RollOperation, TurnsLikeAWheelUnderThePointer) {
    struct Case {
        const char* what;
        float anchorX, anchorZ;
        int dx, dy;  // snap steps
        float degrees;
    };
    const Case cases[] = {
        {"above the origin, dragged right", 0, 5, 4, 0, 2},
        {"below the origin, dragged right", 0, -5, 4, 0, -2},
        {"left of the origin, dragged up", -5, 0, 0, -6, 3},
        {"right of the origin, dragged up", 5, 0, 0, -6, -3},
    };
    for (const Case& c : cases) {
        Scene s;
        CurveObject* curve = s.add({{0, 0, 10}, {10, 0, 0}});
        s.start(xformcmd::kRoll);
        const PixelPoint a = Scene::at(c.anchorX, c.anchorZ);
        s.drag({a, {a.x + c.dx * kStepPixels, a.y + c.dy * kStepPixels}});
        // About Y, the front view's depth axis: Z turns toward X.
        expectNear(curve->cvs[0], {10 * sinDeg(c.degrees), 0, 10 * cosDeg(c.degrees)}, c.what);
        char expected[128];
        std::snprintf(expected, sizeof expected, "<World Origin> Rolling...   Y   %g    <--    %g",
                      double(c.degrees), double(c.degrees));
        EXPECT_EQ(s.status(), expected) << c.what;
    }

    Scene s;
    s.add({{0, 0, 10}});
    s.start(xformcmd::kRoll);
    s.drag({Scene::at(0, 5), Scene::at(2, 5)});
    s.drag({Scene::at(0, 5), Scene::at(2, 5)});
    EXPECT_EQ(s.status(), "<World Origin> Rolling...   Y   4    <--    2");
}

TEST(ObjectAxis, TogglingFollowsIntoTheRunningOperation) {
    Scene s;
    CurveObject* curve = s.add({{4, 0, 0}, {6, 0, 0}});
    curve->axisFrame = Matrix4::translation(5, 0, 0);
    TransformOperation* op = s.start(xformcmd::kSize);
    EXPECT_FALSE(s.doc.objectAxisMode);

    ASSERT_TRUE(s.interaction.runCommand(xformcmd::kObjectAxis));
    EXPECT_EQ(s.interaction.defaultOperation(), op);  // still running
    EXPECT_EQ(op->frameMode, framemode::kObjectAxis);
    EXPECT_EQ(s.interaction.frameModeSetting, framemode::kObjectAxisSetting);
    EXPECT_TRUE(s.doc.objectAxisMode);  // the quarter turns agree
    EXPECT_EQ(s.status(), "<Object Axis> Sizing");
    s.drag({Scene::at(2, 0), Scene::at(4, 0)});
    expectNear(curve->cvs[0], {3, 0, 0});

    ASSERT_TRUE(s.interaction.runCommand(xformcmd::kObjectAxis));
    EXPECT_EQ(op->frameMode, framemode::kWorldOrigin);
    EXPECT_FALSE(s.doc.objectAxisMode);
    EXPECT_EQ(s.status(), "<World Origin> Sizing");

    // A new operation takes the setting as it is.
    s.interaction.runCommand(xformcmd::kObjectAxis);
    EXPECT_EQ(s.start(xformcmd::kRoll)->frameMode, framemode::kObjectAxis);
    EXPECT_EQ(s.status(), "<Object Axis> Rolling");
}

TEST(TransformCommands, StartingEndsTheRunningCommand) {
    Scene s;
    s.interaction.installCommand(
        std::make_unique<PickOperation>(s.interaction, PickOperation::Mode::Cvs));
    TransformOperation* op = s.start(xformcmd::kMove);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(s.interaction.commandOperation(), nullptr);
    EXPECT_EQ(s.interaction.current(), op);
    EXPECT_EQ(s.status(), "<World Origin> Moving");
    EXPECT_EQ(s.start(7000), nullptr);
    EXPECT_EQ(s.interaction.current(), op);
}

// Undo during a drag would take back the drag's own open step, and the next move would then
// take back the user's previous action too.
TEST(TransformCommands, UndoWaitsForTheDragToEnd) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}});
    s.start(xformcmd::kMove);
    s.drag({{400, 300}, {412, 300}});
    s.send(PointerEvent::Down, 400, 300);
    s.send(PointerEvent::Move, 424, 300);
    s.interaction.undo();
    s.send(PointerEvent::Move, 436, 300);
    s.send(PointerEvent::Up, 436, 300);
    expectNear(curve->cvs[0], {4, 0, 0});
    s.interaction.undo();
    expectNear(curve->cvs[0], {1, 0, 0});
}

// A view closed in the middle of a drag never sends its release; the next press elsewhere
// must still start a drag.
TEST(TransformCommands, AViewClosedMidDragDoesNotJamTheOperation) {
    Scene s;
    CurveObject* curve = s.add({{0, 0, 0}});
    s.start(xformcmd::kMove);
    {
        HeadlessView top(&s.doc, viewdir::kTop, 801, 601);
        s.platform.views.push_back(&top);
        s.sendTo(top, PointerEvent::Down, 400, 300);
        s.sendTo(top, PointerEvent::Move, 412, 300);
        s.interaction.viewClosed(top);
        s.platform.views.pop_back();
    }
    expectNear(curve->cvs[0], {1, 0, 0});
    s.drag({{400, 300}, {400, 300 - 2 * kStepPixels}});
    expectNear(curve->cvs[0], {1, 0, 1});
    // Each drag is still its own step.
    s.interaction.undo();
    expectNear(curve->cvs[0], {1, 0, 0});
}

}  // namespace
}  // namespace orv
