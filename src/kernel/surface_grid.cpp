#include "kernel/surface_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace orv {

namespace {

size_t cellCount(int rows, int columns) {
    return static_cast<size_t>(rows) * static_cast<size_t>(columns);
}

bool nearZero(const Point3& p) {
    auto small = [](float v) { return std::fabs(v) < tol::kZeroCoefficient; };
    return small(p.x) && small(p.y) && small(p.z);
}

// Patch index and local parameter for each grid line of one direction. The last line belongs
// to the last patch at parameter 1 rather than to a patch that does not exist.
struct GridLines {
    std::vector<int> patch;
    std::vector<std::array<float, 4>> powers;  // 1, t, t^2, t^3
};

GridLines gridLines(int resolution, int patches) {
    const int count = resolution * patches + 1;
    GridLines g;
    g.patch.resize(static_cast<size_t>(count));
    g.powers.resize(static_cast<size_t>(count));
    const float res = static_cast<float>(resolution);
    for (int e = 0; e < count; ++e) {
        int p = e / resolution;
        float t = static_cast<float>(e) / res - static_cast<float>(p);
        if (e == count - 1) {
            p = patches - 1;
            t = 0.999f;
        }
        g.patch[static_cast<size_t>(e)] = p;
        g.powers[static_cast<size_t>(e)] = {1.0f, t, t * t, t * t * t};
    }
    return g;
}

PointGrid evaluateSmooth(const Basis& M, const ExtendedNet& net, int rowRes, int colRes,
                         bool derivatives) {
    const int patchRows = net.rows - 3;
    const int patchColumns = net.columns - 3;
    const GridLines rowLines = gridLines(rowRes, patchRows);
    const GridLines colLines = gridLines(colRes, patchColumns);

    PointGrid g;
    g.rows = static_cast<int>(rowLines.patch.size());
    g.columns = static_cast<int>(colLines.patch.size());
    g.points.resize(cellCount(g.rows, g.columns));
    if (derivatives) {
        g.du.resize(g.points.size());
        g.dv.resize(g.points.size());
    }

    // weight[k][l][a][b] = M[k][a] * M[l][b], shared by every patch.
    std::array<float, 256> weight;
    for (int k = 0; k < 4; ++k)
        for (int l = 0; l < 4; ++l)
            for (int a = 0; a < 4; ++a)
                for (int b = 0; b < 4; ++b)
                    weight[static_cast<size_t>(64 * k + 16 * l + 4 * a + b)] =
                        M[4 * k + a] * M[4 * l + b];

    std::array<Point3, 16> coef;  // A(k, l) at 4k + l: k power of u, l power of v
    int e0 = 0;
    for (int i = 0; i < patchRows; ++i) {
        const int e1 = i + 1 == patchRows ? g.rows : e0 + rowRes;
        int f0 = 0;
        for (int j = 0; j < patchColumns; ++j) {
            const int f1 = j + 1 == patchColumns ? g.columns : f0 + colRes;

            for (int kl = 0; kl < 16; ++kl) {
                Point3 acc;
                const float* w = &weight[static_cast<size_t>(16 * kl)];
                for (int a = 0; a < 4; ++a)
                    for (int b = 0; b < 4; ++b) acc += w[4 * a + b] * net.at(i + a, j + b);
                // Rounding noise would otherwise show up as ripples on flat parts.
                coef[static_cast<size_t>(kl)] = nearZero(acc) ? Point3{} : acc;
            }

            for (int e = e0; e < e1; ++e) {
                const std::array<float, 4>& up = rowLines.powers[static_cast<size_t>(e)];
                const size_t rowStart = cellCount(e, g.columns);
                for (int f = f0; f < f1; ++f) {
                    const std::array<float, 4>& vp = colLines.powers[static_cast<size_t>(f)];
                    Point3 p;
                    for (int k = 0; k < 4; ++k)
                        for (int l = 0; l < 4; ++l)
                            p += (up[k] * vp[l]) * coef[static_cast<size_t>(4 * k + l)];
                    g.points[rowStart + static_cast<size_t>(f)] = p;
                    if (!derivatives) continue;
                    Point3 du, dv;
                    for (int k = 1; k < 4; ++k)
                        for (int l = 0; l < 4; ++l)
                            du += (static_cast<float>(k) * up[k - 1] * vp[l]) *
                                  coef[static_cast<size_t>(4 * k + l)];
                    for (int k = 0; k < 4; ++k)
                        for (int l = 1; l < 4; ++l)
                            dv += (static_cast<float>(l) * up[k] * vp[l - 1]) *
                                  coef[static_cast<size_t>(4 * k + l)];
                    g.du[rowStart + static_cast<size_t>(f)] = du;
                    g.dv[rowStart + static_cast<size_t>(f)] = dv;
                }
            }
            f0 = f1;
        }
        e0 = e1;
    }
    return g;
}

// One line of the working grid along a smoothed direction: the curve points of an extended
// line plus the end points of its refined polygon, which sit one step (1 / resolution) beyond
// the curve's ends, so central differences keep their spacing up to the edges.
void smoothedLine(const Point3* pts, int n, int resolution, Point3* out, size_t outStride,
                  PointArray& refined, PointArray& curve) {
    refinePolygon(pts, n, resolution, refined);
    limitPoints(pts, n, resolution, curve);
    out[0] = refined.front();
    for (size_t i = 0; i < curve.size(); ++i) out[(i + 1) * outStride] = curve[i];
    out[(curve.size() + 1) * outStride] = refined.back();
}

// Resolutions already raised to 1, at most one of them above 1.
PointGrid evaluateUnsmoothed(const ExtendedNet& net, int rowRes, int colRes, bool derivatives) {
    const int R = net.rows, C = net.columns;
    // Working grid: the result plus one line beyond every edge (the extended net's border
    // rows / columns where a direction is not smoothed).
    int wr = R, wc = C;
    PointArray w, refined, curve;
    if (colRes > 1) {
        wc = colRes * (C - 3) + 3;
        w.resize(cellCount(wr, wc));
        for (int r = 0; r < R; ++r)
            smoothedLine(&net.at(r, 0), C, colRes, &w[cellCount(r, wc)], 1, refined, curve);
    } else if (rowRes > 1) {
        wr = rowRes * (R - 3) + 3;
        w.resize(cellCount(wr, wc));
        PointArray column(static_cast<size_t>(R));
        for (int c = 0; c < C; ++c) {
            for (int r = 0; r < R; ++r) column[static_cast<size_t>(r)] = net.at(r, c);
            smoothedLine(column.data(), R, rowRes, &w[static_cast<size_t>(c)],
                         static_cast<size_t>(wc), refined, curve);
        }
    } else {
        w.assign(net.points.begin(),
                 net.points.begin() + static_cast<std::ptrdiff_t>(cellCount(R, C)));
    }
    auto W = [&](int r, int c) -> const Point3& {
        return w[cellCount(r, wc) + static_cast<size_t>(c)];
    };

    PointGrid g;
    g.rows = wr - 2;
    g.columns = wc - 2;
    g.points.resize(cellCount(g.rows, g.columns));
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.columns; ++j) g.at(i, j) = W(i + 1, j + 1);
    if (derivatives) {
        g.du.resize(g.points.size());
        g.dv.resize(g.points.size());
        const float ru = static_cast<float>(rowRes), rv = static_cast<float>(colRes);
        for (int i = 0; i < g.rows; ++i)
            for (int j = 0; j < g.columns; ++j) {
                const size_t at = cellCount(i, g.columns) + static_cast<size_t>(j);
                g.du[at] = ru * (W(i + 2, j + 1) - W(i, j + 1)) / 2.0f;
                g.dv[at] = rv * (W(i + 1, j + 2) - W(i + 1, j)) / 2.0f;
            }
    }
    return g;
}

}  // namespace

ExtendedNet extendNet(const Point3* net, int rows, int columns, const NetEnds& ends) {
    ExtendedNet out;
    if (net == nullptr || rows <= 1 || columns <= 1) return out;
    const int C =
        extendedCount(columns, ends.columnFreeStart, ends.columnFreeEnd, ends.columnClosed);
    const int R = extendedCount(rows, ends.rowFreeStart, ends.rowFreeEnd, ends.rowClosed);
    out.rows = R;
    out.columns = C;
    out.points.assign(cellCount(R, C), Point3{});

    // Extended CV rows go where they end up after the row direction is extended; the rows in
    // front of them are the closing copy or the start phantom.
    const int firstCvRow = (ends.rowClosed || !ends.rowFreeStart) ? 1 : 0;
    for (int r = 0; r < rows; ++r)
        extendCurveInto(net + cellCount(r, columns), columns, 1, ends.columnFreeStart,
                        ends.columnFreeEnd, ends.columnClosed,
                        &out.points[cellCount(r + firstCvRow, C)], 1);

    // Then every extended column in the row direction, over the already extended rows, so
    // phantom corners come out consistent. Reading and writing the same buffer is safe: each
    // column's CVs are copied into a scratch before its extension overwrites them.
    PointArray column(static_cast<size_t>(rows));
    for (int c = 0; c < C; ++c) {
        for (int r = 0; r < rows; ++r)
            column[static_cast<size_t>(r)] =
                out.points[cellCount(r + firstCvRow, C) + static_cast<size_t>(c)];
        extendCurveInto(column.data(), rows, 1, ends.rowFreeStart, ends.rowFreeEnd, ends.rowClosed,
                        &out.points[static_cast<size_t>(c)], C);
    }
    return out;
}

PointGrid evaluateGrid(const Basis& M, const ExtendedNet& net, int rowResolution,
                       int columnResolution, bool derivatives) {
    if (net.rows < 4 || net.columns < 4 || net.points.size() < cellCount(net.rows, net.columns))
        return {};
    if (rowResolution >= 1 && columnResolution >= 1)
        return evaluateSmooth(M, net, rowResolution, columnResolution, derivatives);
    return evaluateUnsmoothed(net, std::max(rowResolution, 1), std::max(columnResolution, 1),
                              derivatives);
}

void fixSeams(PointGrid& grid, bool rowClosed, bool columnClosed) {
    if (grid.empty()) return;
    if (rowClosed)
        for (int j = 0; j < grid.columns; ++j) grid.at(grid.rows - 1, j) = grid.at(0, j);
    if (columnClosed)
        for (int i = 0; i < grid.rows; ++i) grid.at(i, grid.columns - 1) = grid.at(i, 0);
}

}  // namespace orv
