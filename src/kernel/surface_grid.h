#pragma once
#include <vector>

#include "kernel/bspline.h"

namespace orv {

// End conditions of both directions of a CV net. Row direction = across rows (parameter u),
// column direction = along a row (parameter v).
struct NetEnds {
    bool rowFreeStart = false, rowFreeEnd = false, rowClosed = false;
    bool columnFreeStart = false, columnFreeEnd = false, columnClosed = false;
};

// A net stored row by row: point (r, c) at r * columns + c.
struct ExtendedNet {
    PointArray points;
    int rows = 0, columns = 0;
    const Point3& at(int r, int c) const { return points[static_cast<size_t>(r) * columns + c]; }
};

// Phantom / wrap-around rows and columns, column direction first, then whole rows, so the
// phantom corners come from already extended rows. An empty net (rows == columns == 0) when
// rows <= 1 or columns <= 1: like a single-CV curve, there is no span to extend.
ExtendedNet extendNet(const Point3* net, int rows, int columns, const NetEnds& ends);

// Regular grid of surface points, row-major; du/dv (not normalised) only when asked for.
struct PointGrid {
    int rows = 0, columns = 0;
    PointArray points, du, dv;
    bool empty() const { return rows == 0 || columns == 0; }
    Point3& at(int r, int c) { return points[static_cast<size_t>(r) * columns + c]; }
    const Point3& at(int r, int c) const { return points[static_cast<size_t>(r) * columns + c]; }
};

// Evaluates the extended net. Nothing when R < 4 or C < 4. Both resolutions >= 1: points of
// the surface, resolution * (patches) + 1 per direction, derivatives exact per patch
// parameter. A resolution below 1 counts as 1 and takes the unsmoothed / curve-only paths:
// 1 x 1 there gives the CVs themselves, otherwise only the direction with resolution > 1 is
// smoothed. Derivatives there are central differences over a working grid one line larger on
// every side: the extended net's border rows / columns (smoothed along their length where the
// grid is) and, along a smoothed direction, the end points of the refined polygon.
PointGrid evaluateGrid(const Basis& M, const ExtendedNet& net, int rowResolution,
                       int columnResolution, bool derivatives);
// The same into `out`, reusing its arrays' capacity: a redraw loop then stops allocating
// (and faulting in fresh pages) once the grid has reached its size.
void evaluateGrid(const Basis& M, const ExtendedNet& net, int rowResolution,
                  int columnResolution, bool derivatives, PointGrid& out);

// Makes closed seams exact before triangles are taken: last row := first row when rowClosed,
// last column := first column when columnClosed.
void fixSeams(PointGrid& grid, bool rowClosed, bool columnClosed);

// Two triangles per cell in row-major order; orientation < 0 gives the mirror winding.
// `out(a, b, c)` receives each triangle.
template <class Consumer>
void gridTriangles(const PointGrid& g, int orientation, Consumer&& out) {
    for (int i = 0; i + 1 < g.rows; ++i)
        for (int j = 0; j + 1 < g.columns; ++j) {
            const Point3& p00 = g.at(i, j);
            const Point3& p10 = g.at(i + 1, j);
            const Point3& p11 = g.at(i + 1, j + 1);
            const Point3& p01 = g.at(i, j + 1);
            if (orientation >= 0) {
                out(p00, p10, p11);
                out(p00, p11, p01);
            } else {
                out(p00, p11, p10);
                out(p00, p01, p11);
            }
        }
}

}  // namespace orv
