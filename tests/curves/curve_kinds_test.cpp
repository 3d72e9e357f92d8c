#include "curves/curve_kinds.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "curves/views.h"
#include "model/objects.h"

namespace orv {
namespace {

using namespace testviews;

void expectNear(const Point3& a, const Point3& b, float eps = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

void expectPolygon(const std::vector<Point3>& got, const std::vector<Point3>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("CV " + std::to_string(i));
        expectNear(got[i], want[i]);
    }
}

TEST(ViewAxesSetUp, StandardViews) {
    struct Case {
        const char* name;
        Matrix4 rotation;
        ViewAxes want;
    };
    const Case cases[] = {
        {"front", front(), {{0, 2, 1}, {1, 1, -1}}},
        {"top", top(), {{0, 1, 2}, {1, 1, 1}}},
        {"right", right(), {{1, 2, 0}, {1, 1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurveSymmetry s(CurveKind::Simple);
        s.setUpAxes(c.rotation);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(s.axes().axis[k], c.want.axis[k]) << k;
            EXPECT_EQ(s.axes().sign[k], c.want.sign[k]) << k;
        }
    }
}

// The fixed kinds in the standard views: which coordinates the images negate.
TEST(CurveSymmetry, MirrorAndCycleKindsGenerate) {
    struct Case {
        const char* name;
        CurveKind kind;
        Matrix4 view;
        std::vector<Point3> stored;
        std::vector<Point3> full;
    };
    const Case cases[] = {
        {"vertical mirror, front",
         CurveKind::VerticalMirror,
         front(),
         {{1, 2, 0}, {3, 5, 0}},
         {{1, 2, 0}, {3, 5, 0}, {-3, 5, 0}, {-1, 2, 0}}},
        {"vertical mirror, right: Y is horizontal",
         CurveKind::VerticalMirror,
         right(),
         {{1, 2, 3}},
         {{1, 2, 3}, {1, -2, 3}}},
        {"horizontal mirror, front: Z is vertical",
         CurveKind::HorizontalMirror,
         front(),
         {{1, 2, 3}, {4, 5, 6}},
         {{1, 2, 3}, {4, 5, 6}, {4, 5, -6}, {1, 2, -3}}},
        {"horizontal mirror, top: Y is vertical",
         CurveKind::HorizontalMirror,
         top(),
         {{1, 2, 3}},
         {{1, 2, 3}, {1, -2, 3}}},
        {"revolve 180, top: half turn about Z",
         CurveKind::Revolve180,
         top(),
         {{1, 2, 3}},
         {{1, 2, 3}, {-1, -2, 3}}},
        {"revolve 180, front: half turn about Y",
         CurveKind::Revolve180,
         front(),
         {{1, 2, 3}},
         {{1, 2, 3}, {-1, 2, -3}}},
        {"cycle, front, one CV",
         CurveKind::Cycle,
         front(),
         {{1, 0, 2}},
         {{1, 0, 2}, {1, 0, -2}, {-1, 0, -2}, {-1, 0, 2}}},
        {"cycle, top, two CVs",
         CurveKind::Cycle,
         top(),
         {{1, 2, 7}, {3, 4, 7}},
         {{1, 2, 7},
          {3, 4, 7},
          {3, -4, 7},
          {1, -2, 7},
          {-1, -2, 7},
          {-3, -4, 7},
          {-3, 4, 7},
          {-1, 2, 7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurveSymmetry s(c.kind);
        s.setUpAxes(c.view);
        s.stored() = c.stored;
        expectPolygon(s.generate(), c.full);
        EXPECT_EQ(s.closedWhenCreated(), c.kind == CurveKind::Cycle);
    }
}

TEST(CurveSymmetry, RevolveCopiesTurnTowardsTheVerticalAxis) {
    RevolveArgs args;  // 4 copies of 90 degrees, full revolution
    CurveSymmetry s = CurveSymmetry::revolve(args);
    EXPECT_EQ(s.copyCount(), 4);
    EXPECT_TRUE(s.closedWhenCreated());
    s.stored() = {{1, 0, 5}};
    s.setUpAxes(top());
    expectPolygon(s.generate(), {{1, 0, 5}, {0, 1, 5}, {-1, 0, 5}, {0, -1, 5}});

    args.clockwise = true;
    CurveSymmetry cw = CurveSymmetry::revolve(args);
    cw.stored() = {{1, 0, 5}};
    cw.setUpAxes(top());
    expectPolygon(cw.generate(), {{1, 0, 5}, {0, -1, 5}, {-1, 0, 5}, {0, 1, 5}});

    // In the front view the same turn takes X towards Z, about Y.
    CurveSymmetry f = CurveSymmetry::revolve(RevolveArgs{});
    f.stored() = {{1, 3, 0}};
    f.setUpAxes(front());
    expectPolygon(f.generate(), {{1, 3, 0}, {0, 3, 1}, {-1, 3, 0}, {0, 3, -1}});

    args = RevolveArgs{};
    args.fullRevolution = false;
    EXPECT_FALSE(CurveSymmetry::revolve(args).closedWhenCreated());
}

TEST(CurveSymmetry, ExtendMovesByTheScreenVector) {
    ExtendArgs args;
    args.extendNumber = 3;
    args.edits = {1, 2, 3};
    CurveSymmetry s = CurveSymmetry::extend(args);
    s.stored() = {{0, 0, 0}, {1, 1, 1}};
    s.setUpAxes(front());  // horizontal +X, vertical +Z, depth -Y
    expectPolygon(s.generate(),
                  {{0, 0, 0}, {1, 1, 1}, {1, -3, 2}, {2, -2, 3}, {2, -6, 4}, {3, -5, 5}});
    EXPECT_FALSE(s.closedWhenCreated());
}

TEST(CurveSymmetry, TransformMatrixSurvivesTheViewRoundTrip) {
    Matrix4 T = Matrix4::identity();
    T(0, 0) = 0.0f;  // a quarter turn about Z and a move
    T(0, 1) = 1.0f;
    T(1, 0) = -1.0f;
    T(1, 1) = 0.0f;
    T.setRow(3, {1, 2, 3});
    for (const Matrix4& view : {front(), top(), right()}) {
        CurveSymmetry s = CurveSymmetry::transform(T, 3, dominantAxes(view));
        s.setUpAxes(view);
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(s.worldMatrix()[i], T[i]) << i;
    }
    // A move along the screen's vertical in the right view stays vertical in the top view.
    CurveSymmetry moved =
        CurveSymmetry::transform(Matrix4::translation(0, 0, 4), 2, dominantAxes(right()));
    moved.setUpAxes(top());
    expectNear(moved.worldMatrix().row(3), {0, 4, 0});
}

// Every kind: moving any CV of the full polygon and mapping it back through its copy gives a
// stored CV that regenerates exactly the moved CV.
TEST(CurveSymmetry, LocateAndMapBackInvertGenerate) {
    ExtendArgs ext;
    ext.extendNumber = 3;
    ext.edits = {2, -1, 0.5};
    RevolveArgs rev;
    rev.number = 5;
    rev.degree = 50;
    rev.clockwise = true;
    Matrix4 T = Matrix4::scaling(1.5f, 1, 0.5f);
    T.setRow(3, {0.5f, 0, 1});
    const CurveSymmetry kinds[] = {
        CurveSymmetry(CurveKind::Simple),
        CurveSymmetry(CurveKind::VerticalMirror),
        CurveSymmetry(CurveKind::HorizontalMirror),
        CurveSymmetry(CurveKind::Revolve180),
        CurveSymmetry(CurveKind::Cycle),
        CurveSymmetry::extend(ext),
        CurveSymmetry::revolve(rev),
        CurveSymmetry::transform(T, 3, frontAxes()),
    };
    const std::vector<Point3> stored = {{1, 2, 3}, {-2, 0.5f, 1}, {0.25f, -3, 2}};
    for (const CurveSymmetry& kind : kinds) {
        SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind.kind())));
        for (const Matrix4& view : {front(), right()}) {
            CurveSymmetry s = kind;
            s.setUpAxes(view);
            s.stored() = stored;
            std::vector<Point3> full = s.generate();
            const int m = s.copyCount();
            ASSERT_EQ(full.size(), stored.size() * m);
            for (int i = 0; i < static_cast<int>(full.size()); ++i) {
                SCOPED_TRACE("full index " + std::to_string(i));
                CvSource src = s.locate(i);
                ASSERT_TRUE(src.valid());
                EXPECT_EQ(src.copy, i / 3);
                expectNear(s.mapBack(src.copy, full[i]), stored[src.stored]);

                CurveSymmetry moved = s;
                Point3 target = full[i] + Point3{0.5f, -0.75f, 1.25f};
                moved.stored()[src.stored] = moved.mapBack(src.copy, target);
                expectNear(moved.generate()[i], target, 2e-4f);
            }
            EXPECT_FALSE(s.locate(-1).valid());
            EXPECT_FALSE(s.locate(static_cast<int>(full.size())).valid());
        }
    }
}

TEST(CurveSymmetry, NothingStoredGeneratesAnEmptyPolygon) {
    CurveSymmetry s(CurveKind::Cycle);
    EXPECT_TRUE(s.generate().empty());
    EXPECT_FALSE(s.locate(0).valid());
    CurveObject curve;
    curve.setCvs({{1, 1, 1}});
    s.generate(curve);
    EXPECT_EQ(curve.cvCount(), 0);
}

TEST(CurveSymmetry, RederiveKeepsTheFrontPartAndRebuilds) {
    ExtendArgs three;
    three.extendNumber = 3;
    struct Case {
        const char* name;
        CurveSymmetry kind;
        int cvs;
        int stored;
        int rebuilt;
    };
    const Case cases[] = {
        {"vertical mirror of 7", CurveSymmetry(CurveKind::VerticalMirror), 7, 4, 8},
        {"cycle of 5", CurveSymmetry(CurveKind::Cycle), 5, 2, 8},
        {"simple of 5", CurveSymmetry(CurveKind::Simple), 5, 5, 5},
        {"revolve 180 of 6", CurveSymmetry(CurveKind::Revolve180), 6, 3, 6},
        {"extend x3 of 7", CurveSymmetry::extend(three), 7, 3, 9},
        {"empty curve", CurveSymmetry(CurveKind::VerticalMirror), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurveObject curve;
        std::vector<Point3> cvs;
        for (int i = 0; i < c.cvs; ++i) cvs.push_back({float(i + 1), float(2 * i), 0.5f});
        curve.setCvs(cvs, std::vector<uint32_t>(cvs.size(), 1));
        curve.closed = 1;
        curve.freeEnd = 1;
        CurveSymmetry s = c.kind;
        s.rederive(curve, frontAxes());
        ASSERT_EQ(static_cast<int>(s.stored().size()), c.stored);
        ASSERT_EQ(curve.cvCount(), c.rebuilt);
        for (int i = 0; i < c.stored; ++i) EXPECT_EQ(curve.cvs[i], cvs[i]);
        EXPECT_EQ(curve.cvs, s.generate());
        for (uint32_t f : curve.cvFlags) EXPECT_EQ(f, 0u);
        EXPECT_EQ(curve.closed, 1u);
        EXPECT_EQ(curve.freeEnd, 1u);
    }
}

TEST(CurveKinds, CommandsMapToKinds) {
    bool editing = false;
    EXPECT_EQ(curveKindForCommand(7031, &editing), CurveKind::VerticalMirror);
    EXPECT_TRUE(editing);
    EXPECT_EQ(curveKindForCommand(7010, &editing), CurveKind::Transform);
    EXPECT_FALSE(editing);
    EXPECT_FALSE(curveKindForCommand(7011).has_value());  // the sketch is no kind
    for (const auto kind : {CurveKind::Simple, CurveKind::Cycle, CurveKind::Transform}) {
        const CurveKindInfo& info = curveKindInfo(kind);
        EXPECT_EQ(curveKindForCommand(info.createCommand), kind);
        EXPECT_EQ(info.editCommand - info.createCommand, 30);
        EXPECT_EQ(info.editPrompt - info.createPrompt, 9);
    }
}

TEST(RingCvFactor, PutsTheClosedSplineThroughTheRadius) {
    EXPECT_DOUBLE_EQ(ringCvFactor(std::numbers::pi / 3), 1.2);  // 60 degrees
    EXPECT_DOUBLE_EQ(ringCvFactor(std::numbers::pi / 2), 1.5);  // 90 degrees
    EXPECT_DOUBLE_EQ(ringCvFactor(std::numbers::pi), 3.0);      // half turn: no blow-up
}

}  // namespace
}  // namespace orv
