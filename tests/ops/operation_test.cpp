#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/document.h"
#include "model/fixtures.h"
#include "model/layers.h"
#include "model/objects.h"
#include "ops/operation.h"
#include "ops/scene.h"
#include "view/picking.h"
#include "view/snapping.h"
#include "view/view_camera.h"

namespace orv {
namespace {

using test::makeCurve;

struct Scene : test::HeadlessScene {
    // Shift and Ctrl first: most of these tests hold a key rather than another button.
    void send(PointerEvent::Kind kind, int x, int y, bool shift = false, bool ctrl = false,
              int button = 0) {
        HeadlessScene::send(kind, x, y, button, shift, ctrl);
    }
    void click(int x, int y, bool shift = false) {
        send(PointerEvent::Down, x, y, shift);
        send(PointerEvent::Up, x, y, shift);
    }
    void drag(const std::vector<PixelPoint>& path, bool shift = false, bool ctrl = false) {
        HeadlessScene::drag(path, 0, shift, ctrl);
    }
};

std::unique_ptr<CurveObject> line(Point3 a, Point3 b, int cvs = 4) {
    std::vector<Point3> pts;
    for (int i = 0; i < cvs; ++i) pts.push_back(a + (b - a) * (float(i) / float(cvs - 1)));
    return makeCurve(pts);
}

TEST(PickOperation, ClickWhereCurvesCrossTogglesTheLaterOneOnly) {
    Scene s;
    ModelObject* flat = s.add(line({-9, 0, 0}, {9, 0, 0}));
    ModelObject* diagonal = s.add(line({-9, 0, -9}, {9, 0, 9}));
    s.click(400, 300);
    EXPECT_EQ(flat->state, objstate::kNormal);
    EXPECT_EQ(diagonal->state, objstate::kPicked);
    EXPECT_EQ(s.platform.statuses.back(), "#10040 (1 #10138)");
    s.click(400, 300);
    EXPECT_EQ(diagonal->state, objstate::kNormal);

    // A click in empty space keeps the selection and leaves no undo step behind.
    s.click(400, 300);
    int steps = 0;
    while (s.doc.undo()) ++steps;
    EXPECT_EQ(steps, 3);
}

TEST(PickOperation, ZeroHeightRectangleTogglesEverythingOnItsLine) {
    Scene s;
    // Without CVs and their numbers, so only the curves themselves are near the line.
    s.view.camera().renderMode = rendermode::kQuickWire;
    std::vector<ModelObject*> verticals;
    for (float x : {-5.0f, 0.0f, 5.0f})
        verticals.push_back(s.add(line({x, 0, -10}, {x, 0, 10}, 3)));
    // Two pixels below the drag line (y 331): reached only through the widening.
    ModelObject* near = s.add(line({-1, 0, -31.0f / 12}, {1, 0, -31.0f / 12}));
    // Three pixels below: out of reach.
    ModelObject* far = s.add(line({-1, 0, -33.0f / 12}, {1, 0, -33.0f / 12}));
    s.drag({{300, 330}, {420, 330}, {500, 330}});
    for (ModelObject* o : verticals) EXPECT_EQ(o->state, objstate::kPicked);
    EXPECT_EQ(near->state, objstate::kPicked);
    EXPECT_EQ(far->state, objstate::kNormal);

    // The whole gesture is one step.
    ASSERT_TRUE(s.doc.undo());
    for (ModelObject* o : verticals) EXPECT_EQ(o->state, objstate::kNormal);
    EXPECT_EQ(near->state, objstate::kNormal);
    EXPECT_FALSE(s.doc.undo());
}

TEST(PickOperation, HiddenLockedAndDeletedObjectsAreNeverHit) {
    Scene s;
    LayerTable layers;
    layers.at(3).pickable = false;
    s.interaction.setLayers(&layers);
    ModelObject* locked = s.add(line({-9, 0, 0}, {9, 0, 0}));
    locked->layer = 3;
    ModelObject* hidden = s.add(line({-9, 0, 0}, {9, 0, 0}));
    hidden->state = objstate::kHidden;
    ModelObject* deleted = s.add(line({-9, 0, 0}, {9, 0, 0}));
    deleted->state = -1;
    s.drag({{300, 250}, {500, 350}});
    EXPECT_EQ(locked->state, objstate::kNormal);
    EXPECT_EQ(hidden->state, objstate::kHidden);
    EXPECT_EQ(deleted->state, -1);
    EXPECT_FALSE(s.doc.history().canUndo());
}

TEST(PickOperation, ShiftCtrlLassoTogglesExactlyTheCvsInside) {
    Scene s;
    // CVs at pixels x 352, 376, 400, 424, 448 on y 300.
    auto* curve = static_cast<CurveObject*>(s.add(line({-4, 0, 0}, {4, 0, 0}, 5)));
    auto* picked = static_cast<CurveObject*>(s.add(line({-1, 0, 0}, {1, 0, 0}, 2)));
    picked->state = objstate::kPicked;
    auto* hiddenCvs = static_cast<CurveObject*>(s.add(line({-1, 0, 0}, {1, 0, 0}, 2)));
    hiddenCvs->hideCv = true;
    // Around the CVs at 376 and 400 only.
    s.drag({{365, 290}, {410, 290}, {410, 311}, {365, 311}, {366, 291}}, true, true);
    EXPECT_EQ(curve->cvFlags, (std::vector<uint32_t>{0, 1, 1, 0, 0}));
    EXPECT_EQ(picked->cvFlags, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(hiddenCvs->cvFlags, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(curve->state, objstate::kNormal);

    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(curve->cvFlags, (std::vector<uint32_t>{0, 0, 0, 0, 0}));
    EXPECT_FALSE(s.doc.undo());
}

TEST(PickOperation, LassoOfObjectsAndDegenerateLassos) {
    Scene s;
    ModelObject* inside = s.add(line({-1, 0, 0}, {1, 0, 0}));   // pixels 388..412
    ModelObject* outside = s.add(line({-1, 0, 6}, {1, 0, 6}));  // y 228, above the lasso
    s.drag({{380, 320}, {420, 320}, {420, 280}, {380, 280}}, false, true);
    EXPECT_EQ(inside->state, objstate::kPicked);
    EXPECT_EQ(outside->state, objstate::kNormal);

    // A Ctrl click makes a one-vertex lasso: nothing happens.
    s.drag({{400, 300}}, false, true);
    EXPECT_EQ(inside->state, objstate::kPicked);
    // Moves of less than 2 pixels add no vertex.
    s.send(PointerEvent::Down, 400, 300, false, true);
    s.send(PointerEvent::Move, 401, 301, false, true);
    auto* op = static_cast<PickOperation*>(s.interaction.defaultOperation());
    EXPECT_EQ(op->lasso().size(), 1u);
    s.send(PointerEvent::Move, 402, 300, false, true);
    EXPECT_EQ(op->lasso().size(), 2u);
    s.send(PointerEvent::Up, 402, 300, false, true);
}

TEST(PickOperation, DoubleClickAndRightClickDeselectByMode) {
    struct Case {
        int command;
        bool shift;
        bool rightClick;
        int curveState, tLineState;
        bool flagsCleared;
    } cases[] = {
        {opcmd::kPick, false, false, objstate::kNormal, objstate::kPicked, false},
        {opcmd::kPick, false, true, objstate::kNormal, objstate::kPicked, false},
        {opcmd::kPick, true, false, objstate::kPicked, objstate::kPicked, true},
        {opcmd::kPickCv, false, false, objstate::kPicked, objstate::kPicked, true},
        {opcmd::kPickCv, false, true, objstate::kPicked, objstate::kPicked, true},
        {opcmd::kPickTLine, false, false, objstate::kPicked, objstate::kNormal, false},
    };
    for (const Case& c : cases) {
        Scene s;
        s.interaction.runCommand(c.command);
        ModelObject* curve = s.add(line({-1, 0, 0}, {1, 0, 0}));
        curve->state = objstate::kPicked;
        auto t = std::make_unique<TLineObject>();
        t->state = objstate::kPicked;
        ModelObject* tLine = s.add(std::move(t));
        auto* flagged = static_cast<CurveObject*>(s.add(line({-1, 0, 3}, {1, 0, 3})));
        flagged->cvFlags = {1, 0, 1, 0};
        if (c.rightClick) {
            s.send(PointerEvent::Down, 10, 10, c.shift, false, 1);
            s.send(PointerEvent::Up, 10, 10, c.shift, false, 1);
        } else {
            s.send(PointerEvent::DoubleClick, 10, 10, c.shift);
        }
        SCOPED_TRACE(testing::Message()
                     << c.command << " shift " << c.shift << " right " << c.rightClick);
        EXPECT_EQ(curve->state, c.curveState);
        EXPECT_EQ(tLine->state, c.tLineState);
        EXPECT_EQ(flagged->cvFlags, c.flagsCleared ? (std::vector<uint32_t>{0, 0, 0, 0})
                                                   : (std::vector<uint32_t>{1, 0, 1, 0}));
        // One undo brings everything back.
        ASSERT_TRUE(s.doc.undo());
        EXPECT_EQ(curve->state, objstate::kPicked);
        EXPECT_EQ(tLine->state, objstate::kPicked);
        EXPECT_EQ(flagged->cvFlags, (std::vector<uint32_t>{1, 0, 1, 0}));
    }
}

TEST(PickOperation, TLineVariantTogglesOnlyTLines) {
    Scene s;
    s.interaction.runCommand(opcmd::kPickTLine);
    EXPECT_EQ(s.platform.statuses.back(), "#10042");
    ModelObject* curve = s.add(line({-9, 0, 0}, {9, 0, 0}));
    auto t = std::make_unique<TLineObject>();
    t->axis = 0;  // the plane x = 0: a vertical line in the front view
    ModelObject* tLine = s.add(std::move(t));
    s.drag({{300, 250}, {500, 350}});
    EXPECT_EQ(curve->state, objstate::kNormal);
    EXPECT_EQ(tLine->state, objstate::kPicked);
    // The object pick never takes T-lines.
    s.interaction.runCommand(opcmd::kPick);
    s.drag({{300, 250}, {500, 350}});
    EXPECT_EQ(curve->state, objstate::kPicked);
    EXPECT_EQ(tLine->state, objstate::kPicked);
}

TEST(PickOperation, LargerApertureAfterCvEditing) {
    Scene s;
    ModelObject* vertical = s.add(line({0, 0, -10}, {0, 0, 10}, 5));
    // Four pixels right of the line, away from its CVs and their numbers.
    s.click(404, 330);
    EXPECT_EQ(vertical->state, objstate::kNormal);
    s.interaction.pick.aperture = PickSettings::kCvEditAperture;
    s.click(404, 330);
    EXPECT_EQ(vertical->state, objstate::kPicked);
}

TEST(PickOperation, UndoAndRedoGoToTheDocument) {
    Scene s;
    ModelObject* c = s.add(line({-9, 0, 0}, {9, 0, 0}));
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(s.platform.messages, std::vector<std::string>{"#10020"});
    s.click(400, 300);
    ASSERT_EQ(c->state, objstate::kPicked);
    const int redraws = s.view.redraws();
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(c->state, objstate::kNormal);
    EXPECT_GT(s.view.redraws(), redraws);
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_EQ(c->state, objstate::kPicked);
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_EQ(s.platform.messages.back(), "#10019");
}

// ---- the framework ----

// A command operation that keeps what it is told, for watching dispatch.
struct Probe final : Operation {
    Probe(Interaction& host, std::vector<std::string>& sink, bool* gone = nullptr)
        : Operation(host), log(sink), destroyed(gone) {}
    ~Probe() override {
        if (destroyed) *destroyed = true;
    }
    int commandId() const override { return 7000; }
    void onLeftDown(int f, int x, int y) override { note("down", f, x, y), ++clicks; }
    void onLeftUp(int f, int x, int y) override { note("up", f, x, y); }
    void onLeftDoubleClick(int f, int x, int y) override { note("double", f, x, y); }
    void onRightUp(int f, int x, int y) override { note("rup", f, x, y); }
    void onMouseMove(int f, int x, int y) override { note("move", f, x, y); }
    void drawFeedback(LineRenderer& r, int) override { r.drawScreenRect(10, 10, 50 + clicks, 50); }
    void note(const char* what, int f, int x, int y) {
        log.push_back(std::string(what) + " " + std::to_string(f) + " " + std::to_string(x) + "," +
                      std::to_string(y));
    }
    std::vector<std::string>& log;
    bool* destroyed;
    int clicks = 0;
};

TEST(MouseProtocol, ButtonBitsCaptureAndKeyFlags) {
    Scene s;
    std::vector<std::string> log;
    s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log));
    s.send(PointerEvent::Move, 5, 5);        // no button held: dropped
    s.send(PointerEvent::Up, 5, 5);          // no press: dropped
    s.send(PointerEvent::Down, 1, 2, true);  // Shift
    s.send(PointerEvent::Down, 1, 2);        // left already down: ignored
    s.send(PointerEvent::Move, 3, 4, false, true);
    PointerEvent queued;
    queued.kind = PointerEvent::Move;
    queued.moreQueued = true;
    s.interaction.pointer(s.view, queued);              // another message waits: dropped
    s.send(PointerEvent::Down, 3, 4, false, false, 1);  // right as well
    s.send(PointerEvent::Up, 3, 4, false, false, 1);
    s.send(PointerEvent::Up, 6, 7);
    s.send(PointerEvent::Move, 8, 8);  // released: dropped
    s.send(PointerEvent::DoubleClick, 9, 9);
    EXPECT_EQ(log, (std::vector<std::string>{"down 5 1,2", "move 9 3,4", "double 3 3,4",
                                             "rup 1 3,4", "up 0 6,7", "double 1 9,9"}));
    EXPECT_EQ(s.view.camera().buttons, 0);
}

TEST(Levels, StartingOperationsEndTheRunningCommand) {
    Scene s;
    std::vector<std::string> log;
    bool firstGone = false, secondGone = false;
    s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log, &firstGone));
    EXPECT_EQ(s.interaction.current()->commandId(), 7000);
    s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log, &secondGone));
    EXPECT_TRUE(firstGone);
    // A new default operation ends the command too ("Move" while a curve is being drawn).
    s.interaction.runCommand(opcmd::kPickCv);
    EXPECT_TRUE(secondGone);
    EXPECT_EQ(s.interaction.commandOperation(), nullptr);
    EXPECT_EQ(s.interaction.current()->commandId(), opcmd::kPickCv);
    EXPECT_EQ(s.platform.statuses.back(), "#10041");

    // Without a view operation, finishing one asks for a fresh pick.
    s.interaction.finishViewOperation();
    EXPECT_EQ(s.interaction.takePostedCommands(), std::vector<int>{opcmd::kPick});
    EXPECT_TRUE(s.interaction.takePostedCommands().empty());
}

// Ends itself from inside its own handler, then keeps using its members.
struct SelfEnding final : Operation {
    SelfEnding(Interaction& host, bool& gone, bool& goneDuringHandler)
        : Operation(host), destroyed(gone), during(goneDuringHandler) {}
    ~SelfEnding() override { destroyed = true; }
    void onLeftDown(int, int, int) override {
        host().runCommand(opcmd::kPick);
        during = destroyed;
    }
    bool& destroyed;
    bool& during;
};

TEST(Levels, AnOperationReplacedInItsOwnHandlerLivesUntilTheEventEnds) {
    Scene s;
    bool destroyed = false, during = true;
    s.interaction.installCommand(std::make_unique<SelfEnding>(s.interaction, destroyed, during));
    s.send(PointerEvent::Down, 1, 1);
    EXPECT_FALSE(during);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(s.interaction.commandOperation(), nullptr);
}

TEST(Levels, ZoomBoxInTheMiddleOfACommandLeavesTheCommandIntact) {
    Scene s;
    std::vector<std::string> log;
    auto* probe = static_cast<Probe*>(
        s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log)));
    s.click(100, 100);
    ASSERT_EQ(probe->clicks, 1);

    s.interaction.runCommand(opcmd::kZoomBox);
    EXPECT_EQ(s.interaction.current()->commandId(), opcmd::kZoomBox);
    const float zoom = s.view.camera().zoom;
    s.drag({{400, 300}, {450, 320}, {500, 330}});
    EXPECT_GT(s.view.camera().zoom, zoom);
    EXPECT_EQ(probe->clicks, 1);  // the box's clicks never reached the command

    EXPECT_EQ(s.interaction.viewOperation(), nullptr);
    EXPECT_EQ(s.interaction.commandOperation(), probe);
    s.click(200, 200);
    EXPECT_EQ(probe->clicks, 2);
    EXPECT_TRUE(s.interaction.takePostedCommands().empty());
}

TEST(Levels, RightClickWithoutItsOwnHandlerActsAsADoubleClick) {
    Scene s;
    std::vector<std::string> log;
    s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log));
    s.send(PointerEvent::Down, 7, 8, false, true, 1);
    EXPECT_EQ(log, std::vector<std::string>{"double 10 7,8"});
}

TEST(Feedback, TwoToggleRefreshesRestoreTheView) {
    Scene s;
    s.add(line({-9, 0, 0}, {9, 0, 0}));
    std::vector<std::string> log;
    s.interaction.installCommand(std::make_unique<Probe>(s.interaction, log));
    s.interaction.redrawView(s.view);  // scene, clean scene saved, feedback drawn
    const auto withFeedback = s.view.image().segments;
    const size_t feedbackPieces = s.view.image().countColour(kCommandFeedbackColour);
    ASSERT_GT(feedbackPieces, 0u);

    s.interaction.refreshFeedback(s.view, feedback::kToggle);  // erase
    EXPECT_EQ(s.view.image().countColour(kCommandFeedbackColour), 0u);
    EXPECT_LT(s.view.image().segments.size(), withFeedback.size());
    s.interaction.refreshFeedback(s.view, feedback::kToggle);  // draw again
    EXPECT_EQ(s.view.image().segments, withFeedback);

    // The rubber band moves: erase, change, draw; then erase for good.
    s.interaction.refreshFeedback(s.view, feedback::kToggle);
    static_cast<Probe*>(s.interaction.commandOperation())->clicks = 30;
    s.interaction.refreshFeedback(s.view, feedback::kToggle);
    EXPECT_EQ(s.view.image().segments.size(), withFeedback.size());
    EXPECT_NE(s.view.image().segments, withFeedback);
    s.interaction.refreshFeedback(s.view, feedback::kEraseEnd);
    EXPECT_EQ(s.view.image().countColour(kCommandFeedbackColour), 0u);
    EXPECT_EQ(s.view.camera().feedbackHidden, 0);
}

TEST(Feedback, PickRectangleIsDrawnWhileDraggingAndGoneAfter) {
    Scene s;
    HeadlessView top(&s.doc, viewdir::kTop, 400, 300);
    s.platform.views.push_back(&top);
    s.interaction.redrawAllViews();
    s.send(PointerEvent::Down, 100, 100);
    s.send(PointerEvent::Move, 200, 150);
    EXPECT_EQ(s.view.image().countColour(kDefaultFeedbackColour), 4u);
    EXPECT_EQ(top.image().countColour(kDefaultFeedbackColour), 0u);  // only where it is dragged
    s.send(PointerEvent::Move, 900, 700);  // the corner stays in the drawing area
    auto* op = static_cast<PickOperation*>(s.interaction.defaultOperation());
    EXPECT_TRUE(op->dragging());
    EXPECT_EQ(s.view.image().countColour(kDefaultFeedbackColour), 4u);
    s.send(PointerEvent::Up, 900, 700);
    EXPECT_EQ(s.view.image().countColour(kDefaultFeedbackColour), 0u);
    EXPECT_FALSE(op->dragging());
}

TEST(Feedback, ObscuredViewsAreLeftAlone) {
    struct Obscured final : OperationView {
        HeadlessView& inner;
        explicit Obscured(HeadlessView& v) : inner(v) {}
        ViewCamera& camera() override { return inner.camera(); }
        Document* document() override { return inner.document(); }
        bool obscured() const override { return true; }
        void saveCleanScene() override { ADD_FAILURE(); }
        void restoreCleanScene() override { ADD_FAILURE(); }
        LineRenderer& overlay() override {
            ADD_FAILURE();
            return inner.overlay();
        }
        void redrawScene() override {}
    };
    Scene s;
    Obscured o(s.view);
    s.interaction.refreshFeedback(o, feedback::kSaveDraw);
    s.interaction.refreshFeedback(o, feedback::kToggle);
    EXPECT_EQ(s.view.camera().feedbackHidden, 0);
}

// Moves the picked objects with the pointer, snapped, re-applying the whole move from the
// start of the drag on every step.
struct MoveDrag final : Operation {
    using Operation::Operation;
    void onLeftDown(int, int x, int y) override {
        snapPointer(host().currentView()->camera(), host().snap, x, y, snapmode::kAnchor);
    }
    void onMouseMove(int, int x, int y) override {
        SnapResult r =
            snapPointer(host().currentView()->camera(), host().snap, x, y, snapmode::kTrack);
        const Point3 by = r.point - host().snap.anchor;
        if (by == Point3{0, 0, 0}) return;
        step.apply(*document(), [&](Document& doc) {
            doc.objects().forEach([&](ModelObject& o) {
                if (o.state != objstate::kPicked) return;
                doc.record(&o, RecordType::Transformed);
                o.transform(Matrix4::translation(by.x, by.y, by.z), true);
            });
        });
    }
    void onLeftUp(int, int, int) override { step.finish(*document()); }
    DragStep step;
};

TEST(Commit, OneDragLeavesOneUndoStep) {
    Scene s;
    auto* c = static_cast<CurveObject*>(s.add(line({0, 0, 0}, {1, 0, 0}, 2)));
    c->state = objstate::kPicked;
    const auto before = c->cvs;
    s.interaction.installDefault(std::make_unique<MoveDrag>(s.interaction));
    s.drag({{400, 300}, {430, 300}, {460, 301}, {520, 299}});  // 10 units right
    EXPECT_FLOAT_EQ(c->cvs[0].x, 10.0f);
    EXPECT_FLOAT_EQ(c->cvs[0].z, 0.0f);
    s.drag({{400, 300}, {400, 276}});  // 2 units up
    EXPECT_FLOAT_EQ(c->cvs[0].z, 2.0f);

    ASSERT_TRUE(s.doc.undo());
    EXPECT_FLOAT_EQ(c->cvs[0].x, 10.0f);
    EXPECT_FLOAT_EQ(c->cvs[0].z, 0.0f);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(c->cvs, before);
    EXPECT_FALSE(s.doc.undo());

    // A move that changes nothing records nothing, so the next one must not take back the
    // previous drag.
    ASSERT_TRUE(s.doc.redo());
    s.interaction.installDefault(std::make_unique<MoveDrag>(s.interaction));
    auto* op = static_cast<MoveDrag*>(s.interaction.defaultOperation());
    s.send(PointerEvent::Down, 400, 300);
    s.send(PointerEvent::Move, 401, 300);
    EXPECT_FALSE(op->step.open());
    s.send(PointerEvent::Move, 430, 300);
    s.send(PointerEvent::Up, 430, 300);
    EXPECT_FLOAT_EQ(c->cvs[0].x, 12.5f);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_FLOAT_EQ(c->cvs[0].x, 10.0f);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(c->cvs, before);
}

TEST(Commands, FineSnapTogglesWithItsMessages) {
    Scene s;
    EXPECT_TRUE(s.interaction.runCommand(snapcmd::kFineSnap));
    EXPECT_FLOAT_EQ(s.interaction.snap.fineFactor, 0.1f);
    EXPECT_EQ(s.platform.statuses.back(), "#10022");
    s.interaction.runCommand(snapcmd::kFineSnap);
    EXPECT_FLOAT_EQ(s.interaction.snap.fineFactor, 1.0f);
    EXPECT_EQ(s.platform.statuses.back(), "#10023");
    EXPECT_FALSE(s.interaction.runCommand(6000));
}

}  // namespace
}  // namespace orv
