#include <gtest/gtest.h>

#include <functional>

#include "fixtures.h"
#include "model/object_commands.h"

namespace orv {
namespace {

std::vector<int> states(const Document& doc) {
    std::vector<int> v;
    doc.objects().forEach([&](const ModelObject& o) { v.push_back(o.state); });
    return v;
}

// A document of six curves, the history cleared as after opening a file.
struct Fixture {
    Document doc;
    Fixture(int n = 6) {
        for (int i = 0; i < n; ++i)
            doc.addObject(test::makeCurve({{float(i), 0, 0}, {float(i), 1, 0}}), true);
        doc.history().clear();
        for (size_t i = 0; i < doc.objects().size(); ++i) doc.objects()[i].state = 0;
    }
    void pick(std::initializer_list<int> idx) {
        for (int i : idx) doc.objects()[i].state = 1;
    }
    bool run(const std::function<bool(Document&)>& cmd) {
        doc.beginStep();
        return cmd(doc);
    }
};

TEST(History, HideUndoRedo) {
    Fixture f;
    f.pick({0, 2});
    f.run(hideObjects);
    EXPECT_EQ(states(f.doc), (std::vector<int>{3, 0, 3, 0, 0, 0}));
    ASSERT_TRUE(f.doc.undo());
    EXPECT_EQ(states(f.doc), (std::vector<int>{1, 0, 1, 0, 0, 0}));
    ASSERT_TRUE(f.doc.redo());
    EXPECT_EQ(states(f.doc), (std::vector<int>{3, 0, 3, 0, 0, 0}));
    EXPECT_FALSE(f.doc.redo());
}

TEST(History, DeleteAgesAndUndeleteRestoresTheLatestBatch) {
    Fixture f;
    f.pick({0, 1});
    f.run([](Document& d) { return deleteObjects(d); });
    f.pick({3});
    BoundingBox damaged;
    f.run([&](Document& d) { return deleteObjects(d, &damaged); });
    EXPECT_EQ(states(f.doc), (std::vector<int>{-2, -2, 0, -1, 0, 0}));
    EXPECT_FLOAT_EQ(damaged.lo.x, 3.0f);
    f.run(undeleteObjects);
    EXPECT_EQ(states(f.doc), (std::vector<int>{-1, -1, 0, 1, 0, 0}));
    // Delete with nothing picked undeletes instead.
    f.doc.objects()[3].state = 0;
    f.run([](Document& d) { return deleteObjects(d); });
    EXPECT_EQ(states(f.doc), (std::vector<int>{1, 1, 0, 0, 0, 0}));
    // And with nothing to bring back it changes nothing and leaves no step.
    Fixture g;
    int before = g.doc.history().current();
    g.run([](Document& d) { return deleteObjects(d); });
    EXPECT_EQ(states(g.doc), (std::vector<int>(6, 0)));
    EXPECT_FALSE(g.doc.undo());
    EXPECT_EQ(g.doc.history().current(), before);
}

TEST(History, NewStepDiscardsRedo) {
    Fixture f;
    f.pick({0});
    f.run(hideObjects);
    f.run(unhideObjects);
    f.run(swapHide);
    ASSERT_TRUE(f.doc.undo());
    ASSERT_TRUE(f.doc.undo());
    f.run(swapHide);
    EXPECT_FALSE(f.doc.redo());
}

TEST(History, RingKeeps127Steps) {
    Fixture f(1);
    for (int i = 0; i < 128; ++i) f.run(swapHide);
    int undone = 0;
    while (f.doc.undo()) ++undone;
    EXPECT_EQ(undone, 127);
    EXPECT_EQ(f.doc.objects()[0].state, 2);  // the first swap can no longer be undone
}

TEST(History, FlagCommandsRecordOnlyWhatChanges) {
    Document doc;
    doc.addObject(test::makeCurve({{0, 0, 0}, {1, 0, 0}}), true);
    doc.addObject(test::makeSurface(), true);
    doc.beginStep();
    EXPECT_TRUE(setJewel(doc, true));
    EXPECT_FALSE(doc.objects()[0].jewel);
    EXPECT_TRUE(doc.objects()[1].jewel);
    doc.beginStep();
    EXPECT_FALSE(setJewel(doc, true));  // nothing left to change: no step
    EXPECT_TRUE(doc.undo());
    EXPECT_FALSE(doc.objects()[1].jewel);
}

TEST(History, HideCvReachesBooleanChildren) {
    Document doc;
    auto* b = static_cast<BooleanObject*>(doc.addObject(
        test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeCurve({{0, 0, 0}, {1, 1, 1}}))),
        true));
    doc.beginStep();
    setHideCv(doc, false);
    EXPECT_FALSE(static_cast<CvObject&>(b->children[0]).hideCv);
    doc.beginStep();
    setHideCv(doc, true);
    EXPECT_TRUE(static_cast<CvObject&>(b->children[0]).hideCv);
    EXPECT_TRUE(static_cast<CvObject&>(b->children[1]).hideCv);
}

TEST(History, UndoOfDisBooleanPutsChildrenBack) {
    Document doc;
    doc.addObject(test::makeSurface(), true);
    auto* b = static_cast<BooleanObject*>(doc.addObject(
        test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface())), true));
    doc.beginStep();
    doc.record(b, RecordType::BooleanTakenApart);
    takeBooleanApart(*b, doc.objects());
    EXPECT_EQ(doc.objects().size(), 4u);
    EXPECT_TRUE(b->children.empty());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.objects().size(), 2u);
    EXPECT_EQ(b->children.size(), 2u);
    EXPECT_EQ(b->operation, kUnion);
    EXPECT_EQ(b->state, 1);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.objects().size(), 4u);
    EXPECT_EQ(b->operation, kUnion + kTakenApartShift);
}

TEST(History, JewelHidingFollowsTheJewelTest) {
    Document doc;
    auto gem = std::make_unique<GemInstance>();
    auto flagged = test::makeSurface();
    flagged->jewel = true;
    doc.addObject(test::makeBoolean(kUnion, test::kids(std::move(gem), test::makeSurface())), true);
    doc.addObject(test::makeBoolean(kSubtract, test::kids(std::move(flagged), test::makeSurface())),
                  true);
    auto jewelCurve = test::makeCurve({{0, 0, 0}, {1, 0, 0}});
    doc.addObject(std::move(jewelCurve), true)->jewel = true;
    EXPECT_FALSE(isJewel(doc.objects()[0]));  // union of a gem and a plain surface
    EXPECT_TRUE(isJewel(doc.objects()[1]));   // subtraction whose first child is a jewel
    EXPECT_FALSE(isJewel(doc.objects()[2]));  // curves never are
    doc.beginStep();
    hideJewels(doc);
    auto& u = static_cast<BooleanObject&>(doc.objects()[0]);
    EXPECT_EQ(u.state, 1);
    EXPECT_EQ(u.children[0].state, 2);  // the gem inside the union
    EXPECT_EQ(u.children[1].state, 0);
    EXPECT_EQ(doc.objects()[1].state, 3);
    doc.beginStep();
    showJewels(doc);
    EXPECT_EQ(u.children[0].state, 0);
    EXPECT_EQ(doc.objects()[1].state, 1);
}

TEST(History, QuarterTurns) {
    // Front view: screen right = +X, up = +Z, depth = +Y (columns are screen axes).
    Matrix4 front{};
    front(0, 0) = 1;
    front(2, 1) = 1;
    front(1, 2) = 1;
    front(3, 3) = 1;
    ViewAxes ax = dominantAxes(front);
    EXPECT_EQ(ax.axis[0], 0);
    EXPECT_EQ(ax.axis[1], 2);
    EXPECT_EQ(ax.axis[2], 1);
    for (QuarterTurn d : {QuarterTurn::Up, QuarterTurn::Down, QuarterTurn::Left, QuarterTurn::Right}) {
        Matrix4 R = quarterTurnMatrix(ax, d);
        EXPECT_FLOAT_EQ(determinant(R), 1.0f);  // a rotation, never a mirror
        Matrix4 four = R * R * R * R;
        EXPECT_EQ(four, Matrix4::identity());
    }
    // Up and Down are inverse turns, and Up keeps the horizontal axis.
    EXPECT_EQ(quarterTurnMatrix(ax, QuarterTurn::Up) * quarterTurnMatrix(ax, QuarterTurn::Down),
              Matrix4::identity());
    Point3 x = transformPoint({1, 0, 0}, quarterTurnMatrix(ax, QuarterTurn::Up));
    EXPECT_EQ(x, (Point3{1, 0, 0}));

    Document doc;
    doc.addObject(test::makeCurve({{0, 0, 1}, {0, 0, 2}}), true);
    doc.beginStep();
    ASSERT_TRUE(copyFlip90(doc, ax, QuarterTurn::Up));
    ASSERT_EQ(doc.objects().size(), 2u);
    EXPECT_EQ(doc.objects()[0].state, 0);
    EXPECT_EQ(doc.objects()[1].state, 1);
    EXPECT_EQ(doc.objects()[1].serial, 1);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.objects()[0].state, 1);
    EXPECT_LT(doc.objects()[1].state, 0);

    // In object-axis mode the turn happens about the object's own origin.
    auto c = test::makeCurve({{5, 0, 1}, {5, 0, 2}});
    c->axisFrame = Matrix4::translation(5, 0, 1);
    Document d2;
    d2.addObject(std::move(c), true);
    d2.objectAxisMode = true;
    d2.beginStep();
    flip90(d2, ax, QuarterTurn::Up);
    EXPECT_EQ(static_cast<CurveObject&>(d2.objects()[0]).cvs[0], (Point3{5, 0, 1}));
}

// Every command, undone, gives back the very bytes that were saved before it; redone, the
// bytes after it.
TEST(History, UndoRestoresTheSavedBytes) {
    Matrix4 front{};
    front(0, 0) = front(2, 1) = front(1, 2) = front(3, 3) = 1;
    ViewAxes ax = dominantAxes(front);
    const std::vector<std::pair<const char*, std::function<bool(Document&)>>> commands = {
        {"hide", hideObjects},
        {"unhide", unhideObjects},
        {"swapHide", swapHide},
        {"restore", restoreRemovedCurves},
        {"delete", [](Document& d) { return deleteObjects(d); }},
        {"jewel", [](Document& d) { return setJewel(d, true); }},
        {"superSubtractor", [](Document& d) { return setSuperSubtractor(d, true); }},
        {"nonDeformable", [](Document& d) { return setNonDeformable(d, true); }},
        {"showCv", [](Document& d) { return setHideCv(d, false); }},
        {"hideJewel", hideJewels},
        {"showJewel", showJewels},
        {"flip", [&](Document& d) { return flip90(d, ax, QuarterTurn::Left); }},
        {"copyFlip", [&](Document& d) { return copyFlip90(d, ax, QuarterTurn::Right); }},
    };
    for (const auto& [name, cmd] : commands) {
        Document doc;
        test::fillEveryClass(doc);
        doc.objects()[1].state = objstate::kHidden;
        doc.objects()[2].state = objstate::kRemovedCurve;
        doc.objects()[3].state = objstate::kHiddenPicked;
        doc.objects()[6].jewel = true;
        auto* hiddenJewel = doc.addObject(test::makeSurface(), true);
        hiddenJewel->jewel = true;
        hiddenJewel->state = objstate::kHidden;
        auto before = designBytes(doc.objects());
        doc.beginStep();
        ASSERT_TRUE(cmd(doc)) << name;
        auto after = designBytes(doc.objects());
        EXPECT_NE(after, before) << name;
        ASSERT_TRUE(doc.undo()) << name;
        EXPECT_EQ(designBytes(doc.objects()), before) << name;
        ASSERT_TRUE(doc.redo()) << name;
        EXPECT_EQ(designBytes(doc.objects()), after) << name;
    }
}

}  // namespace
}  // namespace orv
