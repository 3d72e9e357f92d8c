#include <gtest/gtest.h>

#include <functional>

#include "fixtures.h"
#include "model/boolean_commands.h"

namespace orv {
namespace {

std::vector<int> states(const Document& doc) {
    std::vector<int> v;
    doc.objects().forEach([&](const ModelObject& o) { v.push_back(o.state); });
    return v;
}

std::vector<ModelObject*> addresses(ObjectList& list) {
    std::vector<ModelObject*> v;
    list.forEach([&](ModelObject& o) { v.push_back(&o); });
    return v;
}

BooleanObject& asBoolean(ModelObject& o) {
    return dynamic_cast<BooleanObject&>(o);
}

// Objects added as a file would leave them: unpicked, history empty. `picked` lists the
// indexes to pick.
struct Scene {
    Document doc;
    template <class... T>
    explicit Scene(std::unique_ptr<T>... objects) {
        (doc.addObject(std::move(objects), true), ...);
        doc.history().clear();
        for (size_t i = 0; i < doc.objects().size(); ++i) doc.objects()[i].state = 0;
        doc.modified = false;
    }
    Scene& pick(std::initializer_list<int> idx) {
        for (int i : idx) doc.objects()[i].state = objstate::kPicked;
        return *this;
    }
    ModelObject& at(size_t i) { return doc.objects()[i]; }
};

std::unique_ptr<CurveObject> curve() {
    return test::makeCurve({{0, 0, 0}, {1, 1, 0}, {2, 0, 1}});
}

// Every command against one mixed document: the change saves differently, one undo gives back
// the exact bytes and redo the changed ones.
TEST(BooleanCommands, OneUndoRestoresTheSavedBytesAndRedoRepeats) {
    auto makeScene = [] {
        auto shown =
            test::makeBoolean(kSubtract, test::kids(test::makeSurface(), test::makeFacet()));
        shown->showSubtractors = true;
        return Scene(
            test::makeSurface(3, 3), curve(), test::makeFacet(), test::makeSurface(4, 4),
            test::makeBoolean(kSubtract, test::kids(test::makeSurface(), test::makeSurface(5, 4))),
            std::move(shown),
            test::makeBoolean(kUnion,
                              test::kids(test::makeSurface(), std::make_unique<BlockObject>())));
    };
    struct Case {
        const char* name;
        std::initializer_list<int> picked;
        std::function<bool(Scene&)> run;
    };
    const Case cases[] = {
        {"union", {0, 1, 2, 4}, [](Scene& s) { return unionObjects(s.doc) != nullptr; }},
        {"intersect", {1, 2, 3}, [](Scene& s) { return intersectObjects(s.doc) != nullptr; }},
        {"subtract from picked",
         {0, 1, 2, 3},
         [](Scene& s) { return subtractObjects(s.doc, s.at(3)) != nullptr; }},
        {"subtract from unpicked",
         {0, 2},
         [](Scene& s) { return subtractObjects(s.doc, s.at(6)) != nullptr; }},
        {"dis-Boolean", {0, 4, 6}, [](Scene& s) { return disBoolean(s.doc); }},
        {"show subtractors", {4, 5, 6}, [](Scene& s) { return setShowSubtractors(s.doc, true); }},
        {"hide subtractors", {4, 5, 6}, [](Scene& s) { return setShowSubtractors(s.doc, false); }},
    };
    for (const Case& c : cases) {
        Scene s = makeScene();
        s.at(0).layer = 3;
        s.at(2).jewel = true;
        s.doc.currentLayer = 7;
        s.pick(c.picked);
        auto before = designBytes(s.doc.objects());
        auto list = addresses(s.doc.objects());
        s.doc.beginStep();
        ASSERT_TRUE(c.run(s)) << c.name;
        auto after = designBytes(s.doc.objects());
        EXPECT_NE(after, before) << c.name;
        ASSERT_TRUE(s.doc.undo()) << c.name;
        EXPECT_EQ(designBytes(s.doc.objects()), before) << c.name;
        EXPECT_FALSE(s.doc.undo()) << c.name << ": the command made more than one step";
        // Undo brings back the very objects, not lookalikes; a made Boolean stays behind,
        // out of the design.
        auto now = addresses(s.doc.objects());
        ASSERT_GE(now.size(), list.size()) << c.name;
        EXPECT_EQ(std::vector<ModelObject*>(now.begin(), now.begin() + list.size()), list)
            << c.name;
        for (size_t i = list.size(); i < now.size(); ++i) EXPECT_LT(now[i]->state, 0) << c.name;
        ASSERT_TRUE(s.doc.redo()) << c.name;
        EXPECT_EQ(designBytes(s.doc.objects()), after) << c.name;
    }
}

TEST(BooleanCommands, UnionMakesOnePickedBooleanAndConsumesTheOperands) {
    Scene s(test::makeSurface(3, 3), test::makeSurface(4, 4), test::makeSurface(5, 5));
    s.pick({0, 1, 2});
    for (size_t i = 0; i < 3; ++i) s.at(i).layer = int(i) + 1;
    s.doc.currentLayer = 9;
    int serial = s.doc.nextSerial();
    s.doc.beginStep();
    BooleanObject* b = unionObjects(s.doc);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(s.doc.objects().size(), 4u);
    EXPECT_EQ(&s.at(3), b);
    EXPECT_EQ(states(s.doc), (std::vector<int>{-99, -99, -99, 1}));
    EXPECT_EQ(b->operation, kUnion);
    EXPECT_EQ(b->layer, 9);
    EXPECT_EQ(b->serial, serial);
    EXPECT_TRUE(b->materialName.empty());
    EXPECT_FALSE(b->showSubtractors);
    EXPECT_TRUE(b->placement == Matrix4::identity());
    ASSERT_EQ(b->children.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        auto& child = static_cast<SurfaceObject&>(b->children[i]);
        EXPECT_EQ(child.rows, i + 3) << i;  // picked order kept
        EXPECT_EQ(child.layer, int(i) + 1) << i;
        EXPECT_EQ(child.state, 1) << i;
        EXPECT_NE(&child, &s.at(i)) << i;  // copies, not the originals
    }
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(states(s.doc), (std::vector<int>{1, 1, 1, 1 - 99}));
}

TEST(BooleanCommands, TheSubtractedFromObjectComesFirst) {
    auto rowsOf = [](const BooleanObject& b) {
        std::vector<uint32_t> v;
        b.children.forEach(
            [&](const ModelObject& o) { v.push_back(static_cast<const SurfaceObject&>(o).rows); });
        return v;
    };
    // Rows tell the surfaces apart: index i has i + 2 rows.
    auto scene = [] {
        return Scene(test::makeSurface(2, 3), test::makeSurface(3, 3), test::makeSurface(4, 3),
                     test::makeSurface(5, 3));
    };
    {  // The base is picked too: it leads and is not subtracted from itself.
        Scene s = scene();
        s.pick({0, 1, 2});
        s.doc.beginStep();
        BooleanObject* b = subtractObjects(s.doc, s.at(1));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->operation, kSubtract);
        EXPECT_FALSE(b->showSubtractors);
        EXPECT_EQ(rowsOf(*b), (std::vector<uint32_t>{3, 2, 4}));
        EXPECT_EQ(states(s.doc), (std::vector<int>{-99, -99, -99, 0, 1}));
    }
    {  // The base was not picked: it still leads, picked inside the Boolean.
        Scene s = scene();
        s.pick({1, 2});
        s.doc.beginStep();
        BooleanObject* b = subtractObjects(s.doc, s.at(3));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(rowsOf(*b), (std::vector<uint32_t>{5, 3, 4}));
        EXPECT_EQ(b->children[0].state, 1);
        EXPECT_EQ(states(s.doc), (std::vector<int>{0, -99, -99, -99, 1}));
        ASSERT_TRUE(s.doc.undo());
        EXPECT_EQ(states(s.doc), (std::vector<int>{0, 1, 1, 0, -98}));
    }
}

// Too few operands, curves and refused bases: nothing changes and no step is left to undo.
TEST(BooleanCommands, RefusedCombinationsChangeNothing) {
    auto scene = [] {
        auto nested =
            test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface()));
        auto t = std::make_unique<TLineObject>();
        return Scene(test::makeSurface(), curve(), curve(), std::move(t), std::move(nested),
                     test::makeFacet(), test::makeSurface());
    };
    struct Case {
        const char* name;
        std::initializer_list<int> picked;
        std::function<BooleanObject*(Scene&)> run;
    };
    const Case cases[] = {
        {"nothing picked", {}, [](Scene& s) { return unionObjects(s.doc); }},
        {"one surface", {0}, [](Scene& s) { return intersectObjects(s.doc); }},
        {"surface and curves", {0, 1, 2}, [](Scene& s) { return unionObjects(s.doc); }},
        {"surface and T-line", {0, 3}, [](Scene& s) { return unionObjects(s.doc); }},
        {"subtract nothing", {1, 2, 3}, [](Scene& s) { return subtractObjects(s.doc, s.at(0)); }},
        {"subtract from itself only",
         {0},
         [](Scene& s) { return subtractObjects(s.doc, s.at(0)); }},
        {"subtract from a curve", {0, 5}, [](Scene& s) { return subtractObjects(s.doc, s.at(1)); }},
        {"subtract from a T-line",
         {0, 5},
         [](Scene& s) { return subtractObjects(s.doc, s.at(3)); }},
        {"subtract from a hidden object",
         {0, 5},
         [](Scene& s) { return subtractObjects(s.doc, s.at(6)); }},
        {"subtract from a child",
         {0, 5},
         [](Scene& s) { return subtractObjects(s.doc, asBoolean(s.at(4)).children[0]); }},
    };
    for (const Case& c : cases) {
        Scene s = scene();
        s.at(6).state = objstate::kHidden;
        s.pick(c.picked);
        s.doc.beginStep();
        auto before = designBytes(s.doc.objects());
        auto beforeStates = states(s.doc);
        EXPECT_EQ(c.run(s), nullptr) << c.name;
        EXPECT_EQ(designBytes(s.doc.objects()), before) << c.name;
        EXPECT_EQ(states(s.doc), beforeStates) << c.name;
        EXPECT_EQ(s.doc.objects().size(), 7u) << c.name;
        EXPECT_FALSE(s.doc.undo()) << c.name;
        EXPECT_FALSE(s.doc.modified) << c.name;
    }
    // Curves among a usable selection are simply left out.
    Scene s = scene();
    s.pick({1, 0, 2, 5});
    s.doc.beginStep();
    BooleanObject* b = unionObjects(s.doc);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->children.size(), 2u);
    EXPECT_EQ(b->children[0].classNumber(), kClassSurface);
    EXPECT_EQ(b->children[1].classNumber(), kClassFacet);
    EXPECT_EQ(states(s.doc), (std::vector<int>{-99, 1, 1, 0, 0, -99, 0, 1}));
    EXPECT_TRUE(acceptsSubtractBase(s.doc, &s.at(4)));  // a Boolean can be the base
}

TEST(BooleanCommands, DisBooleanMovesChildrenToTheEndAndUndoPutsThemBack) {
    auto inner = test::makeBoolean(kIntersect, test::kids(test::makeSurface(), test::makeFacet()));
    Scene s(test::makeSurface(),
            test::makeBoolean(kSubtract, test::kids(test::makeSurface(3, 3), std::move(inner))),
            test::makeBoolean(kUnion, test::kids(test::makeFacet(), test::makeSurface(6, 6))),
            test::makeSurface());
    s.pick({1, 2});
    auto& outer = asBoolean(s.at(1));
    auto& other = asBoolean(s.at(2));
    outer.children[0].state = 1;
    auto& nested = asBoolean(outer.children[1]);
    nested.state = 1;  // picked, yet appended during the command: must stay whole
    auto list = addresses(s.doc.objects());
    auto outerKids = addresses(outer.children);
    auto otherKids = addresses(other.children);
    auto before = designBytes(s.doc.objects());

    s.doc.beginStep();
    ASSERT_TRUE(disBoolean(s.doc));
    auto expected = list;
    expected.insert(expected.end(), outerKids.begin(), outerKids.end());
    expected.insert(expected.end(), otherKids.begin(), otherKids.end());
    EXPECT_EQ(addresses(s.doc.objects()), expected);
    EXPECT_EQ(states(s.doc), (std::vector<int>{0, -98, -98, 0, 1, 1, 0, 0}));
    EXPECT_EQ(outer.operation, kSubtract + kTakenApartShift);
    EXPECT_EQ(other.operation, kUnion + kTakenApartShift);
    EXPECT_EQ(nested.operation, kIntersect);
    EXPECT_EQ(nested.children.size(), 2u);
    auto apart = designBytes(s.doc.objects());

    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(addresses(s.doc.objects()), list);
    EXPECT_EQ(addresses(outer.children), outerKids);
    EXPECT_EQ(addresses(other.children), otherKids);
    EXPECT_EQ(outer.operation, kSubtract);
    EXPECT_EQ(designBytes(s.doc.objects()), before);

    ASSERT_TRUE(s.doc.redo());
    EXPECT_EQ(addresses(s.doc.objects()), expected);
    EXPECT_EQ(designBytes(s.doc.objects()), apart);

    // Nothing picked that is a Boolean: no change, no step.
    Scene plain(test::makeSurface(), test::makeSurface());
    plain.pick({0, 1});
    plain.doc.beginStep();
    EXPECT_FALSE(disBoolean(plain.doc));
    EXPECT_FALSE(plain.doc.undo());
}

// Made, taken apart and both undone: the design is back as it was.
TEST(BooleanCommands, CombineThenTakeApartUndoesInTurn) {
    Scene s(test::makeSurface(3, 3), test::makeFacet(), test::makeSurface(4, 4));
    s.pick({0, 1, 2});
    auto original = designBytes(s.doc.objects());
    s.doc.beginStep();
    ASSERT_NE(subtractObjects(s.doc, s.at(2)), nullptr);
    auto made = designBytes(s.doc.objects());
    s.doc.beginStep();
    ASSERT_TRUE(disBoolean(s.doc));
    EXPECT_EQ(states(s.doc), (std::vector<int>{-99, -99, -99, -98, 1, 1, 1}));
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(designBytes(s.doc.objects()), made);
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(designBytes(s.doc.objects()), original);
    ASSERT_TRUE(s.doc.redo());
    ASSERT_TRUE(s.doc.redo());
    EXPECT_EQ(states(s.doc), (std::vector<int>{-99, -99, -99, -98, 1, 1, 1}));
}

TEST(BooleanCommands, ShowAndHideSubtractorsTouchOnlyPickedSubtractions) {
    auto two = [] { return test::kids(test::makeSurface(), test::makeSurface()); };
    Scene s(test::makeBoolean(kUnion, two()), test::makeBoolean(kIntersect, two()),
            test::makeBoolean(kSubtract, two()), test::makeBoolean(kSubtract, two()),
            test::makeBoolean(kSubtract, two()), test::makeSurface());
    s.pick({0, 1, 2, 4, 5});  // index 3 is a subtraction left unpicked
    auto shown = [&] {
        std::vector<bool> v;
        for (size_t i = 0; i < 5; ++i) v.push_back(asBoolean(s.at(i)).showSubtractors);
        return v;
    };
    auto hidden = designBytes(s.doc.objects());
    s.doc.beginStep();
    ASSERT_TRUE(setShowSubtractors(s.doc, true));
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, true, false, true}));
    auto visible = designBytes(s.doc.objects());
    EXPECT_NE(visible, hidden);
    s.doc.beginStep();
    EXPECT_FALSE(setShowSubtractors(s.doc, true));  // already shown: nothing to record
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(shown(), (std::vector<bool>(5, false)));

    asBoolean(s.at(3)).showSubtractors = true;
    s.doc.beginStep();
    EXPECT_FALSE(setShowSubtractors(s.doc, false));
    EXPECT_TRUE(s.doc.history().canRedo());  // an attempt that records nothing keeps redo
    s.doc.beginStep();
    ASSERT_TRUE(setShowSubtractors(s.doc, true));
    s.doc.beginStep();
    ASSERT_TRUE(setShowSubtractors(s.doc, false));
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, false, true, false}));
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, true, true, true}));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {
// Taking apart, then combining the freed children, then undoing both must give back the
// Boolean with its own children, even though the undone combination's Boolean stays at the
// end of the list. Disabled until rebuilding detaches the Boolean's own children instead of
// whatever is last in the list (today it takes the undone Boolean as a child and leaves a
// real child behind at top level).
TEST(BooleanCommands, UndoingAnAdditionAfterTakingApartKeepsTheChildren) {
    Scene s(
        test::makeBoolean(kUnion, test::kids(test::makeSurface(3, 3), test::makeSurface(4, 4))));
    s.pick({0});
    auto& b = asBoolean(s.at(0));
    b.children.forEach([](ModelObject& c) { c.state = objstate::kPicked; });
    auto kids = addresses(b.children);
    auto original = designBytes(s.doc.objects());
    s.doc.beginStep();
    ASSERT_TRUE(disBoolean(s.doc));
    s.doc.beginStep();
    ASSERT_NE(unionObjects(s.doc), nullptr);
    ASSERT_TRUE(s.doc.undo());
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(addresses(b.children), kids);
    EXPECT_EQ(designBytes(s.doc.objects()), original);
}
}  // namespace
}  // namespace orv
