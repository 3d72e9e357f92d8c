#include "kernel/bspline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace orv {
namespace {

void expectNear(const Point3& a, const Point3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// An irregular, non-planar polygon so no weight can hide behind symmetry.
const PointArray kCvs = {{0, 0, 0}, {1, 2, 0}, {3, 3, 1}, {4, 1, 2}, {6, 0, 1}, {7, 2, -1}};

// Curve point on span j of a polygon by the cubic formula [1 t t^2 t^3] * M * P, in double.
Point3 spanPoint(const PointArray& p, int j, double t) {
    const double T[4] = {1, t, t * t, t * t * t};
    double q[3] = {0, 0, 0};
    for (int a = 0; a < 4; ++a) {
        double w = 0;
        for (int k = 0; k < 4; ++k) w += T[k] * kBSplineBasis[static_cast<size_t>(4 * k + a)];
        for (int c = 0; c < 3; ++c) q[c] += w * p[static_cast<size_t>(j + a)][c];
    }
    return {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])};
}

TEST(ExtendCurve, EndConditions) {
    const PointArray p(kCvs.begin(), kCvs.begin() + 4);
    const Point3 before = 2.0f * p[0] - p[1];
    const Point3 after = 2.0f * p[3] - p[2];
    struct Case {
        bool freeStart, freeEnd, closed;
        PointArray expected;
    };
    const Case cases[] = {
        {false, false, false, {before, p[0], p[1], p[2], p[3], after}},
        {true, false, false, {p[0], p[1], p[2], p[3], after}},
        {false, true, false, {before, p[0], p[1], p[2], p[3]}},
        {true, true, false, {p[0], p[1], p[2], p[3]}},
        // Free flags mean nothing on a closed curve.
        {false, false, true, {p[3], p[0], p[1], p[2], p[3], p[0], p[1]}},
        {true, true, true, {p[3], p[0], p[1], p[2], p[3], p[0], p[1]}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.freeStart << c.freeEnd << c.closed);
        EXPECT_EQ(extendCurve(p.data(), 4, 1, c.freeStart, c.freeEnd, c.closed), c.expected);
        EXPECT_EQ(extendedCount(4, c.freeStart, c.freeEnd, c.closed),
                  static_cast<int>(c.expected.size()));
    }
}

TEST(ExtendCurve, StrideAndDegenerateCounts) {
    // Every other point of the array is a CV, as for one column of a two-column net.
    PointArray interleaved;
    for (const Point3& q : kCvs) {
        interleaved.push_back(q);
        interleaved.push_back({99, 99, 99});
    }
    EXPECT_EQ(extendCurve(interleaved.data(), 6, 2, false, false, true),
              extendCurve(kCvs.data(), 6, 1, false, false, true));
    EXPECT_EQ(extendCurve(interleaved.data(), 6, 2, false, true, false),
              extendCurve(kCvs.data(), 6, 1, false, true, false));

    for (bool closed : {false, true}) {
        EXPECT_TRUE(extendCurve(kCvs.data(), 1, 1, false, false, closed).empty());
        EXPECT_TRUE(extendCurve(kCvs.data(), 0, 1, false, false, closed).empty());
    }
    // Two CVs are enough for phantoms or a wrap-around.
    EXPECT_EQ(extendCurve(kCvs.data(), 2, 1, false, false, false).size(), 4u);
    EXPECT_EQ(extendCurve(kCvs.data(), 2, 1, false, false, true).size(), 5u);
}

TEST(RefinePolygon, HalvingReproducesEdgeAndVertexPoints) {
    const PointArray q = refinePolygon(kCvs.data(), 6, 2);
    ASSERT_EQ(q.size(), 2u * 3 + 3);
    for (size_t i = 0; i + 1 < q.size(); ++i) {
        const size_t j = i / 2;
        const Point3 want = i % 2 == 0 ? (kCvs[j] + kCvs[j + 1]) * 0.5f
                                       : (kCvs[j] + 6.0f * kCvs[j + 1] + kCvs[j + 2]) * 0.125f;
        expectNear(q[i], want);
    }
    expectNear(q.back(), (kCvs[4] + kCvs[5]) * 0.5f);
}

TEST(RefinePolygon, ResolutionOneKeepsThePolygon) {
    const PointArray q = refinePolygon(kCvs.data(), 6, 1);
    ASSERT_EQ(q.size(), kCvs.size());
    for (size_t i = 0; i < q.size(); ++i) expectNear(q[i], kCvs[i]);
}

TEST(RefinePolygon, CountsAndEmptyInputs) {
    for (int b : {1, 3, 8})
        for (int n : {4, 5, 6})
            EXPECT_EQ(refinePolygon(kCvs.data(), n, b).size(),
                      static_cast<size_t>(b * (n - 3) + 3));
    EXPECT_TRUE(refinePolygon(kCvs.data(), 3, 8).empty());
    EXPECT_TRUE(refinePolygon(kCvs.data(), 6, 0).empty());
    EXPECT_TRUE(refinePolygon(kCvs.data(), 6, -2).empty());

    // The overload reuses the caller's buffer and clears stale contents.
    PointArray out(50, Point3{1, 1, 1});
    refinePolygon(kCvs.data(), 6, 2, out);
    EXPECT_EQ(out, refinePolygon(kCvs.data(), 6, 2));
    refinePolygon(kCvs.data(), 3, 2, out);
    EXPECT_TRUE(out.empty());
}

TEST(LimitPoints, LieOnTheAnalyticCurve) {
    for (int b : {1, 3, 5, 8}) {
        SCOPED_TRACE(b);
        const PointArray pts = limitPoints(kCvs.data(), 6, b);
        ASSERT_EQ(pts.size(), static_cast<size_t>(b * 3 + 1));
        for (size_t i = 0; i < pts.size(); ++i) {
            // The last point is the end of the last span, not the start of a missing one.
            const int j = std::min(static_cast<int>(i) / b, 2);
            const double t = static_cast<double>(i) / b - j;
            expectNear(pts[i], spanPoint(kCvs, j, t), 2e-5f);
        }
    }
}

TEST(LimitPoints, ResolutionZeroDropsTheEnds) {
    EXPECT_EQ(limitPoints(kCvs.data(), 6, 0), PointArray(kCvs.begin() + 1, kCvs.end() - 1));
    EXPECT_EQ(limitPoints(kCvs.data(), 3, 0), PointArray{kCvs[1]});
    EXPECT_EQ(limitPoints(kCvs.data(), 6, -1), limitPoints(kCvs.data(), 6, 0));
    EXPECT_TRUE(limitPoints(kCvs.data(), 2, 0).empty());
    EXPECT_TRUE(limitPoints(kCvs.data(), 3, 4).empty());
}

TEST(CurvePoints, CountsPerEndCondition) {
    struct Case {
        int n;
        bool freeStart, freeEnd, closed;
        int resolution;
        size_t count;
    };
    const Case cases[] = {
        {4, false, false, false, 8, 25},  // B * (n - 1) + 1
        {4, true, false, false, 8, 17},   // each free end removes B points
        {4, true, true, false, 8, 9},
        {6, false, false, false, 3, 16},
        {4, false, false, true, 2, 9},  // closed: B * n + 1
        {6, true, true, true, 4, 25},
        {1, false, false, false, 8, 0},
        {1, false, false, true, 8, 0},
        {3, true, true, false, 8, 0},  // one span needs four points
        {2, false, false, false, 4, 5},
        {2, false, false, true, 4, 9},
        {4, false, false, false, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " free=" << c.freeStart << c.freeEnd
                                        << " closed=" << c.closed << " B=" << c.resolution);
        EXPECT_EQ(
            curvePoints(kCvs.data(), c.n, c.freeStart, c.freeEnd, c.closed, c.resolution).size(),
            c.count);
    }
}

TEST(CurvePoints, EndsMeetTheirCVs) {
    const PointArray pts = curvePoints(kCvs.data(), 4, false, false, false, 8);
    ASSERT_EQ(pts.size(), 25u);
    expectNear(pts.front(), kCvs[0]);
    expectNear(pts.back(), kCvs[3]);

    // Free ends start where the basis puts them: at (P0 + 4 P1 + P2) / 6.
    const PointArray free = curvePoints(kCvs.data(), 4, true, true, false, 8);
    ASSERT_EQ(free.size(), 9u);
    expectNear(free.front(), (kCvs[0] + 4.0f * kCvs[1] + kCvs[2]) / 6.0f);
    expectNear(free.back(), (kCvs[1] + 4.0f * kCvs[2] + kCvs[3]) / 6.0f);

    // Without smoothing, a curve whose ends meet their CVs is its CVs, bit for bit.
    EXPECT_EQ(curvePoints(kCvs.data(), 6, false, false, false, 0), kCvs);
}

TEST(CurvePoints, ClosedCurveReturnsToItsStart) {
    for (int b : {2, 5}) {
        const PointArray pts = curvePoints(kCvs.data(), 4, false, false, true, b);
        ASSERT_EQ(pts.size(), static_cast<size_t>(4 * b + 1));
        expectNear(pts.front(), pts.back());
        // The closed curve starts at the knot between its last and first CV.
        expectNear(pts.front(), (kCvs[3] + 4.0f * kCvs[0] + kCvs[1]) / 6.0f);
    }
}

TEST(CurvePoints, StepCacheFollowsTheResolution) {
    const PointArray alone8 = curvePoints(kCvs.data(), 6, false, false, true, 8);
    const PointArray alone4 = curvePoints(kCvs.data(), 6, false, false, true, 4);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(curvePoints(kCvs.data(), 6, false, false, true, 8), alone8);
        EXPECT_EQ(curvePoints(kCvs.data(), 6, false, false, true, 4), alone4);
    }

    // Each thread keeps its own table: two threads alternating different resolutions must
    // never see each other's matrices.
    auto closedCurve = [](int b) { return curvePoints(kCvs.data(), 6, false, false, true, b); };
    auto alternate = [&](int b0, int b1, bool& ok) {
        const PointArray want0 = closedCurve(b0), want1 = closedCurve(b1);
        ok = true;
        for (int i = 0; i < 2000 && ok; ++i)
            ok = closedCurve(i % 2 ? b1 : b0) == (i % 2 ? want1 : want0);
    };
    bool okA = false, okB = false;
    std::thread a(alternate, 8, 9, std::ref(okA));
    std::thread b(alternate, 3, 4, std::ref(okB));
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

}  // namespace
}  // namespace orv
