#pragma once
#include <array>
#include <vector>

#include "kernel/point3.h"

namespace orv {

using PointArray = std::vector<Point3>;

// Uniform cubic B-spline basis, row-major: rows are the powers t^0..t^3, columns the four CVs
// of a span, so P(t) = [1 t t^2 t^3] * M * [P0 P1 P2 P3]^T.
using Basis = std::array<float, 16>;
inline constexpr Basis kBSplineBasis = {
    1.0f / 6, 2.0f / 3, 1.0f / 6, 0.0f,   //
    -0.5f,    0.0f,     0.5f,     0.0f,   //
    0.5f,     -1.0f,    0.5f,     0.0f,   //
    -1.0f / 6, 0.5f,    -0.5f,    1.0f / 6};

// Adds phantom or wrap-around points so the curve meets its end CVs or closes on itself.
// `stride` is the distance between consecutive CVs in Point3 units (a column of a net).
// Closed: n + 3 points; open: n + (freeStart ? 0 : 1) + (freeEnd ? 0 : 1). Empty when n <= 1.
PointArray extendCurve(const Point3* cvs, int n, int stride, bool freeStart, bool freeEnd,
                       bool closed);

// Number of points extendCurve produces for n CVs (0 when n <= 1).
int extendedCount(int n, bool freeStart, bool freeEnd, bool closed);

// extendCurve writing extendedCount(...) points to out[0], out[outStride], ... so a net can be
// extended in place, one row or column at a time. Writes nothing when n <= 1.
void extendCurveInto(const Point3* cvs, int n, int stride, bool freeStart, bool freeEnd,
                     bool closed, Point3* out, int outStride);

// Splits each span of a control polygon into `resolution` sub-spans: B * (n - 3) + 3 points.
// Empty when n < 4 or resolution < 1.
PointArray refinePolygon(const Point3* pts, int n, int resolution);
// The same into `out` (resized, capacity kept for callers in a loop); out must not alias pts.
void refinePolygon(const Point3* pts, int n, int resolution, PointArray& out);

// Points on the curve of an (extended) polygon. resolution >= 1: resolution * (n - 3) + 1
// points (empty when refinement gives <= 2); resolution 0: the input without its first and
// last point (empty when n < 3). A negative resolution behaves as 0.
PointArray limitPoints(const Point3* pts, int n, int resolution);
// The same into `out` (resized, capacity kept); out must not alias pts.
void limitPoints(const Point3* pts, int n, int resolution, PointArray& out);

// The usual chain for a curve: extendCurve, then limitPoints.
PointArray curvePoints(const Point3* cvs, int n, bool freeStart, bool freeEnd, bool closed,
                       int resolution);

}  // namespace orv
