#include "view/wire_drawing.h"

#include <algorithm>
#include <cstdio>

#include "kernel/bspline.h"
#include "model/objects.h"
#include "view/display_settings.h"

namespace orv {

namespace {

int clampLevel(uint32_t level) {
    return static_cast<int>(std::min<uint32_t>(level, kMaxEvaluationResolution));
}

// Extends a run of CVs by its end conditions into the renderer's scratch array.
std::vector<Point3>& extended(LineRenderer& r, int slot, const Point3* cvs, int n, int stride,
                              bool freeStart, bool freeEnd, bool closed) {
    std::vector<Point3>& out = r.scratch(slot);
    out.resize(static_cast<size_t>(extendedCount(n, freeStart, freeEnd, closed)));
    if (!out.empty()) extendCurveInto(cvs, n, stride, freeStart, freeEnd, closed, out.data(), 1);
    return out;
}

void markers(const std::vector<Point3>& cvs, LineRenderer& r) {
    r.beginPrimitive(primitive::kMarkers);
    for (const Point3& p : cvs) r.vertex(p);
    r.endPrimitive();
}

// Picked CVs again, in the pick colour, over the ordinary markers.
void pickedMarkers(const CvObject& o, LineRenderer& r) {
    size_t n = std::min(o.cvs.size(), o.cvFlags.size());
    auto flagged = [&](size_t i) { return o.cvFlags[i] != 0; };
    size_t i = 0;
    while (i < n && !flagged(i)) ++i;
    if (i == n) return;
    uint32_t previous = r.setPen(r.colours().pick);
    r.beginPrimitive(primitive::kMarkers);
    for (; i < n; ++i)
        if (flagged(i)) r.vertex(o.cvs[i]);
    r.endPrimitive();
    r.setPen(previous);
}

// Calls f(first, last) for every run of consecutive coinciding CVs.
template <class F>
void forEachGroup(std::span<const Point3> cvs, F&& f) {
    size_t i = 0;
    while (i < cvs.size()) {
        size_t j = i;
        while (j + 1 < cvs.size() && samePoint(cvs[j + 1], cvs[i])) ++j;
        f(static_cast<int>(i), static_cast<int>(j));
        i = j + 1;
    }
}

int formatGroup(char* buf, size_t size, int first, int last) {
    if (first == last) return std::snprintf(buf, size, "%d", first);
    if (last == first + 1) return std::snprintf(buf, size, "%d.%d", first, last);
    return std::snprintf(buf, size, "%d..%d", first, last);
}

void drawCurve(const CurveObject& c, LineRenderer& r, int mode) {
    int n = c.cvCount();
    if (n == 0) return;
    int level = clampLevel(c.resolution);
    if (level > 1) {
        if (mode == rendermode::kQuickWire && level > 3) level /= 2;
        auto& polygon = extended(r, 0, c.cvs.data(), n, 1, c.freeStart != 0, c.freeEnd != 0,
                                 c.closed != 0);
        r.drawCurvePoints(polygon.data(), static_cast<int>(polygon.size()), level);
    } else {
        r.drawPolyline(c.cvs, c.closed != 0);
    }

    bool hideable = mode <= 0 || mode == rendermode::kMeshWire;
    if (mode == rendermode::kQuickWire || (c.hideCv && hideable)) return;
    markers(c.cvs, r);
    forEachGroup(c.cvs, [&](int first, int last) {
        char text[32];
        formatGroup(text, sizeof text, first, last);
        r.drawNumber(c.cvs[static_cast<size_t>(first)], text);
    });
    if (mode == rendermode::kNormalWire || mode == rendermode::kMeshWire) pickedMarkers(c, r);
}

void drawSurface(const SurfaceObject& s, LineRenderer& r, int mode) {
    if (!s.netValid()) return;
    const int rows = static_cast<int>(s.rows), cols = static_cast<int>(s.columns);
    const Point3* net = s.cvs.data();
    const bool cFreeS = s.columnFreeStart != 0, cFreeE = s.columnFreeEnd != 0,
               cClosed = s.columnClosed != 0;
    const bool rFreeS = s.rowFreeStart != 0, rFreeE = s.rowFreeEnd != 0, rClosed = s.rowClosed != 0;
    const int rowLevel = clampLevel(s.rowResolution), colLevel = clampLevel(s.columnResolution);

    if (mode == rendermode::kQuickWire) {
        // Two iso-lines through the middle of the net, each through the curve points at its
        // CVs (or the CVs themselves when that direction is not smoothed).
        auto& row = extended(r, 0, net + static_cast<size_t>(rows / 2) * cols, cols, 1, cFreeS,
                             cFreeE, cClosed);
        r.drawCurvePoints(row.data(), static_cast<int>(row.size()), colLevel <= 0 ? 0 : 1);
        auto& column = extended(r, 0, net + cols / 2, rows, cols, rFreeS, rFreeE, rClosed);
        r.drawCurvePoints(column.data(), static_cast<int>(column.size()), rowLevel <= 0 ? 0 : 1);
        return;
    }

    if (mode > 0) {
        PointGrid g = s.grid(false);
        if (g.empty()) return;
        for (int i = 0; i < g.rows; ++i)
            r.drawPolyline(&g.points[static_cast<size_t>(i) * g.columns],
                           static_cast<size_t>(g.columns), false);
        auto& column = r.scratch(1);
        column.resize(static_cast<size_t>(g.rows));
        for (int j = 0; j < g.columns; ++j) {
            for (int i = 0; i < g.rows; ++i) column[static_cast<size_t>(i)] = g.at(i, j);
            r.drawPolyline(column, false);
        }
        return;
    }

    for (int i = 0; i < rows; ++i) {
        auto& row = extended(r, 0, net + static_cast<size_t>(i) * cols, cols, 1, cFreeS, cFreeE,
                             cClosed);
        r.drawCurvePoints(row.data(), static_cast<int>(row.size()), colLevel);
    }
    for (int j = 0; j < cols; ++j) {
        auto& column = extended(r, 0, net + j, rows, cols, rFreeS, rFreeE, rClosed);
        r.drawCurvePoints(column.data(), static_cast<int>(column.size()), rowLevel);
    }
    if (s.hideCv) return;
    markers(s.cvs, r);
    if (mode == rendermode::kNormalWire) pickedMarkers(s, r);
}

// Calls f(first index, size) for every `step`-th face whose indices are all in range.
template <class F>
void forEachFace(const FacetObject& o, size_t step, F&& f) {
    const size_t nv = o.cvs.size(), ni = o.faceIndices.size();
    size_t offset = 0;
    for (size_t face = 0; face < o.faceSizes.size(); ++face) {
        size_t size = o.faceSizes[face];
        if (size > ni - offset) return;  // faces run past the index array
        if (face % step == 0) {
            bool valid = true;
            for (size_t k = 0; k < size && valid; ++k) valid = o.faceIndices[offset + k] < nv;
            if (valid) f(offset, size);
        }
        offset += size;
    }
}

void drawFacets(const FacetObject& o, LineRenderer& r, int mode) {
    const size_t faces = o.faceCount();
    const size_t step = facetFaceStep(faces, mode);
    const bool edgesOnly =
        mode == rendermode::kQuickWire || (mode == rendermode::kNormalWire && faces >= kDenseFacetFaces);
    forEachFace(o, step, [&](size_t offset, size_t size) {
        if (edgesOnly) {
            if (size < 2) return;
            r.beginPrimitive(primitive::kOpen);
            r.vertex(o.cvs[o.faceIndices[offset]]);
            r.vertex(o.cvs[o.faceIndices[offset + 1]]);
            r.endPrimitive();
            return;
        }
        r.beginPrimitive(primitive::kClosed);
        for (size_t k = 0; k < size; ++k) r.vertex(o.cvs[o.faceIndices[offset + k]]);
        r.endPrimitive();
    });
    if (mode == rendermode::kQuickWire || o.hideCv) return;
    markers(o.cvs, r);
    if (mode == rendermode::kNormalWire) pickedMarkers(o, r);
}

void drawBoolean(const BooleanObject& b, LineRenderer& r, int mode) {
    for (size_t i = 0; i < b.children.size(); ++i) {
        if (b.operation == kSubtract && !b.showSubtractors && i > 0) break;
        const ModelObject& child = b.children[i];
        if (child.visible()) drawObject(child, r, mode);
    }
}

void drawBlock(const BlockObject& b, LineRenderer& r, int mode) {
    LineRenderer::ModelScope placed(r, b.placement);
    // End outlines always; the wall and end surfaces except in the quick wire frame.
    b.generatedEnds.forEach([&](const ModelObject& o) {
        if (o.visible()) drawObject(o, r, std::max(mode, rendermode::kQuickWire));
    });
    if (mode == rendermode::kQuickWire) return;
    b.generatedSides.forEach([&](const ModelObject& o) {
        if (o.visible()) drawObject(o, r, mode);
    });
}

void drawGem(const GemInstance& g, LineRenderer& r, int mode) {
    Matrix4 composite;
    const ModelObject* stone = g.resolve(composite);
    if (!stone) return;
    LineRenderer::ModelScope placed(r, composite);
    drawObject(*stone, r, mode);
}

void drawTLine(const TLineObject& t, LineRenderer& r) {
    constexpr float kReach = 10000.0f;
    int axis = static_cast<int>(std::min<uint32_t>(t.axis, 2));
    int depth = std::clamp(r.depthAxis(), 0, 2);
    if (axis == depth) return;  // the plane faces the viewer: nothing to show edge-on
    int along = 3 - axis - depth;
    Point3 ends[2];
    for (Point3& p : ends) {
        p[axis] = t.axisFrame(3, axis);
        p[depth] = 0.0f;
    }
    ends[0][along] = -kReach;
    ends[1][along] = kReach;
    r.drawPolyline(ends, 2, false);
}

}  // namespace

size_t facetFaceStep(size_t faces, int mode) {
    if (mode == rendermode::kQuickWire) return 2 * (faces / 16000) + 2;
    if (mode < 0) return faces / 16000 + 1;
    return 1;
}

std::vector<CvLabel> cvGroupLabels(std::span<const Point3> cvs) {
    std::vector<CvLabel> labels;
    forEachGroup(cvs, [&](int first, int last) {
        char text[32];
        formatGroup(text, sizeof text, first, last);
        labels.push_back({first, text});
    });
    return labels;
}

void drawObject(const ModelObject& object, LineRenderer& r, int mode) {
    switch (object.classNumber()) {
        case kClassCurve: drawCurve(static_cast<const CurveObject&>(object), r, mode); break;
        case kClassSurface: drawSurface(static_cast<const SurfaceObject&>(object), r, mode); break;
        case kClassFacet: drawFacets(static_cast<const FacetObject&>(object), r, mode); break;
        case kClassBoolean: drawBoolean(static_cast<const BooleanObject&>(object), r, mode); break;
        case kClassBlock: drawBlock(static_cast<const BlockObject&>(object), r, mode); break;
        case kClassGem: drawGem(static_cast<const GemInstance&>(object), r, mode); break;
        case kClassTLine: drawTLine(static_cast<const TLineObject&>(object), r); break;
        default: break;  // tool paths are shown by the NC preview, not here
    }
}

}  // namespace orv
