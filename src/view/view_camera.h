#pragma once
#include <array>
#include <functional>
#include <numbers>
#include <optional>
#include <string_view>

#include "kernel/bbox.h"
#include "kernel/matrix4.h"
#include "kernel/view_axes.h"

namespace orv {

class EditHistory;
class ObjectList;

// The seven view directions. 0 is the free 3D view; the others are fixed orthographic
// rotations (kernel/view_axes.h holds their matrices).
namespace viewdir {
inline constexpr int kThreeD = 0;
inline constexpr int kFront = 1;
inline constexpr int kRight = 2;
inline constexpr int kTop = 3;
inline constexpr int kBack = 4;
inline constexpr int kLeft = 5;
inline constexpr int kBottom = 6;
inline constexpr int kCount = 7;
}  // namespace viewdir

// Child-frame caption of a direction; "3D" for anything out of range.
std::string_view directionTitle(int direction);

// Grid and snap step for a zoom: 1, 5 or 10 times a power of ten, kept within [0.001, 10].
float niceStep(float zoom);

// Settings a new window copies from the view that asked for it.
struct ViewTemplate {
    int direction = viewdir::kFront;
    int renderMode = 0;
};

// Directions waiting for the windows about to be opened. Holds at most ten; pushing onto a
// full stack replaces the top entry rather than growing.
class DirectionStack {
  public:
    static constexpr int kCapacity = 10;
    void push(int direction);
    // The most recently pushed direction, or front when nothing is waiting.
    int pop();
    bool empty() const { return top_ < 0; }
    int size() const { return top_ + 1; }
    void clear() { top_ = -1; }

  private:
    std::array<int, kCapacity> entries_{};
    int top_ = -1;
};

// Bits of CameraShared::viewDragFlags.
namespace dragflag {
inline constexpr int kLeft = 1 << 0;        // left-button view drag in progress
inline constexpr int kRight = 1 << 1;       // right-button view drag in progress
inline constexpr int kTab = 1 << 3;         // Tab held: presses drive the camera
inline constexpr int kRightLatch = 1 << 4;  // cleared with the right drag; nothing here sets it
}  // namespace dragflag

// Camera state that all views of the program share. The application owns one and hands it
// to every camera call that needs it; nothing here is a global, so separate sessions (and
// tests) never see each other's state.
struct CameraShared {
    CameraShared();

    // The orientation of whichever view last left 3D; restored by "3D view". Starts as the
    // reset 3D view so that a first restore never shows a degenerate matrix.
    Matrix4 saved3DMatrix;
    // Zoom of "Zoom 1 : 1", kept in the configuration; set by the calibration dialog.
    float calibrationZoom = 0.2f;
    // Repeat factor of the view step commands while a toolbar button is held.
    float stepMultiplier = 1.0f;

    int viewDragFlags = 0;
    int lastDragX = 0, lastDragY = 0;
    // Set by the caller while it redraws a view for a drag or wheel step (fast path).
    bool interactiveRedraw = false;

    DirectionStack pendingDirections;
    std::optional<ViewTemplate> templateView;
};

// Orthographic camera of one view. Fields are public in the manner of a plain record; the
// operations keep the derived values (snap step) consistent.
class ViewCamera {
  public:
    static constexpr float kPanStep = 0.1f;
    static constexpr float kZoomStep = 1.01f;
    static constexpr float kRotateStep = std::numbers::pi_v<float> / 360.0f;  // 0.5 degree
    static constexpr float kBoxHalfHeight = 25.0f;
    static constexpr float kMinZoom = 0.001f;
    static constexpr float kMaxZoom = 1000.0f;

    // Front view, zoom 1, no drawing area yet.
    ViewCamera();

    // world -> eye: rows 0-2 the rotation, elements 12-14 the translation in eye units.
    Matrix4 viewMatrix;
    int originX = 0, originY = 0;
    int width = 0, height = 0;
    // Pending repaint rectangle in window pixels, right and bottom exclusive.
    int dirtyLeft = 0, dirtyTop = 0, dirtyRight = 0, dirtyBottom = 0;
    bool dirtyValid = false;
    float halfHeight = 25.0f;  // half the visible height in world units at zoom 1
    float zoom = 1.0f;
    float snapStep = 0.5f;
    EditHistory* history = nullptr;  // the document's history, bound by the view
    int direction = viewdir::kFront;
    int feedbackHidden = 0;
    int buttons = 0;  // bit 0 left, bit 1 right held for the current operation
    int renderMode = 0;

    // Built by applyCamera(): the viewport matrix and viewMatrix * viewport.
    Matrix4 viewport = Matrix4::identity();
    Matrix4 transform = Matrix4::identity();

    // Rebuilds `viewport` and `transform` and clips the dirty rectangle to the drawing area.
    // Call before drawing, picking or mapping the mouse.
    void applyCamera();
    // The matrices applyCamera() would build, from the current fields.
    Matrix4 viewportMatrix() const;
    Matrix4 fullTransform() const;
    // Window pixels per world unit.
    float pixelScale() const;

    void setSize(int w, int h);

    // viewMatrix := viewMatrix * R(axis, angle); axis 0 screen x, 1 screen y, 2 screen z.
    // Turns about the eye origin (the window centre), carrying the translation with it.
    void rotateScreen(int axis, float degrees);
    void rotateScreenRadians(int axis, float radians);
    // Moves the eye translation by (dx, dy, dz) / zoom.
    void panEye(float dx, float dy, float dz);
    // Multiplies the zoom, unless that would push it further past its limits.
    void scaleZoom(float factor);
    // Sets the zoom directly (non-positive or non-finite values are ignored).
    void setZoom(float z);

    // The rotation of `dir` with no translation, zoom 1. Does not change `direction`.
    void resetView(int dir);
    void resetView() { resetView(direction); }

    struct DirectionChange {
        bool changed = false;   // direction (and caption) changed
        bool maximize = false;  // caller shows the frame maximised (or redraws if it is)
    };
    // Switches to `d`, saving or restoring the shared 3D orientation and carrying a panned
    // position across orthographic directions. Out-of-range directions are ignored.
    DirectionChange setDirection(int d, bool maximize, CameraShared& shared);
    // Direction 0 from the current orientation, without restoring the saved 3D matrix: what
    // turning an orthographic view does. True when the direction changed.
    bool switchTo3D(CameraShared& shared);

    // Frames the world box `box`: its centre goes to the window centre and the zoom is set
    // from its largest half extent. When given, `eyeExtent` is the scene's extent in eye axes
    // (rotation only, no translation); the zoom is lowered where needed so that it fits the
    // drawing area, otherwise the box's own corners are fitted. An empty box gives zoom 1
    // on the world origin.
    void zoomToBox(const BoundingBox& box, const BoundingBox* eyeExtent = nullptr);
    // Brings window pixel (cx, cy) to the window centre and zooms so that a box of half
    // width `halfWidth` pixels fills the width. Half widths of 1 pixel or less are ignored.
    void zoomToPixelBox(int cx, int cy, int halfWidth);
    // "Zoom 1 : 1". A calibration value that is not a positive finite number is ignored.
    void zoomOneToOne(const CameraShared& shared);

    // World point -> (window x, window y, scaled eye depth).
    Point3 project(const Point3& world) const;
    // Inverse of project(). Computed in double precision so very small zooms still invert.
    Point3 unproject(const Point3& window) const;
    // The world point that projects to pixel (sx, sy) and whose coordinate `axis` keeps the
    // value in `point`. When that plane is seen edge-on there is no such point: `point`
    // becomes the pixel's point at the old point's depth and the result is false.
    bool screenToPlane(int axis, float sx, float sy, Point3& point) const;

    // World axis nearest to screen axis 0 (right), 1 (up) or 2 (depth) and its sign.
    int dominantAxis(int screenAxis, int* sign = nullptr) const;
    ViewAxes axes() const { return dominantAxes(viewMatrix); }

    // Repaint rectangle bookkeeping for the drawing code.
    void markDirty(int left, int top, int right, int bottom);
    void markAllDirty();
    void clearDirty() { dirtyValid = false; }
    bool dirtyEmpty() const {
        return dirtyValid && (dirtyRight <= dirtyLeft || dirtyBottom <= dirtyTop);
    }
};

// A camera for a newly opened window: takes the next pending direction (front when none) and
// the template's display mode and direction, forgetting the template once nothing is pending.
ViewCamera newViewCamera(CameraShared& shared);
// Prepares the next window to open as a copy of `camera`'s direction and display mode.
void requestWindowLike(const ViewCamera& camera, CameraShared& shared);

// ---- Zoom all ----

struct ZoomAllOptions {
    // Whether a layer's objects are shown; every layer when empty.
    std::function<bool(int layer)> layerVisible;
    // Feedback extent of the current default operation, taken in as well.
    BoundingBox feedback;
};
// Frames every shown object (state normal or picked, on a visible layer). Construction
// planes are left out: they reach far beyond any design and would shrink it to a dot.
void zoomAll(ViewCamera& camera, const ObjectList& objects, const ZoomAllOptions& options = {});

// ---- Mouse and keyboard ----

inline constexpr int kKeyTab = 9;

struct MouseEvent {
    enum Type { ButtonDown, ButtonUp, Move, Wheel, KeyDown, KeyUp };
    Type type = Move;
    int button = 0;    // ButtonDown / ButtonUp: 0 left, 1 right
    int x = 0, y = 0;  // window pixels
    bool shift = false, ctrl = false;
    int buttonsHeld = 0;  // after the event: bit 0 left, bit 1 right
    int wheelDelta = 0;   // Wheel: sum of the deltas of the queued wheel messages
    int key = 0;          // KeyDown / KeyUp: virtual key
};

// What the caller has to do after an event.
struct ViewResponse {
    bool consumed = false;  // a camera gesture: do not pass it to the operation
    bool capture = false;   // capture the mouse and make this view current
    bool releaseCapture = false;
    bool redraw = false;
    bool interactive = false;     // redraw on the fast path, without operation feedback
    bool captionChanged = false;  // refresh the frame caption from directionTitle()
    bool maximize = false;        // show the frame maximised (redraw instead if it is)
    bool showHelpBox = false;     // draw mouseHelpBox() over the view
};

// Tab + drag and the wheel. Moves should be delivered only when no other mouse message is
// queued, and wheel deltas summed while more wheel messages are queued.
ViewResponse handleCameraInput(ViewCamera& camera, CameraShared& shared, const MouseEvent& e);

// The box of mouse help drawn when Tab goes down. Colours are red + 256 green + 65536 blue.
struct MouseHelpBox {
    int left = 0, top = 0, right = 480, bottom = 50;
    int fillColour = 255 + 256 * 255 + 65536 * 187;
    int textColour = 65536 * 187;
    std::string_view font = "Courier New";
    int fontHeight = 15;
    struct Line {
        int uiString, x, y;
    };
    std::array<Line, 2> lines{{{20001, 10, 10}, {20002, 10, 25}}};
};
inline constexpr MouseHelpBox mouseHelpBox() {
    return {};
}

// ---- View commands ----

namespace viewcmd {
inline constexpr int kThreeDView = 3200;  // 3201-3206: front ... bottom
inline constexpr int kFrontView = 3201;
inline constexpr int kBottomView = 3206;
inline constexpr int kPanUp = 3400, kPanDown = 3401, kPanLeft = 3402, kPanRight = 3403;
inline constexpr int kZoomIn = 3410, kZoomOut = 3411, kZoomBox = 3412, kZoomAll = 3413;
inline constexpr int kZoomOneToOne = 3414, kCalibrate = 3415;
inline constexpr int kFlipUp = 3420, kFlipDown = 3421, kFlipLeft = 3422, kFlipRight = 3423;
inline constexpr int kRollLeft = 3430, kRollRight = 3431;
inline constexpr int kResetView = 3440;
inline constexpr int kNewWindowLike = 3441;
}  // namespace viewcmd

// Runs a view command that needs nothing but the camera: the direction commands, pan, zoom
// in/out, flip, roll, zoom 1:1 and reset view, scaled by shared.stepMultiplier. Turning an
// orthographic view only switches it to 3D; the next command turns it. Returns false (and
// does nothing) for any other id.
bool runViewCommand(ViewCamera& camera, CameraShared& shared, int id, ViewResponse& response);

// ---- Zoom box ----

// The drag of the zoom box: a box centred on the press point with the window's aspect ratio.
class ZoomBoxDrag {
  public:
    void press(int x, int y, int viewWidth, int viewHeight);
    void move(int x, int y);
    // Applies the box to `camera` when it is wider than a pixel; true when it was applied.
    bool release(ViewCamera& camera);

    bool active() const { return active_; }
    int centreX() const { return cx_; }
    int centreY() const { return cy_; }
    int halfWidth() const { return hx_; }
    int halfHeight() const { return hy_; }

  private:
    bool active_ = false;
    int cx_ = 0, cy_ = 0, hx_ = 0, hy_ = 0;
    float aspect_ = 1.0f;
};

// ---- Toolbar auto-repeat ----

// Source of CameraShared::stepMultiplier while a view toolbar button is held. Times are in
// milliseconds from any fixed origin.
class ToolbarRepeat {
  public:
    // Button down: the command runs once now with a factor of 1.
    void press(long long nowMs, CameraShared& shared);
    // Called while the button stays down; true when the command should run again.
    bool poll(long long nowMs, CameraShared& shared);
    // Button up: the repeat count and timer restart; the factor keeps its last value.
    void release();

    int count() const { return count_; }

  private:
    int count_ = 0;
    long long lastMs_ = 0;
    bool down_ = false;
};

}  // namespace orv
