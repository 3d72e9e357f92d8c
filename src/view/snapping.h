#pragma once
// Turning pointer pixels into model coordinates: the grid snap with its fine and coarse
// steps, the axis lock of drags, the snap in a CV's own plane and the point on a shaded
// surface under the pointer.
#include <functional>
#include <optional>
#include <string>

#include "kernel/point3.h"

namespace orv {

class ViewCamera;

namespace snapcmd {
inline constexpr int kFineSnap = 3002;
inline constexpr int kFineSnappingText = 10022;
inline constexpr int kCoarseSnappingText = 10023;
}  // namespace snapcmd

// Lock states of SnapState::lockState other than a locked world axis 0-2.
inline constexpr int kNoLock = -1;

// Snapping state of the whole program. The application owns one (the operations reach it
// through their Interaction); nothing here is a global.
struct SnapState {
    static constexpr float kCoarse = 1.0f;
    static constexpr float kFine = 0.1f;

    float fineFactor = kCoarse;
    Point3 anchor{0, 0, 0};
    // kNoLock; a locked world axis 0-2; or -(candidate + 1) while the candidate axis is not
    // yet confirmed.
    int lockState = kNoLock;

    bool fine() const { return fineFactor != kCoarse; }
    // "Fine Snap": switches the factor and returns the UI string to show (fine or coarse).
    int toggleFine();
};

// The camera's snap step times the fine factor.
float currentSnapStep(const ViewCamera& camera, const SnapState& snap);

// Modes of snapPointer().
namespace snapmode {
inline constexpr int kTrack = 0;   // follow a drag from the anchor along one axis
inline constexpr int kAnchor = 1;  // start a drag: the snapped point becomes the anchor
inline constexpr int kAnchor2 = 2; // the same, for operations that anchor a second time
}  // namespace snapmode

struct SnapResult {
    Point3 point{0, 0, 0};
    int lockState = kNoLock;
};

// The pointer on the plane through the world origin facing the viewer, every coordinate
// rounded to the current step. Anchoring modes remember the point and clear the lock.
// Tracking keeps the point on one world axis through the anchor: the screen-right or
// screen-up axis, whichever the drag has moved further along; the choice becomes final once
// the travel along it reaches two coarse steps. `camera` must have been applied.
SnapResult snapPointer(const ViewCamera& camera, SnapState& snap, int x, int y, int mode);

// The pointer on the plane facing the viewer through `point`'s own depth, the other two
// coordinates rounded to the current step.
Point3 snapInPlane(const ViewCamera& camera, const SnapState& snap, const Point3& point, int x,
                   int y);

// The depth image of a view as the platform read it back, already converted to the window
// depth of the view's full transform (ViewCamera::project's z) with row 0 at the top.
struct DepthImage {
    int width = 0, height = 0;
    std::function<float(int column, int row)> windowDepth;
};

// The world point of the shaded surface under pixel (x, y), rounded to 0.001. The pixel is
// clamped into the image. Nothing when there is no depth image (nothing was captured).
std::optional<Point3> surfacePoint(const ViewCamera& camera, const DepthImage& depth, int x,
                                   int y);

// The status line text showing a point: "    X %8.4g    Y %8.4g    Z %8.4g".
std::string coordinateStatus(const Point3& p);

}  // namespace orv
