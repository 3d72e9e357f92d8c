#pragma once
// The scan-line solid evaluator: every output that needs to know what is solid (slices, NC
// height maps, volume, weight, centre of gravity, the photo renderer) asks it, so that all of
// them see the same solid. The shown objects become a tree of solids (Booleans, super
// subtractors and jewels resolved); the tree is then sampled along a regular grid of parallel
// scan lines, slice by slice and row by row. No boundary mesh is ever computed.
//
// Typical use:
//     SolidEvaluator e;
//     if (e.build(doc.objects(), frame)) {
//         for (int s = 0; s < sliceCount; ++s) {
//             e.advance(s);
//             for (int r = e.firstRow(); r <= e.lastRow(); ++r)
//                 for (const ScanInterval& i : e.intervals(r)) use(i);
//         }
//     }
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "kernel/bbox.h"
#include "kernel/matrix4.h"
#include "kernel/point3.h"
#include "kernel/progress.h"
#include "model/model_object.h"

namespace orv {

class ObjectList;

// A position in the evaluation frame, in cells of the caller's grid.
struct FramePoint {
    float slice = 0.0f, row = 0.0f, run = 0.0f;
    friend bool operator==(const FramePoint&, const FramePoint&) = default;
};

// Where the evaluator samples. A model point p is first mapped by `matrix` (p' = p * matrix,
// the identity unless the consumer turns the design), then frame coordinate k (0 slice, 1 row,
// 2 run) is p'[axis[k]] * scale[k] + offset[k]. Slice s is the plane slice == s, row r of it
// the line row == r; intervals are reported along the run axis.
// Invariant: `axis` is a permutation of {0, 1, 2} and every scale is non-zero and finite.
// Consumers keep the frame coordinates of the design non-negative (offsets from the box).
struct ScanFrame {
    Matrix4 matrix = Matrix4::identity();
    std::array<int, 3> axis{2, 1, 0};
    std::array<float, 3> scale{1.0f, 1.0f, 1.0f};
    std::array<float, 3> offset{0.0f, 0.0f, 0.0f};
    // Rows 0 .. rowCount - 1 are evaluated; crossings outside them are dropped.
    int rowCount = 0;

    // The usual set-up: slices along model (or turned) axis `sliceAxis`, rows along `rowAxis`,
    // runs along `runAxis`, cells of `cell` millimetres per frame axis, and frame point
    // (0, 0, 0) at `origin` (in the coordinates after `matrix`).
    static ScanFrame grid(int sliceAxis, int rowAxis, int runAxis, const Point3& origin,
                          const std::array<float, 3>& cell, int rowCount,
                          const Matrix4& matrix = Matrix4::identity());

    FramePoint toFrame(const Point3& model) const;
    // The inverse mapping; a singular `matrix` maps back through the identity.
    Point3 toModel(const FramePoint& f) const;
    // The whole mapping as one affine matrix: model point -> (slice, row, run) as (x, y, z).
    Matrix4 composite() const;
};

enum class ScanMode {
    Geometry,   // positions only: slicing, estimation, NC and height maps
    Rendering,  // attributes as well (depth, normal, texture coordinates, material)
};

struct ScanOptions {
    // Only picked objects (state 1) take part; otherwise every shown object (state 0 or 1).
    bool pickedOnly = false;
    ScanMode mode = ScanMode::Geometry;
    // Objects on a layer that is off, or on a layer number outside the table, are ignored.
    std::array<bool, kLayerCount> layerOn = allLayersOn();

    static constexpr std::array<bool, kLayerCount> allLayersOn() {
        std::array<bool, kLayerCount> on{};
        on.fill(true);
        return on;
    }
};

inline constexpr uint32_t kNoAttributes = 0xFFFFFFFFu;

// Interpolated surface attributes of one interval end; rendering mode only.
struct ScanAttributes {
    float depth = 0.0f;
    Point3 normal;
    float u = 0.0f, v = 0.0f;
    int32_t material = -1;
};

// One end of an inside interval: where a facet's cut crosses the row.
struct IntervalEnd {
    float run = 0.0f;        // position along the run axis, in frame units
    float runPerRow = 0.0f;  // change of the crossing's run position from one row to the next
    // The facet whose cut by the current slice gives this end. Within one slice equal ids lie
    // on one straight segment (contour tracers merge collinear vertices by it). Unique within
    // the tree, stable from slice to slice.
    uint32_t segment = 0;
    // Index of the end's ScanAttributes in rendering mode; kNoAttributes in geometry mode.
    uint32_t attributes = kNoAttributes;
};

// One inside stretch of a scan line. Invariant: lo.run < hi.run.
struct ScanInterval {
    IntervalEnd hi, lo;
    float length() const { return hi.run - lo.run; }
};

// Sizes of a tree and of its current slice.
struct ScanCounts {
    size_t nodes = 0;  // every node of the tree, leaves included
    size_t leaves = 0;
    size_t facets = 0;        // planar facets of all leaves
    size_t activeFacets = 0;  // facets the current slice cuts or may cut
    size_t crossings = 0;     // crossings of the current slice, all leaves together
    size_t poolBytes = 0;     // bytes held by the record pools (kept across slices)
};

// The evaluator. One tree lives from build() to release() (or destruction); slices are
// visited in increasing order. It holds pointers into nothing: the objects may change or die
// after build() without harm.
//
// What contributes (decided per object at build):
// - shown objects (state 0 or 1; with pickedOnly, state 1) on a visible layer 0-19;
// - surfaces: the triangles of their point grid at the object's own resolution, each open
//   direction closed by a cap across each of its two end rows, so a tube is a solid. A grid
//   with fewer than two points in either direction contributes nothing;
// - facet objects: their faces as fans from the first vertex (faces of fewer than three
//   vertices or with an index outside the points are skipped);
// - blocks: their generated wall surfaces (not capped) and the end faces triangulated from
//   the outline curves, through the block's placement, all one solid read with the even-odd
//   rule (so holes need no particular orientation);
// - gem instances: the library object they resolve to, placed; nothing when unresolved;
// - Booleans: union, intersection or subtraction of their shown operands. Jewels and super
//   subtractors among the operands of a Boolean that is not itself a jewel go to the
//   document level; the tools of a subtraction (and everything inside them) stay and cut,
//   whatever their flags. A subtraction whose first operand is hidden or contributes nothing
//   (or goes to the document level) gives nothing, as does a Boolean without a contributing
//   operand or one taken apart;
// - curves, T-lines and everything else: nothing.
// At document level: A = union of the ordinary objects minus the union of the super
// subtractors (no ordinary object: A is empty and the subtractors are dropped); the result is
// the union of A and every jewel. Jewels are never cut by super subtractors.
//
// Inside test: within one object (leaf) the non-zero winding rule, so overlapping shells
// merge and a shell wound inside out still counts; a solid and its caps count as one.
// Sample positions: slice s is the plane at slice coordinate s + 0.0001 and row r the line at
// row coordinate r + 0.0001, so a vertex exactly on a row counts in that row and one a hair
// (up to 0.0001) below it counts there too; a boundary exactly on a slice plane or row is
// inside on its upper side only.
//
// Degenerate input: an empty list, a design of curves and T-lines only, objects all hidden
// or on hidden layers, rowCount < 1 or a frame that flattens everything: build() returns
// false. A facet lying in a slice plane, or whose cut lies along a row, gives no crossings and
// does not disturb its neighbours. Facets with a non-finite coordinate are dropped; huge
// coordinates are clipped to the rows asked for. An open sheet is capped like a tube (its caps
// may then enclose a volume). Validating the design's box is the consumer's business (see
// solidBoundingBox).
//
// Memory: the records of a slice (cuts, crossings, answers) live in per-node arrays that keep
// their capacity from row to row and slice to slice, so a scan allocates only while it meets
// a slice larger than all before; everything goes at release().
class SolidEvaluator {
  public:
    SolidEvaluator();
    ~SolidEvaluator();
    SolidEvaluator(const SolidEvaluator&) = delete;
    SolidEvaluator& operator=(const SolidEvaluator&) = delete;

    // Gathers the objects and builds the tree, releasing any previous one. False, leaving the
    // evaluator empty, when nothing contributes or frame.rowCount < 1.
    bool build(const ObjectList& objects, const ScanFrame& frame, const ScanOptions& options = {});
    // Frees the tree and every pooled record. Harmless when empty.
    void release();
    bool empty() const;

    // Slices where the root may be solid: firstSlice() .. lastSlice(); first > last when empty.
    int firstSlice() const;
    int lastSlice() const;

    // Makes `slice` current: activates what starts there, retires what has ended and cuts
    // every active facet. Any slice may be given, also outside the root's range (nothing is
    // then solid), but they must increase: a slice not above the current one changes nothing
    // and returns false.
    bool advance(int slice);
    // The current slice; below firstSlice() before the first advance.
    int currentSlice() const;
    // Rows of the current slice that may hold intervals, clipped to 0 .. rowCount - 1;
    // first > last when none.
    int firstRow() const;
    int lastRow() const;

    // Inside intervals of `row` in the current slice, highest run position first (the first
    // is the surface nearest a viewer looking down the run axis). Fused: no two intervals
    // overlap or touch. Rows outside firstRow() .. lastRow() give an empty list. The span is
    // valid until the next call of intervals(), advance(), build() or release().
    std::span<const ScanInterval> intervals(int row);
    // Rendering mode: the attribute records that interval ends of the current slice refer to.
    std::span<const ScanAttributes> attributes() const;

    ScanCounts counts() const;
    // The tree in words, e.g. "union(subtract(union(leaf,leaf),leaf),leaf)"; "" when empty.
    // Kinds: leaf, group, union, intersect, subtract.
    std::string describe() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The extent of the solid that `objects` describe, in model coordinates (after no matrix):
// the boxes of the objects that build() would take, other than curves and T-lines, where a
// subtraction counts with its first operand only (whatever it shows) and a gem instance with
// the stone it resolves to. Super subtractors count too. Empty when there is none.
BoundingBox solidBoundingBox(const ObjectList& objects, const ScanOptions& options = {});
// Whether a box can carry a sampling grid: positive (and finite) extent along all three axes.
bool validSolidBox(const BoundingBox& box);

// How many evaluators hold a built tree right now. The shaded display draws nothing while
// this is above zero (it would compete for the same objects mid-output).
int solidEvaluationsInProgress();

// Steps `e` through slices first .. last, calling fn(slice) after each advance (also for
// slices outside the tree's range, whose rows are empty) and reporting progress after each
// slice. False when the user cancelled; the slice being worked on is then finished first.
template <class F>
bool scanSlices(SolidEvaluator& e, int first, int last, Progress* progress, F&& fn) {
    const double count = last >= first ? static_cast<double>(last - first + 1) : 1.0;
    for (int s = first; s <= last; ++s) {
        e.advance(s);
        fn(s);
        if (!reportProgress(progress, static_cast<double>(s - first + 1) / count)) return false;
    }
    return true;
}

}  // namespace orv
