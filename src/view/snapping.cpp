#include "view/snapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "view/view_camera.h"

namespace orv {

namespace {

float roundTo(float v, float step) {
    if (!(step > 0.0f)) return v;
    return std::floor(v / step + 0.5f) * step;
}

}  // namespace

int SnapState::toggleFine() {
    fineFactor = fine() ? kCoarse : kFine;
    return fine() ? snapcmd::kFineSnappingText : snapcmd::kCoarseSnappingText;
}

float currentSnapStep(const ViewCamera& camera, const SnapState& snap) {
    return camera.snapStep * snap.fineFactor;
}

SnapResult snapPointer(const ViewCamera& camera, SnapState& snap, int x, int y, int mode) {
    const ViewAxes axes = camera.axes();
    const int r = axes.axis[0], u = axes.axis[1], d = axes.axis[2];
    Point3 p{0, 0, 0};
    camera.screenToPlane(d, float(x), float(y), p);
    p[d] = 0.0f;
    const float step = currentSnapStep(camera, snap);
    for (int i = 0; i < 3; ++i) p[i] = roundTo(p[i], step);

    if (mode != snapmode::kTrack) {
        snap.anchor = p;
        snap.lockState = kNoLock;
        return {p, snap.lockState};
    }
    if (snap.lockState >= 0) {
        if (snap.lockState == u)
            p[r] = snap.anchor[r];
        else
            p[u] = snap.anchor[u];
        return {p, snap.lockState};
    }
    const Point3 delta = p - snap.anchor;
    int candidate;
    if (std::fabs(delta[u]) <= std::fabs(delta[r])) {
        candidate = r;
        p[u] = snap.anchor[u];
    } else {
        candidate = u;
        p[r] = snap.anchor[r];
    }
    // The coarse step decides, so that fine snapping does not lock a drag any sooner.
    if (std::fabs(delta[candidate]) < 2.0f * camera.snapStep)
        snap.lockState = -(candidate + 1);
    else
        snap.lockState = candidate;
    return {p, snap.lockState};
}

Point3 snapInPlane(const ViewCamera& camera, const SnapState& snap, const Point3& point, int x,
                   int y) {
    const int d = camera.axes().axis[2];
    Point3 p = point;
    camera.screenToPlane(d, float(x), float(y), p);
    const float step = currentSnapStep(camera, snap);
    for (int i = 0; i < 3; ++i)
        if (i != d) p[i] = roundTo(p[i], step);
    p[d] = point[d];
    return p;
}

std::optional<Point3> surfacePoint(const ViewCamera& camera, const DepthImage& depth, int x,
                                   int y) {
    if (depth.width <= 0 || depth.height <= 0 || !depth.windowDepth) return std::nullopt;
    const int cx = std::clamp(x, 0, depth.width - 1), cy = std::clamp(y, 0, depth.height - 1);
    const float z = depth.windowDepth(cx, cy);
    if (!std::isfinite(z)) return std::nullopt;
    Point3 p = camera.unproject({float(cx), float(cy), z});
    for (int i = 0; i < 3; ++i) p[i] = roundTo(p[i], 0.001f);
    return p;
}

std::string coordinateStatus(const Point3& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "    X %8.4g    Y %8.4g    Z %8.4g", double(p.x), double(p.y),
                  double(p.z));
    return buf;
}

}  // namespace orv
