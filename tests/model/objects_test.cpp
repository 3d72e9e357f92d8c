#include <gtest/gtest.h>

#include "fixtures.h"

namespace orv {
namespace {

TEST(ModelObjects, TransformOfPickedCvsOnly) {
    auto c = test::makeCurve({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});
    c->cvFlags[1] = c->cvFlags[3] = 1;
    Matrix4 up = Matrix4::translation(0, 0, 5);
    auto picked = c->clone();
    picked->transform(up, false);
    auto& p = static_cast<CurveObject&>(*picked);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(p.cvs[i].z, (i == 1 || i == 3) ? 5.0f : 0.0f) << i;

    c->hideCv = true;  // hidden CVs cannot be picked, so none move
    auto hidden = c->clone();
    hidden->transform(up, false);
    for (const auto& cv : static_cast<CurveObject&>(*hidden).cvs) EXPECT_EQ(cv.z, 0.0f);

    c->transform(up, true);
    for (const auto& cv : c->cvs) EXPECT_EQ(cv.z, 5.0f);
}

TEST(ModelObjects, AxisFrameFollowsButNeverScales) {
    auto c = test::makeCurve({{0, 0, 0}, {1, 0, 0}});
    c->axisFrame = Matrix4::translation(1, 2, 3);
    c->transform(Matrix4::scaling(2, 2, 2), true);
    EXPECT_EQ(c->axisFrame.row(3), (Point3{2, 4, 6}));
    for (int r = 0; r < 3; ++r) EXPECT_FLOAT_EQ(length(c->axisFrame.row(r)), 1.0f);
    // A collapsed axis keeps a unit axis instead of a zero row.
    c->transform(Matrix4::scaling(0, 1, 1), true);
    EXPECT_FLOAT_EQ(length(c->axisFrame.row(0)), 1.0f);
}

TEST(ModelObjects, PlacedObjectsMoveOnlyAsAWhole) {
    auto g = std::make_unique<GemInstance>();
    g->transform(Matrix4::translation(1, 0, 0), false);
    EXPECT_EQ(g->placement, Matrix4::identity());
    g->transform(Matrix4::translation(1, 0, 0), true);
    EXPECT_EQ(g->placement.row(3), (Point3{1, 0, 0}));
}

TEST(ModelObjects, CloneOfBooleanOwnsItsChildren) {
    auto b = test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface()));
    auto copy = b->clone();
    copy->transform(Matrix4::translation(10, 0, 0), true);
    auto& src = static_cast<SurfaceObject&>(b->children[0]);
    EXPECT_EQ(src.cvs[0], (Point3{0, 0, 0}));
    EXPECT_NE(&static_cast<BooleanObject&>(*copy).children[0], &b->children[0]);
}

TEST(ModelObjects, BooleanTransformsVisibleChildrenWithoutAll) {
    auto a = test::makeCurve({{0, 0, 0}, {1, 0, 0}});
    auto s = test::makeCurve({{0, 0, 0}, {1, 0, 0}});
    a->cvFlags = {1, 1};
    s->cvFlags = {1, 1};
    auto b = test::makeBoolean(kSubtract, test::kids(std::move(a), std::move(s)));
    b->transform(Matrix4::translation(0, 1, 0), false);
    EXPECT_EQ(static_cast<CurveObject&>(b->children[0]).cvs[0].y, 1.0f);
    EXPECT_EQ(static_cast<CurveObject&>(b->children[1]).cvs[0].y, 0.0f);  // subtractor hidden
    b->showSubtractors = true;
    b->transform(Matrix4::translation(0, 1, 0), false);
    EXPECT_EQ(static_cast<CurveObject&>(b->children[1]).cvs[0].y, 1.0f);
}

TEST(ModelObjects, SwapContentsExchangesEverythingButIdentity) {
    ObjectList list;
    auto* a = list.append(test::makeCurve({{0, 0, 0}, {1, 0, 0}}));
    auto* b = list.append(test::makeCurve({{5, 5, 5}, {6, 6, 6}, {7, 7, 7}}));
    b->state = 3;
    a->swapContents(*b);
    EXPECT_EQ(&list[0], a);
    EXPECT_EQ(&list[1], b);
    EXPECT_EQ(static_cast<CurveObject*>(a)->cvCount(), 3);
    EXPECT_EQ(a->state, 3);
    EXPECT_EQ(b->state, 0);

    // Booleans swap child contents pairwise: the child objects stay where they are.
    auto x = test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface()));
    auto y = x->clone();
    ModelObject* child = &x->children[1];
    y->transform(Matrix4::translation(1, 1, 1), true);
    x->swapContents(*y);
    EXPECT_EQ(&x->children[1], child);
    EXPECT_EQ(static_cast<SurfaceObject*>(child)->cvs[0], (Point3{1, 1, 1}));
}

TEST(ModelObjects, NextObjectFiltersAndStopsAtTheOriginalEnd) {
    ObjectList list;
    list.append(test::makeCurve({{0, 0, 0}, {1, 0, 0}}))->state = 1;
    list.append(test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface())))
        ->state = 1;
    list.append(test::makeBoolean(kUnion, test::kids(test::makeSurface(), test::makeSurface())))
        ->state = 0;
    list.append(test::makeSurface())->state = 1;
    ObjectList::Cursor c;
    std::vector<ModelObject*> seen;
    while (ModelObject* o = list.nextObject(c, 1, kClassBoolean)) seen.push_back(o);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], &list[1]);

    ObjectList::Cursor all;
    int visited = 0;
    while (list.nextObject(all, -1)) {
        if (++visited == 1) list.append(test::makeSurface());  // appended while iterating
    }
    EXPECT_EQ(visited, 4);
}

TEST(ModelObjects, BoundingBoxes) {
    auto t = std::make_unique<TLineObject>();
    t->axis = 1;
    t->axisFrame = Matrix4::translation(0, 3, 0);
    BoundingBox tb = t->boundingBox(Matrix4::identity());
    EXPECT_EQ(tb.lo, (Point3{-10000, 3, -10000}));
    EXPECT_EQ(tb.hi, (Point3{10000, 3, 10000}));
    // A curve's box is that of the curve, which stays inside its end CVs here.
    auto c = test::makeCurve({{0, 0, 0}, {1, 4, 0}, {2, 0, 0}});
    BoundingBox cb = c->boundingBox(Matrix4::identity());
    EXPECT_FLOAT_EQ(cb.lo.x, 0);
    EXPECT_FLOAT_EQ(cb.hi.x, 2);
    EXPECT_LT(cb.hi.y, 4.0f);
    EXPECT_GT(cb.hi.y, 1.0f);
    EXPECT_TRUE(std::make_unique<GemInstance>()->boundingBox(Matrix4::identity()).empty());
}

}  // namespace
}  // namespace orv
