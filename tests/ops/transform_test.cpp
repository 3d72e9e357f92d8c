#include <gtest/gtest.h>

#include "../model/fixtures.h"
#include "model/object_commands.h"
#include "ops/transform.h"

namespace orv {
namespace {

const ViewAxes kFront = dominantAxes(directionRotation(1));

void expectNear(const Point3& a, const Point3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5);
    EXPECT_NEAR(a.y, b.y, 1e-5);
    EXPECT_NEAR(a.z, b.z, 1e-5);
}

TEST(TransformDialog, ScreenValuesBecomeWorldMotion) {
    struct Case {
        const char* what;
        TransformArgs args;
        Point3 in, out;
    };
    auto with = [](auto f) {
        TransformArgs a;
        f(a);
        return a;
    };
    const Case cases[] = {
        {"move right", with([](TransformArgs& a) { a.move = {2, 0, 0}; }), {0, 0, 0}, {2, 0, 0}},
        {"move up", with([](TransformArgs& a) { a.move = {0, 3, 0}; }), {0, 0, 0}, {0, 0, 3}},
        // The front view looks along +Y, so "toward the viewer" is -Y.
        {"move out", with([](TransformArgs& a) { a.move = {0, 0, 1}; }), {0, 0, 0}, {0, -1, 0}},
        {"scale then move", with([](TransformArgs& a) {
             a.rows = TransformArgs::kMove | TransformArgs::kScale;
             a.scale = {1, 2, 1};
             a.move = {5, 0, 0};
         }),
         {1, 0, 1}, {6, 0, 2}},
        {"size", with([](TransformArgs& a) {
             a.rows = TransformArgs::kSize;
             a.size = 3;
         }),
         {1, 2, 3}, {3, 6, 9}},
        {"quarter turn about screen right", with([](TransformArgs& a) {
             a.rows = TransformArgs::kRotate;
             a.rotate = {90, 0, 0};
         }),
         {0, 0, 1}, {0, -1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expectNear(transformPoint(c.in, c.args.matrix(kFront)), c.out);
    }
}

TEST(TransformDialog, RowButtons) {
    TransformArgs a;  // Move alone
    a.clickRow(TransformArgs::kSize);
    EXPECT_EQ(a.rows, TransformArgs::kMove | TransformArgs::kSize);
    a.clickRow(TransformArgs::kScale);  // excludes Size
    EXPECT_EQ(a.rows, TransformArgs::kMove | TransformArgs::kScale);
    a.clickRow(TransformArgs::kMove);  // already on: the only one
    EXPECT_EQ(a.rows, TransformArgs::kMove);
    EXPECT_EQ(setField(a, "Scale", "on"), "");
    EXPECT_EQ(setField(a, "Size", "on"), "");
    EXPECT_EQ(a.rows, TransformArgs::kMove | TransformArgs::kSize);
    a.size = 0;
    EXPECT_NE(validate(a), "");
    TransformSeriesArgs s;
    EXPECT_EQ(setField(s, "Copy No.", "1"), "");
    EXPECT_NE(validate(s), "");
}

TEST(ApplyTransform, PickedObjectsWholePickedCvsAlone) {
    Document doc;
    auto* moved = doc.addObject(test::makeCurve({{0, 0, 0}, {1, 0, 0}}), true);
    auto* partly = static_cast<CurveObject*>(
        doc.addObject(test::makeCurve({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), true));
    auto* still = doc.addObject(test::makeCurve({{0, 0, 0}, {1, 0, 0}}), true);
    partly->state = still->state = 0;
    partly->cvFlags[1] = 1;
    doc.history().clear();
    auto before = designBytes(doc.objects());
    doc.beginStep();
    ASSERT_TRUE(applyTransform(doc, false, Matrix4::translation(0, 0, 1)));
    EXPECT_EQ(static_cast<CurveObject*>(moved)->cvs[0].z, 1.0f);
    EXPECT_EQ(moved->axisFrame.row(3), (Point3{0, 0, 1}));
    EXPECT_EQ(partly->cvs[0].z, 0.0f);
    EXPECT_EQ(partly->cvs[1].z, 1.0f);
    EXPECT_EQ(partly->axisFrame, Matrix4::identity());  // a few CVs do not move the object
    EXPECT_EQ(still->axisFrame, Matrix4::identity());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(designBytes(doc.objects()), before);
}

TEST(QuarterTurn, UpInTheFrontViewTurnsTheTopAwayFromTheViewer) {
    Point3 top = transformPoint({0, 0, 1}, quarterTurnMatrix(kFront, QuarterTurn::Up));
    expectNear(top, {0, 1, 0});
}

TEST(ApplyTransform, ObjectAxisScalesAboutEachOrigin) {
    Document doc;
    auto c = test::makeCurve({{4, 0, 0}, {6, 0, 0}});
    c->axisFrame = Matrix4::translation(5, 0, 0);
    auto* curve = static_cast<CurveObject*>(doc.addObject(std::move(c), true));
    doc.beginStep();
    applyTransform(doc, true, Matrix4::scaling(2, 2, 2));
    expectNear(curve->cvs[0], {3, 0, 0});
    expectNear(curve->cvs[1], {7, 0, 0});
    expectNear(curve->axisFrame.row(3), {5, 0, 0});
}

}  // namespace
}  // namespace orv
