#include "surfaces/sweep_surfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "curves/ready_made.h"
#include "curves/views.h"
#include "kernel/surface_grid.h"
#include "model/design_file.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv {
namespace {

using namespace testviews;

void expectNear(const Point3& a, const Point3& b, float eps = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

CurveObject* addCurve(Document& doc, std::vector<Point3> cvs, bool closed = false) {
    auto c = std::make_unique<CurveObject>();
    c->setCvs(std::move(cvs));
    c->closed = closed ? 1 : 0;
    return static_cast<CurveObject*>(doc.addObject(std::move(c), true));
}

const Point3& cv(const SurfaceObject& s, int row, int column) {
    return s.cvs[static_cast<size_t>(row) * s.columns + column];
}

// Volume of the evaluated surface as drawn: its triangles wound by its orientation.
double meshVolume(const SurfaceObject& s) {
    double sum = 0;
    gridTriangles(s.grid(), s.orientation, [&](const Point3& a, const Point3& b, const Point3& c) {
        sum += dot(a, cross(b, c));
    });
    return sum / 6;
}

// A circle of radius r in the front view's XZ plane, centred at distance R on +X.
CurveObject* addProfileCircle(Document& doc, double R, double r, int cvs) {
    CircleArgs args;
    args.noOfCvs = cvs;
    args.diameter = 2 * r;
    CurveObject* c = makeCircle(doc, frontAxes(), args).curve;
    for (Point3& p : c->cvs) p.x += static_cast<float>(R);
    return c;
}

TEST(RevolveSurface, ClosedProfileGivesAnOutwardTorus) {
    const double R = 6, r = 2;
    for (bool clockwise : {false, true}) {
        SCOPED_TRACE(clockwise ? "clockwise" : "anticlockwise");
        Document doc;
        CurveObject* profile = addProfileCircle(doc, R, r, 32);
        RevolveSurfaceArgs args;
        args.setNumber(32);
        args.clockwise = clockwise;
        doc.beginStep();
        SurfaceResult res = makeRevolveSurfaces(doc, frontAxes(), args, RevolveAxis::Vertical);
        ASSERT_EQ(res.error, "");
        ASSERT_EQ(res.surfaces.size(), 1u);
        const SurfaceObject& s = *res.surfaces[0];
        EXPECT_EQ(s.rows, 32u);
        EXPECT_EQ(s.columns, 32u);
        EXPECT_EQ(s.rowClosed, 1u);
        EXPECT_EQ(s.columnClosed, 1u);
        EXPECT_EQ(profile->state, objstate::kRemovedCurve);

        // About the front view's vertical axis, Z: every surface point lies on the tube.
        PointGrid g = s.grid();
        ASSERT_FALSE(g.empty());
        for (const Point3& p : g.points)
            ASSERT_NEAR(std::hypot(std::hypot(p.x, p.y) - R, p.z), r, 1e-3) << p.x << " " << p.y;

        // The orientation makes the triangles face out: positive enclosed volume.
        EXPECT_EQ(s.orientation, clockwise ? -1 : 1);
        const double torus = 2 * std::numbers::pi * std::numbers::pi * R * r * r;
        EXPECT_NEAR(meshVolume(s), torus, 0.005 * torus);
    }
}

TEST(RevolveSurface, RowZeroIsTheProfilePreScaledAwayFromTheAxis) {
    struct Case {
        int number;
        double degree;
        bool full;
        float factor;
    };
    const Case cases[] = {
        {4, 90, true, 1.5f},  // 3 / (cos 90 + 2)
        {6, 60, true, 1.2f},  // the initial values
        {3, 45, false, static_cast<float>(3 / (std::cos(std::numbers::pi / 4) + 2))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        Document doc;
        // The first and last CVs lie on the vertical axis Z of the front view.
        const std::vector<Point3> profile = {{0, 0, -2}, {2, 1, -1}, {3, -1, 1}, {0, 0, 2}};
        addCurve(doc, profile);
        RevolveSurfaceArgs args;
        args.fullRevolution = c.full;
        args.number = c.number;
        args.degree = c.degree;
        SurfaceResult res = makeRevolveSurfaces(doc, frontAxes(), args, RevolveAxis::Vertical);
        ASSERT_EQ(res.surfaces.size(), 1u);
        const SurfaceObject& s = *res.surfaces[0];
        EXPECT_EQ(s.rows, static_cast<uint32_t>(c.number));
        EXPECT_EQ(s.rowClosed, c.full ? 1u : 0u);
        for (int j = 0; j < 4; ++j)
            expectNear(cv(s, 0, j),
                       {c.factor * profile[j].x, c.factor * profile[j].y, profile[j].z});
        for (int i = 0; i < c.number; ++i) {
            expectNear(cv(s, i, 0), {0, 0, -2});
            expectNear(cv(s, i, 3), {0, 0, 2});
            // Each row is the previous one turned about Z by the degree.
            const double want = c.degree * std::numbers::pi / 180 * i;
            const Point3& p = cv(s, i, 2);
            double turned = std::atan2(p.y, p.x) - std::atan2(profile[2].y, profile[2].x);
            EXPECT_NEAR(std::remainder(turned - want, 2 * std::numbers::pi), 0, 1e-5);
            EXPECT_NEAR(p.z, 1.0f, 1e-5);
        }
    }
}

TEST(RevolveSurface, AxisAndTurnFollowTheView) {
    struct Case {
        const char* name;
        ViewAxes axes;
        RevolveAxis which;
        Point3 row1;
    };
    // Profile CV (0, 0, 1) or (1, 0, 0) turned a quarter; the pre-scale makes it 1.5 away.
    const Case cases[] = {
        // Front, horizontal axis +X: Y turns towards Z, so Z goes to -Y.
        {"front horizontal", frontAxes(), RevolveAxis::Horizontal, {0, -1.5f, 0}},
        // Back, horizontal axis -X: the sign reverses the turn.
        {"back horizontal", backAxes(), RevolveAxis::Horizontal, {0, 1.5f, 0}},
        // Top, vertical axis +Y: Z turns towards X.
        {"top vertical", topAxes(), RevolveAxis::Vertical, {1.5f, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        addCurve(doc, {{0, 0, 1}, {0, 0, 1}});
        RevolveSurfaceArgs args;
        args.setNumber(4);
        SurfaceResult res = makeRevolveSurfaces(doc, c.axes, args, c.which);
        ASSERT_EQ(res.surfaces.size(), 1u);
        expectNear(cv(*res.surfaces[0], 1, 0), c.row1);
    }
}

TEST(RevolveSurface, OpenProfileMakesAnOpenBand) {
    Document doc;
    CurveObject* arc = addCurve(doc, {{1, 0, 0}, {2, 0, 1}, {2, 0, 3}, {1, 0, 4}});
    arc->freeStart = 1;
    arc->resolution = 5;
    RevolveSurfaceArgs args;  // 6 x 60
    args.fullRevolution = false;
    args.number = 3;
    doc.beginStep();
    SurfaceResult res = makeRevolveSurfaces(doc, frontAxes(), args, RevolveAxis::Vertical);
    ASSERT_EQ(res.surfaces.size(), 1u);
    const SurfaceObject& s = *res.surfaces[0];
    EXPECT_EQ(s.rows, 3u);
    EXPECT_EQ(s.columns, 4u);
    EXPECT_EQ(s.rowClosed, 0u);
    EXPECT_EQ(s.rowFreeStart + s.rowFreeEnd, 0u);
    EXPECT_EQ(s.rowResolution, 8u);
    EXPECT_EQ(s.columnClosed, 0u);
    EXPECT_EQ(s.columnFreeStart, 1u);
    EXPECT_EQ(s.columnResolution, 5u);
    EXPECT_TRUE(s.hideCv);  // as every new surface
    EXPECT_EQ(s.state, objstate::kPicked);
    EXPECT_FALSE(s.grid().empty());
    EXPECT_EQ(arc->state, objstate::kRemovedCurve);
}

// The enclosed volume of nets closed in one direction counts the caps over the open ends.
TEST(NetVolume, CapsCloseTubes) {
    // A segment at distance 2 from Z, revolved 4 x 90 degrees: a square prism whose corners
    // lie 2 * 1.5 = 3 from the axis: area 18, height 2.
    const std::vector<Point3> segment = {{2, 0, -1}, {2, 0, 1}};
    for (bool reversed : {false, true})
        for (bool clockwise : {false, true}) {
            SCOPED_TRACE(std::to_string(reversed) + std::to_string(clockwise));
            Document doc;
            addCurve(doc, reversed ? std::vector<Point3>{segment[1], segment[0]} : segment);
            RevolveSurfaceArgs args;
            args.setNumber(4);
            args.clockwise = clockwise;
            const SurfaceObject& s =
                *makeRevolveSurfaces(doc, frontAxes(), args, RevolveAxis::Vertical).surfaces[0];
            double v = netVolumeTimesSix(s.cvs, 4, 2, true, false) / 6;
            EXPECT_NEAR(std::fabs(v), 36.0, 1e-3);
            EXPECT_EQ(v > 0, reversed == clockwise);
            EXPECT_EQ(s.orientation, v > 0 ? 1 : -1);
        }

    // A closed square (side 2) extended 3 along the top view's depth: a prism of 12.
    const std::vector<Point3> square = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    for (bool reversed : {false, true}) {
        Document doc;
        std::vector<Point3> cvs = square;
        if (reversed) std::reverse(cvs.begin(), cvs.end());
        addCurve(doc, cvs, true);
        ExtendSurfaceArgs args;
        args.edits = {0, 0, 3};
        const SurfaceObject& s = *makeExtendSurfaces(doc, topAxes(), args).surfaces[0];
        expectNear(cv(s, 1, 2), cvs[2] + Point3{0, 0, 3});
        double v = netVolumeTimesSix(s.cvs, 2, 4, false, true) / 6;
        EXPECT_NEAR(std::fabs(v), 12.0, 1e-4);
        EXPECT_EQ(v > 0, reversed);  // anticlockwise seen along the extension faces in
        EXPECT_EQ(s.orientation, v > 0 ? 1 : -1);
    }

    const std::vector<Point3> few = {{0, 0, 0}, {1, 0, 0}};
    EXPECT_EQ(netVolumeTimesSix(few, 1, 2, true, true), 0.0);
    EXPECT_EQ(netVolumeTimesSix(few, 2, 2, true, true), 0.0);  // fewer CVs than 2 x 2
    EXPECT_EQ(netOrientation(few, 1, 2, false, false), 1);
}

TEST(ExtendSurface, RowsMoveAlongTheViewsDepth) {
    Document doc;
    addCurve(doc, {{0, 0, 0}, {1, 0, 2}, {3, 0, 2}});
    ExtendSurfaceArgs args;  // 2 copies, one unit in depth
    SurfaceResult res = makeExtendSurfaces(doc, frontAxes(), args);
    ASSERT_EQ(res.surfaces.size(), 1u);
    const SurfaceObject& s = *res.surfaces[0];
    EXPECT_EQ(s.rows, 2u);
    EXPECT_EQ(s.rowClosed, 0u);
    for (int j = 0; j < 3; ++j) expectNear(cv(s, 1, j), cv(s, 0, j) + Point3{0, -1, 0});

    // Screen components land on the view's axes with their signs: right view is Y, Z, X.
    Document doc2;
    addCurve(doc2, {{0, 0, 0}, {0, 1, 0}});
    args.extendNumber = 3;
    args.edits = {1, 2, 3};
    const SurfaceObject& t = *makeExtendSurfaces(doc2, rightAxes(), args).surfaces[0];
    expectNear(cv(t, 2, 1), {6, 3, 4});
}

TEST(TransformSurface, RowsCarriedByTheMatrixAsItIs) {
    Document doc;
    addCurve(doc, {{1, 0, 0}, {2, 0, 0}});
    TransformSurfaceArgs args;
    args.matrix = Matrix4::translation(0, 0, 2);
    args.copies = 3;
    SurfaceResult res = makeTransformSurfaces(doc, args);
    ASSERT_EQ(res.surfaces.size(), 1u);
    expectNear(cv(*res.surfaces[0], 2, 1), {2, 0, 4});
    EXPECT_EQ(res.surfaces[0]->rowClosed, 0u);
}

TEST(SweepCommands, EachPickedCurveOnceAndUndoTakesAllBack) {
    Document doc;
    CurveObject* a = addCurve(doc, {{1, 0, 0}, {2, 0, 1}, {1, 0, 2}});
    CurveObject* hidden = addCurve(doc, {{1, 0, 0}, {2, 0, 0}});
    hidden->state = objstate::kNormal;
    auto other = std::make_unique<SurfaceObject>();
    other->setCvs({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    other->rows = other->columns = 2;
    ModelObject* pickedSurface = doc.addObject(std::move(other), true);
    CurveObject* single = addCurve(doc, {{3, 0, 0}});  // still a surface, with no patch
    CurveObject* empty = addCurve(doc, {});            // nothing to sweep
    const std::vector<uint8_t> before = designBytes(doc.objects());
    const size_t countBefore = doc.objects().size();
    doc.history().clear();

    doc.beginStep();
    SurfaceResult res =
        makeRevolveSurfaces(doc, frontAxes(), RevolveSurfaceArgs{}, RevolveAxis::Vertical);
    ASSERT_EQ(res.error, "");
    ASSERT_EQ(res.surfaces.size(), 2u);
    EXPECT_EQ(doc.objects().size(), countBefore + 2);
    EXPECT_EQ(&doc.objects()[countBefore], res.surfaces[0]);
    EXPECT_EQ(res.surfaces[0]->columns, 3u);
    EXPECT_EQ(res.surfaces[1]->columns, 1u);
    EXPECT_EQ(res.surfaces[1]->rows, 6u);
    EXPECT_EQ(a->state, objstate::kRemovedCurve);
    EXPECT_EQ(single->state, objstate::kRemovedCurve);
    EXPECT_EQ(hidden->state, objstate::kNormal);
    EXPECT_EQ(empty->state, objstate::kPicked);
    EXPECT_EQ(pickedSurface->state, objstate::kPicked);
    EXPECT_NE(designBytes(doc.objects()), before);

    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(a->state, objstate::kPicked);
    EXPECT_EQ(single->state, objstate::kPicked);
    EXPECT_LT(res.surfaces[0]->state, 0);
    EXPECT_EQ(designBytes(doc.objects()), before);
    EXPECT_FALSE(doc.undo());  // the whole command was one step

    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(a->state, objstate::kRemovedCurve);
    EXPECT_EQ(res.surfaces[0]->state, objstate::kPicked);
}

TEST(SweepCommands, NothingToDoOrRefusedChangesNothing) {
    struct Case {
        const char* name;
        std::function<SurfaceResult(Document&)> run;
        bool error;
    };
    ExtendSurfaceArgs one;
    one.extendNumber = 1;
    ExtendSurfaceArgs zero;
    zero.extendNumber = 0;
    RevolveSurfaceArgs single;
    single.number = 1;
    RevolveSurfaceArgs badDegree;
    badDegree.degree = std::nan("");
    TransformSurfaceArgs badMatrix;
    badMatrix.matrix[5] = INFINITY;
    TransformSurfaceArgs noCopies;
    noCopies.copies = 0;
    const Case cases[] = {
        {"extend x1", [&](Document& d) { return makeExtendSurfaces(d, frontAxes(), one); }, false},
        {"extend x0", [&](Document& d) { return makeExtendSurfaces(d, frontAxes(), zero); }, true},
        {"revolve x1",
         [&](Document& d) {
             return makeRevolveSurfaces(d, frontAxes(), single, RevolveAxis::Vertical);
         },
         false},
        {"revolve NaN",
         [&](Document& d) {
             return makeRevolveSurfaces(d, frontAxes(), badDegree, RevolveAxis::Horizontal);
         },
         true},
        {"transform inf", [&](Document& d) { return makeTransformSurfaces(d, badMatrix); }, true},
        {"transform x0", [&](Document& d) { return makeTransformSurfaces(d, noCopies); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        CurveObject* curve = addCurve(doc, {{1, 0, 0}, {2, 0, 0}});
        doc.history().clear();
        SurfaceResult res = c.run(doc);
        EXPECT_TRUE(res.surfaces.empty());
        EXPECT_EQ(res.error.empty(), !c.error);
        EXPECT_EQ(doc.objects().size(), 1u);
        EXPECT_EQ(curve->state, objstate::kPicked);
        EXPECT_FALSE(doc.history().canUndo());
    }

    // No picked curve: silently nothing.
    Document doc;
    addCurve(doc, {{1, 0, 0}, {2, 0, 0}})->state = objstate::kNormal;
    SurfaceResult res = makeExtendSurfaces(doc, frontAxes(), ExtendSurfaceArgs{});
    EXPECT_TRUE(res.surfaces.empty());
    EXPECT_EQ(res.error, "");
    EXPECT_EQ(doc.objects().size(), 1u);
}

TEST(SweepCommands, ArgumentFieldsKeepTheirOwnDefaults) {
    auto defaults = [](const auto& fields) {
        std::vector<std::string> out;
        for (const auto& f : fields) out.push_back(f.label + "=" + f.defaultValue);
        return out;
    };
    EXPECT_EQ(defaults(ExtendSurfaceArgs::fields()),
              (std::vector<std::string>{"Extend Number=2", "--=0", "|=0", "+=1", "<=0"}));
    EXPECT_EQ(
        defaults(RevolveSurfaceArgs::fields()),
        (std::vector<std::string>{"Number=6", "Degree=60", "Full revolution=1", "Clockwise=0"}));
    RevolveSurfaceArgs r;
    EXPECT_EQ(setField(r, "Number", "5"), "");
    EXPECT_DOUBLE_EQ(r.degree, 72.0);
}

}  // namespace
}  // namespace orv
