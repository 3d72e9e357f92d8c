#include "kernel/surface_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <tuple>

namespace orv {
namespace {

void expectNear(const Point3& a, const Point3& b, float eps = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

PointArray makeNet(int rows, int columns, const std::function<Point3(int, int)>& f) {
    PointArray net;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) net.push_back(f(r, c));
    return net;
}

// Bumpy, non-planar and not symmetric in either direction.
Point3 curved(int r, int c) {
    return {2.0f * c + 0.3f * r, 1.5f * r,
            2.0f * std::sin(0.9f * c) * std::cos(0.7f * r) + 0.1f * r * c};
}

// Surface point of patch (i, j) at (u, v) by the tensor-product formula, in double.
Point3 patchPoint(const ExtendedNet& n, int i, int j, double u, double v) {
    auto basis = [](double t, int a) {
        const double T[4] = {1, t, t * t, t * t * t};
        double w = 0;
        for (int k = 0; k < 4; ++k) w += T[k] * kBSplineBasis[static_cast<size_t>(4 * k + a)];
        return w;
    };
    double q[3] = {0, 0, 0};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            const double w = basis(u, a) * basis(v, b);
            for (int c = 0; c < 3; ++c) q[c] += w * n.at(i + a, j + b)[c];
        }
    return {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])};
}

TEST(ExtendNet, SizesPerEndCondition) {
    struct Case {
        int rows, columns;
        NetEnds ends;
        int R, C;
    };
    NetEnds closedColumns;
    closedColumns.columnClosed = true;
    NetEnds freeRows;
    freeRows.rowFreeStart = freeRows.rowFreeEnd = true;
    NetEnds mixed;
    mixed.rowClosed = true;
    mixed.columnFreeEnd = true;
    const Case cases[] = {
        {4, 5, {}, 6, 7},
        {4, 5, closedColumns, 6, 8},
        {4, 5, freeRows, 4, 7},
        {4, 5, mixed, 7, 6},
        {2, 2, freeRows, 2, 4},
        {1, 5, {}, 0, 0},
        {5, 1, closedColumns, 0, 0},
        {0, 0, {}, 0, 0},
    };
    const PointArray net = makeNet(5, 5, curved);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << "x" << c.columns);
        const ExtendedNet e = extendNet(net.data(), c.rows, c.columns, c.ends);
        EXPECT_EQ(e.rows, c.R);
        EXPECT_EQ(e.columns, c.C);
        EXPECT_EQ(e.points.size(), static_cast<size_t>(c.R * c.C));
    }
}

TEST(ExtendNet, PhantomsAreExtendedRowsMirrored) {
    const PointArray net = makeNet(3, 3, curved);
    auto N = [&](int r, int c) { return net[static_cast<size_t>(3 * r + c)]; };
    const ExtendedNet e = extendNet(net.data(), 3, 3, {});
    ASSERT_EQ(e.rows, 5);
    ASSERT_EQ(e.columns, 5);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(e.at(r + 1, c + 1), N(r, c));
    EXPECT_EQ(e.at(1, 0), 2.0f * N(0, 0) - N(0, 1));
    EXPECT_EQ(e.at(0, 2), 2.0f * N(0, 1) - N(1, 1));
    EXPECT_EQ(e.at(4, 3), 2.0f * N(2, 2) - N(1, 2));
    // Corners mirror the column phantoms of the neighbouring rows.
    EXPECT_EQ(e.at(0, 0), 2.0f * e.at(1, 0) - e.at(2, 0));
    EXPECT_EQ(e.at(4, 4), 2.0f * e.at(3, 4) - e.at(2, 4));
}

TEST(ExtendNet, ClosedRowsWrapWholeExtendedRows) {
    const PointArray net = makeNet(3, 4, curved);
    NetEnds ends;
    ends.rowClosed = true;
    ends.columnFreeStart = true;
    const ExtendedNet e = extendNet(net.data(), 3, 4, ends);
    ASSERT_EQ(e.rows, 6);
    ASSERT_EQ(e.columns, 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(e.at(0, c), e.at(3, c));
        EXPECT_EQ(e.at(4, c), e.at(1, c));
        EXPECT_EQ(e.at(5, c), e.at(2, c));
    }
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(e.at(r + 1, 0), net[static_cast<size_t>(4 * r)]);  // free start: no phantom
        EXPECT_EQ(e.at(r + 1, 4),
                  2.0f * net[static_cast<size_t>(4 * r + 3)] - net[static_cast<size_t>(4 * r + 2)]);
    }
}

TEST(EvaluateGrid, PointsFollowTheTensorProductFormula) {
    const PointArray net = makeNet(5, 6, curved);
    NetEnds ends;
    ends.columnFreeStart = true;
    const ExtendedNet e = extendNet(net.data(), 5, 6, ends);
    for (auto [rr, cr] : {std::pair{3, 2}, std::pair{1, 1}, std::pair{2, 5}}) {
        SCOPED_TRACE(testing::Message() << rr << "x" << cr);
        const PointGrid g = evaluateGrid(kBSplineBasis, e, rr, cr, false);
        ASSERT_EQ(g.rows, rr * (e.rows - 3) + 1);
        ASSERT_EQ(g.columns, cr * (e.columns - 3) + 1);
        for (int i = 0; i < g.rows; ++i)
            for (int j = 0; j < g.columns; ++j) {
                // The last grid line is the end of the last patch.
                const int pi = std::min(i / rr, e.rows - 4), pj = std::min(j / cr, e.columns - 4);
                expectNear(g.at(i, j),
                           patchPoint(e, pi, pj, double(i) / rr - pi, double(j) / cr - pj));
            }
    }
}

TEST(EvaluateGrid, CornersMeetCornerCVs) {
    const PointArray net = makeNet(4, 4, curved);
    const PointGrid g = evaluateGrid(kBSplineBasis, extendNet(net.data(), 4, 4, {}), 8, 8, false);
    ASSERT_EQ(g.rows, 25);
    ASSERT_EQ(g.columns, 25);
    expectNear(g.at(0, 0), net[0]);
    expectNear(g.at(0, 24), net[3]);
    expectNear(g.at(24, 0), net[12]);
    expectNear(g.at(24, 24), net[15]);
}

TEST(EvaluateGrid, ClosedSeamsAreMadeExact) {
    const PointArray net = makeNet(4, 4, curved);
    NetEnds ends;
    ends.columnClosed = true;
    const ExtendedNet e = extendNet(net.data(), 4, 4, ends);
    ASSERT_EQ(e.columns, 7);
    PointGrid g = evaluateGrid(kBSplineBasis, e, 8, 8, false);
    ASSERT_EQ(g.columns, 33);
    for (int i = 0; i < g.rows; ++i) expectNear(g.at(i, 32), g.at(i, 0));
    fixSeams(g, false, true);
    for (int i = 0; i < g.rows; ++i) EXPECT_EQ(g.at(i, 32), g.at(i, 0));

    ends = {};
    ends.rowClosed = true;
    g = evaluateGrid(kBSplineBasis, extendNet(net.data(), 4, 4, ends), 3, 2, false);
    ASSERT_EQ(g.rows, 13);
    const PointArray before = g.points;
    fixSeams(g, true, false);
    for (int j = 0; j < g.columns; ++j) EXPECT_EQ(g.at(12, j), g.at(0, j));
    // Nothing but the seam moves.
    EXPECT_TRUE(std::equal(before.begin(), before.end() - g.columns, g.points.begin()));
}

TEST(EvaluateGrid, ResolutionsBelowOneGiveTheCVs) {
    const PointArray net = makeNet(4, 5, curved);
    const ExtendedNet e = extendNet(net.data(), 4, 5, {});
    for (auto [rr, cr] : {std::pair{0, 0}, std::pair{0, 1}, std::pair{1, 0}, std::pair{-2, 0}}) {
        SCOPED_TRACE(testing::Message() << rr << "x" << cr);
        const PointGrid g = evaluateGrid(kBSplineBasis, e, rr, cr, false);
        EXPECT_EQ(g.rows, 4);
        EXPECT_EQ(g.columns, 5);
        EXPECT_EQ(g.points, net);
    }
}

TEST(EvaluateGrid, OneByOneIsSmoothed) {
    // Both resolutions 1 evaluate the surface at the patch corners, which are not the CVs.
    const PointArray net = makeNet(4, 5, curved);
    const ExtendedNet e = extendNet(net.data(), 4, 5, {});
    const PointGrid g = evaluateGrid(kBSplineBasis, e, 1, 1, false);
    ASSERT_EQ(g.rows, 4);
    ASSERT_EQ(g.columns, 5);
    const float w[3] = {1.0f / 6, 4.0f / 6, 1.0f / 6};
    Point3 want;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) want += (w[a] * w[b]) * e.at(1 + a, 2 + b);
    expectNear(g.at(1, 2), want);
    EXPECT_GT(length(g.at(1, 2) - net[7]), 0.01f);
}

TEST(EvaluateGrid, OneDirectionSmoothedOnly) {
    const PointArray net = makeNet(4, 5, curved);
    const ExtendedNet e = extendNet(net.data(), 4, 5, {});

    // Rows become curves along their length; rows are not blended with each other.
    const PointGrid rowsSmoothed = evaluateGrid(kBSplineBasis, e, 0, 8, false);
    ASSERT_EQ(rowsSmoothed.rows, 4);
    ASSERT_EQ(rowsSmoothed.columns, 8 * (e.columns - 3) + 1);
    for (int k = 0; k < rowsSmoothed.rows; ++k) {
        const PointArray curve = limitPoints(&e.at(k + 1, 0), e.columns, 8);
        EXPECT_TRUE(std::equal(curve.begin(), curve.end(), &rowsSmoothed.at(k, 0))) << k;
    }

    const PointGrid columnsSmoothed = evaluateGrid(kBSplineBasis, e, 8, 0, false);
    ASSERT_EQ(columnsSmoothed.rows, 8 * (e.rows - 3) + 1);
    ASSERT_EQ(columnsSmoothed.columns, 5);
    for (int k = 0; k < columnsSmoothed.columns; ++k) {
        PointArray column;
        for (int r = 0; r < e.rows; ++r) column.push_back(e.at(r, k + 1));
        const PointArray curve = limitPoints(column.data(), e.rows, 8);
        for (int i = 0; i < columnsSmoothed.rows; ++i)
            EXPECT_EQ(columnsSmoothed.at(i, k), curve[static_cast<size_t>(i)]) << i << "," << k;
    }
}

TEST(EvaluateGrid, TooFewLinesGiveNothing) {
    const PointArray net = makeNet(4, 4, curved);
    NetEnds freeRows;
    freeRows.rowFreeStart = freeRows.rowFreeEnd = true;
    const ExtendedNet twoRows = extendNet(net.data(), 2, 4, freeRows);
    EXPECT_EQ(twoRows.rows, 2);
    for (int res : {0, 1, 8})
        EXPECT_TRUE(evaluateGrid(kBSplineBasis, twoRows, res, res, true).empty());
    EXPECT_TRUE(evaluateGrid(kBSplineBasis, ExtendedNet{}, 8, 8, true).empty());
}

TEST(EvaluateGrid, ReusedGridMatchesAFreshOne) {
    const PointArray net = makeNet(5, 6, curved);
    const ExtendedNet e = extendNet(net.data(), 5, 6, {});
    NetEnds freeRows;
    freeRows.rowFreeStart = freeRows.rowFreeEnd = true;
    const ExtendedNet tooSmall = extendNet(net.data(), 2, 6, freeRows);
    // Shrinking, switching paths and dropping derivatives must leave nothing stale behind.
    struct Step {
        const ExtendedNet* net;
        int rr, cr;
        bool derivatives;
    };
    const Step steps[] = {{&e, 8, 8, true},
                          {&e, 3, 2, false},
                          {&e, 0, 5, true},
                          {&tooSmall, 8, 8, true},
                          {&e, 2, 2, true}};
    PointGrid reused;
    for (const Step& st : steps) {
        SCOPED_TRACE(testing::Message() << st.rr << "x" << st.cr << " d=" << st.derivatives);
        evaluateGrid(kBSplineBasis, *st.net, st.rr, st.cr, st.derivatives, reused);
        const PointGrid fresh = evaluateGrid(kBSplineBasis, *st.net, st.rr, st.cr, st.derivatives);
        EXPECT_EQ(reused.rows, fresh.rows);
        EXPECT_EQ(reused.columns, fresh.columns);
        EXPECT_EQ(reused.points, fresh.points);
        EXPECT_EQ(reused.du, fresh.du);
        EXPECT_EQ(reused.dv, fresh.dv);
    }
}

TEST(EvaluateGrid, DerivativesMatchFiniteDifferences) {
    const PointArray net = makeNet(5, 6, curved);
    NetEnds ends;
    ends.rowFreeEnd = true;
    const ExtendedNet e = extendNet(net.data(), 5, 6, ends);
    const int res = 32;
    const PointGrid g = evaluateGrid(kBSplineBasis, e, res, res, true);
    ASSERT_EQ(g.du.size(), g.points.size());
    ASSERT_EQ(g.dv.size(), g.points.size());
    float worst = 0;
    for (int i = 1; i + 1 < g.rows; ++i)
        for (int j = 1; j + 1 < g.columns; ++j) {
            const size_t k = static_cast<size_t>(i * g.columns + j);
            const Point3 du = (g.at(i + 1, j) - g.at(i - 1, j)) * (res / 2.0f);
            const Point3 dv = (g.at(i, j + 1) - g.at(i, j - 1)) * (res / 2.0f);
            worst = std::max({worst, length(du - g.du[k]), length(dv - g.dv[k])});
        }
    EXPECT_LT(worst, 2e-3f);
    EXPECT_TRUE(evaluateGrid(kBSplineBasis, e, res, res, false).du.empty());
}

TEST(EvaluateGrid, DerivativesOnEveryPathMeasurePerPatchParameter) {
    // On a linear net every path must report the same exact tangents, edges included: one
    // patch per CV step, 2 mm between rows and 1 mm between columns.
    const PointArray net = makeNet(4, 5, [](int r, int c) {
        return Point3{float(c), 2.0f * r, 0.5f * c};
    });
    const ExtendedNet e = extendNet(net.data(), 4, 5, {});
    for (auto [rr, cr] :
         {std::pair{0, 0}, std::pair{0, 4}, std::pair{3, 0}, std::pair{1, 1}, std::pair{3, 5}}) {
        SCOPED_TRACE(testing::Message() << rr << "x" << cr);
        const PointGrid g = evaluateGrid(kBSplineBasis, e, rr, cr, true);
        ASSERT_EQ(g.du.size(), g.points.size());
        ASSERT_EQ(g.dv.size(), g.points.size());
        for (size_t k = 0; k < g.points.size(); ++k) {
            expectNear(g.du[k], Point3{0, 2, 0});
            expectNear(g.dv[k], Point3{1, 0, 0.5f});
        }
    }
}

TEST(EvaluateGrid, UnsmoothedDerivativesAreCentralDifferencesOfTheNet) {
    const PointArray net = makeNet(4, 5, curved);
    const ExtendedNet e = extendNet(net.data(), 4, 5, {});
    const PointGrid g = evaluateGrid(kBSplineBasis, e, 0, 0, true);
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.columns; ++j) {
            const size_t k = static_cast<size_t>(i * g.columns + j);
            EXPECT_EQ(g.du[k], (e.at(i + 2, j + 1) - e.at(i, j + 1)) / 2.0f);
            EXPECT_EQ(g.dv[k], (e.at(i + 1, j + 2) - e.at(i + 1, j)) / 2.0f);
        }
}

TEST(EvaluateGrid, ClosedRingsStayOnTheirCurve) {
    // A tube: rings of 8 CVs at radius 10 around z, stacked 1 mm apart. Every grid point must
    // lie on the closed ring curve (radius from the cubic formula) at its linear height.
    const int ringCvs = 8, rings = 4, res = 6;
    const double step = 2 * std::numbers::pi / ringCvs;
    const PointArray net = makeNet(rings, ringCvs, [&](int r, int c) {
        return Point3{10.0f * float(std::cos(c * step)), 10.0f * float(std::sin(c * step)),
                      float(r)};
    });
    NetEnds ends;
    ends.columnClosed = true;
    PointGrid g =
        evaluateGrid(kBSplineBasis, extendNet(net.data(), rings, ringCvs, ends), res, res, false);
    ASSERT_EQ(g.rows, res * (rings - 1) + 1);
    ASSERT_EQ(g.columns, res * ringCvs + 1);
    for (int j = 0; j < g.columns; ++j) {
        // Column j lies in span s of the ring, whose CVs start one before CV s (wrap-around).
        const int s = std::min(j / res, ringCvs - 1);
        const double t = double(j) / res - s;
        const double T[4] = {1, t, t * t, t * t * t};
        double x = 0, y = 0;
        for (int a = 0; a < 4; ++a) {
            double w = 0;
            for (int k = 0; k < 4; ++k) w += T[k] * kBSplineBasis[static_cast<size_t>(4 * k + a)];
            x += w * 10 * std::cos((s + a - 1) * step);
            y += w * 10 * std::sin((s + a - 1) * step);
        }
        const double radius = std::hypot(x, y);
        for (int i = 0; i < g.rows; ++i) {
            const Point3& p = g.at(i, j);
            EXPECT_NEAR(std::hypot(p.x, p.y), radius, 1e-4) << i << "," << j;
            EXPECT_NEAR(p.z, double(i) / res, 1e-5) << i << "," << j;
        }
    }
}

TEST(GridTriangles, NegativeOrientationMirrorsTheWinding) {
    PointGrid g;
    g.rows = 3;
    g.columns = 4;
    g.points = makeNet(3, 4, [](int r, int c) { return Point3{float(c), float(r), float(r * c)}; });
    using Tri = std::tuple<Point3, Point3, Point3>;
    std::vector<Tri> plus, minus;
    gridTriangles(g, 1, [&](const Point3& a, const Point3& b, const Point3& c) {
        plus.emplace_back(a, b, c);
    });
    gridTriangles(g, -1, [&](const Point3& a, const Point3& b, const Point3& c) {
        minus.emplace_back(a, b, c);
    });
    ASSERT_EQ(plus.size(), 2u * 2 * 3);
    ASSERT_EQ(minus.size(), plus.size());
    for (size_t k = 0; k < plus.size(); ++k) {
        const auto& [a, b, c] = plus[k];
        // Same triangle, two vertices swapped: opposite normal.
        EXPECT_EQ(minus[k], Tri(a, c, b));
        const Point3 n = cross(b - a, c - a);
        const auto& [ma, mb, mc] = minus[k];
        EXPECT_LT(dot(n, cross(mb - ma, mc - ma)), 0.0f);
    }
    // Pins the convention: with x along columns and y along rows, positive orientation winds
    // clockwise seen from +z.
    const auto& [a, b, c] = plus[0];
    EXPECT_LT(cross(b - a, c - a).z, 0.0f);
}

}  // namespace
}  // namespace orv
