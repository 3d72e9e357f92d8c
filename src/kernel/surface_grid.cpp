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

// Powers of the patch-local parameter of every grid line of one direction and their
// derivatives, stored power by power so a run of lines can be read as one array.
struct GridLines {
    std::array<std::vector<float>, 4> power;       // 1, t, t^2, t^3
    std::array<std::vector<float>, 4> derivative;  // 0, 1, 2t, 3t^2
};

// Line e lies in patch e / resolution. The last line is the end of the last patch (t = 1),
// not the start of a patch that does not exist.
GridLines gridLines(int resolution, int patches) {
    const size_t count = static_cast<size_t>(resolution) * static_cast<size_t>(patches) + 1;
    GridLines g;
    for (int k = 0; k < 4; ++k) {
        g.power[k].resize(count);
        g.derivative[k].resize(count);
    }
    const float res = static_cast<float>(resolution);
    for (size_t e = 0; e < count; ++e) {
        const int ei = static_cast<int>(e);
        const float t = e + 1 == count
                            ? 1.0f
                            : static_cast<float>(ei) / res - static_cast<float>(ei / resolution);
        g.power[0][e] = 1.0f;
        g.power[1][e] = t;
        g.power[2][e] = t * t;
        g.power[3][e] = t * t * t;
        g.derivative[0][e] = 0.0f;
        g.derivative[1][e] = 1.0f;
        g.derivative[2][e] = 2.0f * g.power[1][e];
        g.derivative[3][e] = 3.0f * g.power[2][e];
    }
    return g;
}

using Coefficients = std::array<Point3, 16>;  // A(k, l) at 4k + l: k power of u, l power of v

// Per-coordinate accumulators for the points of one grid row inside one patch, one array per
// coordinate so the compiler can run several points per instruction. Each point still sums
// its 16 terms in the same order as a point-at-a-time loop would.
struct RowLanes {
    std::array<std::vector<float>, 9> lane;  // x y z of the point, du, dv
    explicit RowLanes(int width) {
        for (auto& v : lane) v.resize(static_cast<size_t>(width));
    }
};

// x[f] += (s * t[f]) * a.x and likewise for y, z: one term of n points' sums. Kept apart per
// quantity so each loop vectorises.
void accumulate(float s, const float* __restrict t, Point3 a, size_t n, float* __restrict x,
                float* __restrict y, float* __restrict z) {
    for (size_t f = 0; f < n; ++f) {
        const float w = s * t[f];
        x[f] += w * a.x;
        y[f] += w * a.y;
        z[f] += w * a.z;
    }
}

// Grid points [e0, e1) x [f0, f1) of one patch: 16 scaled additions per value. Instantiated
// per mode so the point-only loop carries no derivative work or branches.
template <bool kDerivatives>
void evaluatePatch(const Coefficients& A, const GridLines& rowLines, const GridLines& colLines,
                   int e0, int e1, int f0, int f1, RowLanes& lanes, PointGrid& g) {
    const size_t n = static_cast<size_t>(f1 - f0);
    float* __restrict px = lanes.lane[0].data();
    float* __restrict py = lanes.lane[1].data();
    float* __restrict pz = lanes.lane[2].data();
    float* __restrict ux = lanes.lane[3].data();
    float* __restrict uy = lanes.lane[4].data();
    float* __restrict uz = lanes.lane[5].data();
    float* __restrict vx = lanes.lane[6].data();
    float* __restrict vy = lanes.lane[7].data();
    float* __restrict vz = lanes.lane[8].data();
    for (int e = e0; e < e1; ++e) {
        const size_t ue = static_cast<size_t>(e);
        std::fill_n(px, n, 0.0f);
        std::fill_n(py, n, 0.0f);
        std::fill_n(pz, n, 0.0f);
        if constexpr (kDerivatives) {
            for (float* q : {ux, uy, uz, vx, vy, vz}) std::fill_n(q, n, 0.0f);
        }
        for (int k = 0; k < 4; ++k) {
            const float uk = rowLines.power[k][ue];
            const float duk = rowLines.derivative[k][ue];
            for (int l = 0; l < 4; ++l) {
                const Point3 a = A[static_cast<size_t>(4 * k + l)];
                const float* __restrict vl = colLines.power[l].data() + f0;
                const float* __restrict dvl = colLines.derivative[l].data() + f0;
                accumulate(uk, vl, a, n, px, py, pz);
                if constexpr (kDerivatives) {
                    accumulate(duk, vl, a, n, ux, uy, uz);
                    accumulate(uk, dvl, a, n, vx, vy, vz);
                }
            }
        }
        const size_t rowStart = cellCount(e, g.columns) + static_cast<size_t>(f0);
        for (size_t f = 0; f < n; ++f) {
            g.points[rowStart + f] = {px[f], py[f], pz[f]};
            if constexpr (kDerivatives) {
                g.du[rowStart + f] = {ux[f], uy[f], uz[f]};
                g.dv[rowStart + f] = {vx[f], vy[f], vz[f]};
            }
        }
    }
}

// Sizes g for a rows x columns result, keeping the capacity of its arrays.
void shapeGrid(PointGrid& g, int rows, int columns, bool derivatives) {
    g.rows = rows;
    g.columns = columns;
    const size_t n = cellCount(rows, columns);
    g.points.resize(n);
    g.du.resize(derivatives ? n : 0);
    g.dv.resize(derivatives ? n : 0);
}

void evaluateSmooth(const Basis& M, const ExtendedNet& net, int rowRes, int colRes,
                    bool derivatives, PointGrid& g) {
    const int patchRows = net.rows - 3;
    const int patchColumns = net.columns - 3;
    const GridLines rowLines = gridLines(rowRes, patchRows);
    const GridLines colLines = gridLines(colRes, patchColumns);

    shapeGrid(g, static_cast<int>(rowLines.power[0].size()),
              static_cast<int>(colLines.power[0].size()), derivatives);

    // weight[k][l][a][b] = M[k][a] * M[l][b], shared by every patch.
    std::array<float, 256> weight;
    for (int k = 0; k < 4; ++k)
        for (int l = 0; l < 4; ++l)
            for (int a = 0; a < 4; ++a)
                for (int b = 0; b < 4; ++b)
                    weight[static_cast<size_t>(64 * k + 16 * l + 4 * a + b)] =
                        M[4 * k + a] * M[4 * l + b];

    Coefficients coef;
    RowLanes lanes(colRes + 1);
    // Patch by patch, so the coefficients are computed once per patch; the last patch also
    // owns the closing grid line.
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
            if (derivatives)
                evaluatePatch<true>(coef, rowLines, colLines, e0, e1, f0, f1, lanes, g);
            else
                evaluatePatch<false>(coef, rowLines, colLines, e0, e1, f0, f1, lanes, g);
            f0 = f1;
        }
        e0 = e1;
    }
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
void evaluateUnsmoothed(const ExtendedNet& net, int rowRes, int colRes, bool derivatives,
                        PointGrid& g) {
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

    shapeGrid(g, wr - 2, wc - 2, derivatives);
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.columns; ++j) g.at(i, j) = W(i + 1, j + 1);
    if (derivatives) {
        const float ru = static_cast<float>(rowRes), rv = static_cast<float>(colRes);
        for (int i = 0; i < g.rows; ++i)
            for (int j = 0; j < g.columns; ++j) {
                const size_t at = cellCount(i, g.columns) + static_cast<size_t>(j);
                g.du[at] = ru * (W(i + 2, j + 1) - W(i, j + 1)) / 2.0f;
                g.dv[at] = rv * (W(i + 1, j + 2) - W(i + 1, j)) / 2.0f;
            }
    }
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

    // Each CV row first, then every extended column across the rows, so phantom corners are
    // mirrored from already extended rows.
    PointArray extendedRows(cellCount(rows, C));
    for (int r = 0; r < rows; ++r)
        extendCurveInto(net + cellCount(r, columns), columns, 1, ends.columnFreeStart,
                        ends.columnFreeEnd, ends.columnClosed, &extendedRows[cellCount(r, C)], 1);
    for (int c = 0; c < C; ++c)
        extendCurveInto(&extendedRows[static_cast<size_t>(c)], rows, C, ends.rowFreeStart,
                        ends.rowFreeEnd, ends.rowClosed, &out.points[static_cast<size_t>(c)], C);
    return out;
}

void evaluateGrid(const Basis& M, const ExtendedNet& net, int rowResolution, int columnResolution,
                  bool derivatives, PointGrid& out) {
    if (net.rows < 4 || net.columns < 4 || net.points.size() < cellCount(net.rows, net.columns)) {
        shapeGrid(out, 0, 0, false);
        return;
    }
    if (rowResolution >= 1 && columnResolution >= 1)
        evaluateSmooth(M, net, rowResolution, columnResolution, derivatives, out);
    else
        evaluateUnsmoothed(net, std::max(rowResolution, 1), std::max(columnResolution, 1),
                           derivatives, out);
}

PointGrid evaluateGrid(const Basis& M, const ExtendedNet& net, int rowResolution,
                       int columnResolution, bool derivatives) {
    PointGrid g;
    evaluateGrid(M, net, rowResolution, columnResolution, derivatives, g);
    return g;
}

void fixSeams(PointGrid& grid, bool rowClosed, bool columnClosed) {
    if (grid.empty()) return;
    if (rowClosed)
        for (int j = 0; j < grid.columns; ++j) grid.at(grid.rows - 1, j) = grid.at(0, j);
    if (columnClosed)
        for (int i = 0; i < grid.rows; ++i) grid.at(i, grid.columns - 1) = grid.at(i, 0);
}

}  // namespace orv
