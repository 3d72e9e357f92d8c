#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "kernel/bspline.h"
#include "kernel/point3.h"

namespace orv {

// Three point indices of one triangle.
using TriangleIndices = std::array<uint32_t, 3>;

// Splits a planar polygon, optionally with holes, into triangles covering its interior.
//
// Points are numbered outer first, then each hole in the order given, so point k of hole h has
// index outer.size() + (sizes of holes 0 .. h-1) + k. Every triangle turns the same way as the
// outer polygon: its normal points along the polygon's Newell normal.
//
// The normal is estimated from the outer polygon (Newell's method); the points are projected on
// the coordinate plane perpendicular to its largest component, keeping the two other axes in
// cyclic order (x-y, y-z or z-x). Holes may be wound either way; each is joined to the outer
// boundary by a bridge, then the joined polygon is cut by ear clipping.
//
// Degenerate input:
// - Repeated consecutive points (including a last point equal to the first) count once; the
//   triangles use one of the copies.
// - Collinear points stay vertices, so each polygon edge is the edge of exactly one triangle
//   and a mesh that shares the boundary has no T-junctions. Three points count as collinear
//   when twice their triangle's area is below 1e-8 mm^2, the size under which facet files
//   drop a triangle; no triangle is made of three such points while a real one can be.
// - A polygon without area (fewer than three distinct points, all points on one line, or
//   collapsed to a point as at the axis end of a revolved profile) gives no triangles; so does
//   any input with a non-finite coordinate.
// - A hole without area is ignored. Holes must lie inside the outer polygon and apart from one
//   another; otherwise the triangles may overlap.
// - Self-intersecting or strongly non-planar input still terminates and gives triangles that
//   may overlap; every ear the clipping can no longer prove empty is cut anyway.
// Cost: linear for convex polygons without holes, otherwise up to quadratic in the number of
// points (about 20 ms for a wavy ring of 4,000 points).
std::vector<TriangleIndices> triangulatePolygon(std::span<const Point3> outer,
                                                std::span<const PointArray> holes = {});

}  // namespace orv
