#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/design_file.h"
#include "model/document.h"
#include "model/fixtures.h"
#include "model/objects.h"
#include "ops/curve_operation.h"
#include "ops/operation.h"
#include "ops/scene.h"
#include "view/view_camera.h"

namespace orv {
namespace {

using test::makeCurve;

struct Scene : test::HeadlessScene {
    CurveOperation* start(int command, const CurveSymmetry* kind = nullptr) {
        return dynamic_cast<CurveOperation*>(startCurveOperation(interaction, command, kind));
    }
    CurveOperation* running() { return runningCurveOperation(interaction); }
    const std::vector<Point3>& full() { return running()->workingCurve().cvs; }
    const std::vector<Point3>& stored() { return running()->storedCvs(); }

    void click(PixelPoint p, bool shift = false, bool ctrl = false) {
        send(PointerEvent::Down, p.x, p.y, 0, shift, ctrl);
        send(PointerEvent::Up, p.x, p.y, 0, shift, ctrl);
    }
    void doubleClick(PixelPoint p) {
        click(p);
        send(PointerEvent::DoubleClick, p.x, p.y);
        send(PointerEvent::Up, p.x, p.y);
    }
    // Ends the operation the way starting another command does.
    void endOperation() { interaction.runCommand(opcmd::kPick); }

    std::vector<CurveObject*> curves(int state) {
        std::vector<CurveObject*> out;
        doc.objects().forEach([&](ModelObject& o) {
            if (o.state == state) out.push_back(static_cast<CurveObject*>(&o));
        });
        return out;
    }
};

// The pixel of a point of the XZ plane in the scene's front view.
PixelPoint px(float x, float z) {
    return {400 + int(x * 12), 300 - int(z * 12)};
}

std::unique_ptr<CurveObject> line(Point3 a, Point3 b, int cvs) {
    std::vector<Point3> pts;
    for (int i = 0; i < cvs; ++i) pts.push_back(a + (b - a) * (float(i) / float(cvs - 1)));
    return makeCurve(pts);
}

using Points = std::vector<Point3>;

TEST(CurveOperation, ThreeClicksInAFrontViewMakeAnOpenCurveOnTheXZPlane) {
    Scene s;
    ASSERT_NE(s.start(7000), nullptr);
    EXPECT_EQ(s.platform.statuses.back(), "#10077");
    EXPECT_EQ(s.interaction.current()->commandId(), 7000);
    for (auto p : {px(1, 1), px(4, 3), px(7, 0)}) s.click(p);
    EXPECT_EQ(s.full(), (Points{{1, 0, 1}, {4, 0, 3}, {7, 0, 0}}));
    EXPECT_TRUE(s.doc.objects().empty()) << "the working curve stays out of the document";

    s.endOperation();
    EXPECT_EQ(s.interaction.commandOperation(), nullptr);
    ASSERT_EQ(s.curves(objstate::kPicked).size(), 1u);
    const CurveObject& c = *s.curves(objstate::kPicked)[0];
    EXPECT_EQ(c.cvs, (Points{{1, 0, 1}, {4, 0, 3}, {7, 0, 0}}));
    EXPECT_EQ(c.closed, 0u);
    EXPECT_EQ(c.freeStart + c.freeEnd, 0u);
    EXPECT_EQ(c.resolution, 8u);
    EXPECT_EQ(c.materialName, "Gold");

    // Finishing was one step.
    ASSERT_TRUE(s.doc.undo());
    EXPECT_FALSE(s.doc.objects()[0].visible());
    EXPECT_FALSE(s.doc.undo());
}

TEST(CurveOperation, TheWorkingCurveIsDrawnAsFeedbackThenAsAnObject) {
    Scene s;
    s.start(7000);
    s.click(px(1, 1));
    s.click(px(4, 3));
    EXPECT_GT(s.view.image().countColour(kCommandFeedbackColour), 0u);
    s.endOperation();
    EXPECT_EQ(s.view.image().countColour(kCommandFeedbackColour), 0u);
    EXPECT_GT(s.view.image().segments.size(), 0u);
}

TEST(CurveOperation, VerticalMirrorClickNearTheFarEndAddsAtStoredPositionZero) {
    Scene s;
    s.start(7001);
    s.click(px(1, 1));
    s.click(px(2, 3));
    ASSERT_EQ(s.full(), (Points{{1, 0, 1}, {2, 0, 3}, {-2, 0, 3}, {-1, 0, 1}}));
    // Nearest to the far end, the image of the first stored CV.
    s.send(PointerEvent::Down, px(-2, -1).x, px(-2, -1).y);
    EXPECT_EQ(s.stored(), (Points{{2, 0, -1}, {1, 0, 1}, {2, 0, 3}}));
    EXPECT_EQ(s.full().back(), (Point3{-2, 0, -1}));
    EXPECT_EQ(s.running()->currentCv(), 5);
    EXPECT_EQ(s.running()->runLength(), 1);
    // It is current at once: the press goes on as a drag.
    s.send(PointerEvent::Move, px(-3, -1).x, px(-3, -1).y);
    EXPECT_EQ(s.stored().front(), (Point3{3, 0, -1}));
    s.send(PointerEvent::Up, px(-3, -1).x, px(-3, -1).y);
    EXPECT_EQ(s.running()->currentCv(), -1);
}

TEST(CurveOperation, ClicksNearAnEdgeInsertElseTheyAddAtAnEnd) {
    struct Case {
        const char* what;
        int command;
        Points placed;
        PixelPoint press;
        Points full;
        int current;
    };
    const Case cases[] = {
        {"10 px above the middle",
         7000,
         {{0, 0, 0}, {4, 0, 0}},
         {424, 290},
         {{0, 0, 0}, {2, 0, 1}, {4, 0, 0}},
         1},
        {"30 px above the middle",
         7000,
         {{0, 0, 0}, {4, 0, 0}},
         {424, 270},
         {{0, 0, 0}, {4, 0, 0}, {2, 0, 2.5f}},
         2},
        // The mirror image runs backwards: the new CV still lands between the two CVs of
        // the edge that was clicked.
        {"an edge of the mirror image",
         7001,
         {{1, 0, 1}, {3, 0, 3}},
         {372, 280},
         {{1, 0, 1}, {2.5f, 0, 1.5f}, {3, 0, 3}, {-3, 0, 3}, {-2.5f, 0, 1.5f}, {-1, 0, 1}},
         4},
    };
    for (const Case& c : cases) {
        Scene s;
        s.start(c.command);
        for (const Point3& p : c.placed) s.click(px(p.x, p.z));
        s.send(PointerEvent::Down, c.press.x, c.press.y);
        EXPECT_EQ(s.full(), c.full) << c.what;
        EXPECT_EQ(s.running()->currentCv(), c.current) << c.what;
    }
}

TEST(CurveOperation, DoubleClickDoublesDragMovesBothAndRightPressDeletesOne) {
    Scene s;
    s.start(7000);
    s.click(px(1, 1));
    s.doubleClick(px(3, 3));
    EXPECT_EQ(s.full(), (Points{{1, 0, 1}, {3, 0, 3}, {3, 0, 3}}));
    EXPECT_EQ(s.running()->currentCv(), -1);

    // The press grabs the first of the pair; both follow.
    s.send(PointerEvent::Down, px(3, 3).x, px(3, 3).y);
    EXPECT_EQ(s.running()->currentCv(), 1);
    EXPECT_EQ(s.running()->runLength(), 2);
    s.send(PointerEvent::Move, px(4, 5).x, px(4, 5).y);
    EXPECT_EQ(s.full(), (Points{{1, 0, 1}, {4, 0, 5}, {4, 0, 5}}));

    // Right press with the left held: one copy goes, its twin stays current and draggable.
    s.send(PointerEvent::Down, px(4, 5).x, px(4, 5).y, 1);
    EXPECT_EQ(s.full(), (Points{{1, 0, 1}, {4, 0, 5}}));
    EXPECT_EQ(s.running()->currentCv(), 1);
    EXPECT_EQ(s.running()->runLength(), 1);
    s.send(PointerEvent::Up, px(4, 5).x, px(4, 5).y, 1);
    s.send(PointerEvent::Move, px(5, 5).x, px(5, 5).y);
    EXPECT_EQ(s.full(), (Points{{1, 0, 1}, {5, 0, 5}}));
    s.send(PointerEvent::Up, px(5, 5).x, px(5, 5).y);
    EXPECT_EQ(s.running()->currentCv(), -1);

    // A double click where no CV lies doubles nothing.
    s.send(PointerEvent::DoubleClick, px(-5, -5).x, px(-5, -5).y);
    EXPECT_EQ(s.full().size(), 2u);
}

TEST(CurveOperation, DeletingTheLastCvLeavesAnEmptyCurveThatIsDiscarded) {
    Scene s;
    s.start(7001);
    s.send(PointerEvent::Down, px(1, 1).x, px(1, 1).y);
    s.send(PointerEvent::Down, px(1, 1).x, px(1, 1).y, 1);
    s.send(PointerEvent::Up, px(1, 1).x, px(1, 1).y, 1);
    s.send(PointerEvent::Up, px(1, 1).x, px(1, 1).y);
    EXPECT_TRUE(s.full().empty());
    EXPECT_EQ(s.running()->currentCv(), -1);
    s.endOperation();
    EXPECT_TRUE(s.doc.objects().empty());
    EXPECT_FALSE(s.doc.history().canUndo());
}

TEST(CurveOperation, AMirrorCvOnItsPlaneDragsOffItWithoutCrossingItsImage) {
    Scene s;
    s.start(7001);
    s.click(px(2, 2));
    s.click(px(0, 4));  // on the mirror plane: it and its image coincide
    ASSERT_EQ(s.full(), (Points{{2, 0, 2}, {0, 0, 4}, {0, 0, 4}, {-2, 0, 2}}));
    s.send(PointerEvent::Down, px(0, 4).x, px(0, 4).y);
    EXPECT_EQ(s.running()->runLength(), 2);
    s.send(PointerEvent::Move, px(1, 4).x, px(1, 4).y);
    s.send(PointerEvent::Up, px(1, 4).x, px(1, 4).y);
    EXPECT_EQ(s.full(), (Points{{2, 0, 2}, {1, 0, 4}, {-1, 0, 4}, {-2, 0, 2}}));
}

TEST(CurveOperation, TheMirrorPlaneStaysFrozenWhenTheViewTurns) {
    Scene s;
    s.start(7001);
    s.click(px(1, 1));
    // Now a right view: +Y to the right, +Z up. Its horizontal axis is Y, but the mirror
    // still negates X.
    s.view.camera().resetView(viewdir::kRight);
    s.click({424, 288});
    s.click({436, 252});
    const Points& f = s.full();
    ASSERT_EQ(f.size(), 6u);
    for (size_t j = 0; j < 3; ++j) {
        const Point3 a = f[j], b = f[f.size() - 1 - j];
        EXPECT_EQ(b, (Point3{-a.x, a.y, a.z})) << j;
    }
    EXPECT_NE(f[0].y, 0.0f) << "the later clicks did move along Y";
}

TEST(CurveOperation, OtherKindsGenerateTheirCopies) {
    {
        Scene s;
        s.start(7004);
        EXPECT_EQ(s.interaction.current()->commandId(), 7004);
        s.click(px(1, 2));
        EXPECT_EQ(s.full(), (Points{{1, 0, 2}, {1, 0, -2}, {-1, 0, -2}, {-1, 0, 2}}));
        EXPECT_EQ(s.running()->workingCurve().closed, 1u);
    }
    {
        Scene s;
        RevolveArgs args;  // 4 copies of 90 degrees, full revolution
        const CurveSymmetry kind = CurveSymmetry::revolve(args);
        s.start(7006, &kind);
        EXPECT_EQ(s.interaction.current()->commandId(), 7006);
        s.click(px(2, 0));
        EXPECT_EQ(s.running()->workingCurve().closed, 1u);
        const Points& f = s.full();
        ASSERT_EQ(f.size(), 4u);
        EXPECT_NEAR(f[1].z, 2, 1e-5);  // turned from screen right towards screen up
        EXPECT_NEAR(f[2].x, -2, 1e-5);
        // Dragging an image moves its source so that the image lands under the pointer.
        s.send(PointerEvent::Down, px(0, 2).x, px(0, 2).y);
        EXPECT_EQ(s.running()->currentCv(), 1);
        s.send(PointerEvent::Move, px(0, 3).x, px(0, 3).y);
        EXPECT_NEAR(s.stored()[0].x, 3, 1e-5);
        EXPECT_NEAR(s.full()[1].z, 3, 1e-5);
    }
    // Extend, revolve and transform need the dialog's kind.
    Scene s;
    EXPECT_EQ(s.start(7005), nullptr);
    const CurveSymmetry simple;
    EXPECT_EQ(s.start(7010, &simple), nullptr);
}

TEST(CurveOperation, EditModePicksACurveAndShiftClickMovesOnToAnother) {
    Scene s;
    ModelObject* first = s.doc.addObject(line({-9, 0, 0}, {9, 0, 0}, 7), true);
    ModelObject* second = s.doc.addObject(line({-9, 0, 5}, {9, 0, 5}, 4), true);
    first->state = second->state = objstate::kNormal;
    s.doc.beginStep();
    s.interaction.redrawAllViews();

    s.start(7031);
    EXPECT_EQ(s.platform.statuses.back(), "#10087");
    EXPECT_TRUE(s.running()->editMode());
    s.click({200, 500});  // nothing there: still waiting
    EXPECT_TRUE(s.running()->editMode());
    EXPECT_TRUE(s.full().empty());

    s.click(px(1.5f, 0));
    EXPECT_FALSE(s.running()->editMode());
    EXPECT_EQ(s.running()->originalCurve(), first);
    EXPECT_EQ(first->state, -1);
    // Its first four CVs are kept and the image rebuilt: eight CVs.
    EXPECT_EQ(s.stored(), (Points{{-9, 0, 0}, {-6, 0, 0}, {-3, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(s.full().size(), 8u);
    EXPECT_EQ(s.full()[7], (Point3{9, 0, 0}));

    // Shift+click on the other curve puts the first back, rebuilt, and edits the second.
    s.click(px(1.5f, 5), true);
    EXPECT_EQ(s.running()->originalCurve(), second);
    std::vector<CurveObject*> added = s.curves(objstate::kPicked);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0]->cvCount(), 8);
    EXPECT_EQ(first->state, -1);
    EXPECT_EQ(second->state, -1);
    // Shift+click on nothing changes nothing.
    s.click({200, 500}, true);
    EXPECT_EQ(s.running()->originalCurve(), second);

    s.endOperation();
    EXPECT_EQ(s.curves(objstate::kPicked).size(), 2u);
    // Each curve's edit is one step.
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(second->state, objstate::kNormal);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(first->state, objstate::kNormal);
    EXPECT_TRUE(s.curves(objstate::kPicked).empty());
}

TEST(CurveOperation, UndoAfterFinishingAnEditRestoresTheOriginalBytes) {
    Scene s;
    s.doc.addObject(line({-9, 0, 0}, {9, 0, 0}, 4), true);
    s.doc.addObject(line({-9, 0, 5}, {9, 0, 5}, 4), true);
    s.doc.beginStep();
    const std::vector<uint8_t> before = designBytes(s.doc.objects());

    s.start(7030);
    s.click(px(1.5f, 0));
    s.send(PointerEvent::Down, px(3, 0).x, px(3, 0).y);
    s.send(PointerEvent::Move, px(3, -4).x, px(3, -4).y);
    s.send(PointerEvent::Up, px(3, -4).x, px(3, -4).y);
    s.endOperation();
    EXPECT_NE(designBytes(s.doc.objects()), before);

    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(designBytes(s.doc.objects()), before);
    ASSERT_TRUE(s.doc.redo());
    EXPECT_NE(designBytes(s.doc.objects()), before);
}

TEST(CurveOperation, AnEditedCurveLeftWithoutCvsIsDeletedAsOneStep) {
    Scene s;
    ModelObject* c = s.doc.addObject(line({-9, 0, 0}, {9, 0, 0}, 2), true);
    s.doc.beginStep();
    s.start(7030);
    s.click(px(0, 0));
    ASSERT_EQ(s.full().size(), 2u);
    for (float x : {-9.0f, 9.0f}) {
        s.send(PointerEvent::Down, px(x, 0).x, px(x, 0).y);
        s.send(PointerEvent::Down, px(x, 0).x, px(x, 0).y, 1);
        s.send(PointerEvent::Up, 0, 0, 1);
        s.send(PointerEvent::Up, 0, 0);
    }
    ASSERT_TRUE(s.full().empty());
    s.endOperation();
    EXPECT_EQ(s.doc.objects().size(), 1u);
    EXPECT_EQ(c->state, -1);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(c->state, objstate::kPicked);
}

TEST(CurveOperation, CtrlClickAndAnotherDocumentFinishAndStartANewCurve) {
    Scene s;
    s.start(7000);
    s.click(px(1, 1));
    s.click(px(2, 1));
    s.click(px(5, 5), false, true);
    EXPECT_EQ(s.curves(objstate::kPicked).size(), 1u);
    EXPECT_EQ(s.full(), (Points{{5, 0, 5}}));
    EXPECT_EQ(s.running()->workingDocument(), &s.doc);

    Document other;
    HeadlessView otherView{&other, viewdir::kFront, 801, 601};
    s.platform.views.push_back(&otherView);
    s.send(PointerEvent::Down, px(3, 3).x, px(3, 3).y, 0, false, false, &otherView);
    s.send(PointerEvent::Up, px(3, 3).x, px(3, 3).y, 0, false, false, &otherView);
    EXPECT_EQ(s.curves(objstate::kPicked).size(), 2u);
    EXPECT_EQ(s.running()->workingDocument(), &other);
    EXPECT_EQ(s.full(), (Points{{3, 0, 3}}));
    s.endOperation();
    ASSERT_EQ(other.objects().size(), 1u);
    EXPECT_EQ(static_cast<CurveObject&>(other.objects()[0]).cvs, (Points{{3, 0, 3}}));
    s.interaction.viewClosed(otherView);
    s.platform.views.pop_back();
}

TEST(CurveOperation, UndoWhileRunningTakesBackGesturesThenTheEditThenTheDocument) {
    Scene s;
    ModelObject* c = s.doc.addObject(line({-9, 0, 0}, {9, 0, 0}, 4), true);
    s.doc.beginStep();
    s.start(7030);
    s.click(px(1, 0));
    // Two gestures: a drag of CV 1 and a new CV at the end.
    s.send(PointerEvent::Down, px(-3, 0).x, px(-3, 0).y);
    s.send(PointerEvent::Move, px(-3, 2).x, px(-3, 2).y);
    s.send(PointerEvent::Up, px(-3, 2).x, px(-3, 2).y);
    s.click(px(12, 0));
    ASSERT_EQ(s.full().size(), 5u);

    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(s.full().size(), 4u);
    EXPECT_EQ(s.full()[1], (Point3{-3, 0, 2}));
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_EQ(s.full().size(), 5u);
    s.interaction.runCommand(opcmd::kUndo);
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(s.full()[1], (Point3{-3, 0, 0}));
    // Then the edit itself: the original comes back and a curve can be picked again.
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(c->state, objstate::kPicked);
    EXPECT_TRUE(s.full().empty());
    EXPECT_TRUE(s.running()->editMode());
    // Then the document.
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_FALSE(c->visible());
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_TRUE(c->visible());
    EXPECT_TRUE(s.platform.messages.empty());
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_EQ(s.platform.messages, std::vector<std::string>{"#10019"});
    EXPECT_NE(s.running(), nullptr);
}

TEST(CurveOperation, RedoNeverReachesTheDocumentWhileACurveIsHeld) {
    Scene s;
    s.start(7000);
    s.click(px(1, 1));
    s.endOperation();
    ASSERT_TRUE(s.doc.undo());  // the curve is gone, its step can be redone
    s.start(7000);
    s.click(px(2, 2));
    s.interaction.runCommand(opcmd::kRedo);
    EXPECT_EQ(s.platform.messages, std::vector<std::string>{"#10019"});
    EXPECT_FALSE(s.doc.objects()[0].visible());
}

TEST(CurveOperation, CloseAndOpenActOnTheWorkingCurve) {
    Scene s;
    s.start(7000);
    for (auto p : {px(0, 0), px(4, 0), px(4, 4)}) s.click(p);
    CurveOperation* op = s.running();
    EXPECT_TRUE(op->setWorkingClosed(true));
    EXPECT_FALSE(op->setWorkingClosed(true));
    EXPECT_EQ(op->workingCurve().closed, 1u);
    EXPECT_FALSE(s.doc.history().canUndo());
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(op->workingCurve().closed, 0u);
    EXPECT_EQ(op->workingCurve().cvCount(), 3);
}

TEST(SketchOperation, EachStrokeIsOneCurveAndOneStep) {
    Scene s;
    ASSERT_NE(startCurveOperation(s.interaction, curvecmd::kSketch, nullptr), nullptr);
    EXPECT_EQ(s.platform.statuses.back(), "#10085");
    for (int stroke = 0; stroke < 2; ++stroke) {
        const int y = 200 + stroke * 100;
        s.send(PointerEvent::Down, 100, y);
        for (int x = 102; x <= 400; x += 2)
            s.send(PointerEvent::Move, x, y + (x % 20 == 0 ? 6 : 0));
        s.send(PointerEvent::Up, 400, y);
        EXPECT_EQ(s.interaction.current()->commandId(), curvecmd::kSketch);
    }
    std::vector<CurveObject*> made = s.curves(objstate::kPicked);
    ASSERT_EQ(made.size(), 2u);
    for (const CurveObject* c : made) {
        EXPECT_GT(c->cvCount(), 2);
        EXPECT_EQ(c->closed, 0u);
        for (const Point3& p : c->cvs) EXPECT_EQ(p.y, 0.0f);
    }
    s.interaction.runCommand(opcmd::kUndo);
    EXPECT_EQ(s.curves(objstate::kPicked).size(), 1u);

    // A click is no stroke.
    s.click({50, 50});
    EXPECT_EQ(s.curves(objstate::kPicked).size(), 1u);
}

// ---- the framework's finishing hook ----

struct Finisher final : Operation {
    Finisher(Interaction& host, std::vector<std::string>& sink) : Operation(host), log(sink) {}
    ~Finisher() override { log.push_back("gone"); }
    void finish() override {
        log.push_back(host().commandOperation() == this ? "finish while installed" : "finish");
    }
    std::vector<std::string>& log;
};

TEST(CommandFinish, EveryWayOfEndingACommandFinishesItOnceBeforeItGoes) {
    std::vector<std::string> log;  // outlives the operations the scene still holds
    Scene s;
    const std::vector<std::string> once{"finish", "gone"};
    s.interaction.installCommand(std::make_unique<Finisher>(s.interaction, log));
    s.interaction.installCommand(std::make_unique<Finisher>(s.interaction, log));
    EXPECT_EQ(log, once) << "replaced by another command";
    log.clear();
    s.interaction.runCommand(opcmd::kPick);
    EXPECT_EQ(log, once) << "a new default operation";
    log.clear();
    s.interaction.installCommand(std::make_unique<Finisher>(s.interaction, log));
    s.interaction.endCommand();
    s.interaction.endCommand();
    EXPECT_EQ(log, once) << "ended";
    // View operations come and go without finishing the command under them.
    log.clear();
    s.interaction.installCommand(std::make_unique<Finisher>(s.interaction, log));
    s.interaction.runCommand(opcmd::kZoomBox);
    s.interaction.finishViewOperation();
    EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace orv
