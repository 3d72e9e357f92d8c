#include "view/view_camera.h"

#include <algorithm>
#include <cmath>

#include "model/object_list.h"

namespace orv {

namespace {

bool finite(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool orthographic(int d) {
    return d >= viewdir::kFront && d <= viewdir::kBottom;
}

// Front and back share their axes, as do right/left and top/bottom.
int axisGroup(int d) {
    return (d - 1) % 3;
}  // 0 front/back, 1 right/left, 2 top/bottom

// The view matrix's rotation alone, as used for extents in eye axes.
Matrix4 rotationOnly(const Matrix4& V) {
    Matrix4 r = V;
    r[12] = r[13] = r[14] = 0.0f;
    return r;
}

}  // namespace

std::string_view directionTitle(int direction) {
    static constexpr std::string_view kTitles[viewdir::kCount] = {
        "3D", "Front (X/Z)", "Right (Y/Z)", "Top (X/Y)", "Back (X/Z)", "Left (Y/Z)", "Bottom (X/Y)",
    };
    if (direction < 0 || direction >= viewdir::kCount) return kTitles[0];
    return kTitles[direction];
}

float niceStep(float zoom) {
    constexpr float kFinest = 0.001f, kCoarsest = 10.0f;
    // A zero, negative or undefined zoom shows "everything": the coarsest step. Without this
    // the decade loops below would never end (0 and infinity never reach [1, 10)).
    if (!(zoom > 0.0f)) return kCoarsest;
    if (!std::isfinite(zoom)) return kFinest;
    float a = 0.2f / zoom;
    if (!std::isfinite(a)) return kCoarsest;
    int exponent = 0;
    while (a < 1.0f) {
        a *= 10.0f;
        --exponent;
    }
    while (a >= 10.0f) {
        a *= 0.1f;
        ++exponent;
    }
    float c = std::floor(100.0f * a + 0.5f) * 0.01f;
    float m = c <= 1.0f ? 1.0f : (c <= 5.0f ? 5.0f : 10.0f);
    double step = m * std::pow(10.0, exponent);
    return static_cast<float>(std::clamp(step, double(kFinest), double(kCoarsest)));
}

// ---- DirectionStack ----

void DirectionStack::push(int direction) {
    top_ = std::clamp(top_, -1, kCapacity - 2);
    entries_[++top_] = direction;
}

int DirectionStack::pop() {
    if (top_ < 0) return viewdir::kFront;
    return entries_[top_--];
}

CameraShared::CameraShared() : saved3DMatrix(directionRotation(viewdir::kThreeD)) {}

// ---- ViewCamera ----

ViewCamera::ViewCamera() {
    resetView(direction);
}

float ViewCamera::pixelScale() const {
    // A window one pixel high (or not sized yet) would give a zero scale and a projection
    // that cannot be inverted; treat it as two pixels high instead.
    float rows = static_cast<float>(std::max(height - 1, 1));
    return rows / 2.0f * zoom / halfHeight;
}

Matrix4 ViewCamera::viewportMatrix() const {
    float s = pixelScale();
    Matrix4 vp = Matrix4::identity();
    vp[0] = s;
    vp[5] = -s;
    vp[10] = s;
    vp[12] = (width - 1) / 2.0f;
    vp[13] = (height - 1) / 2.0f;
    return vp;
}

Matrix4 ViewCamera::fullTransform() const {
    return viewMatrix * viewportMatrix();
}

void ViewCamera::applyCamera() {
    viewport = viewportMatrix();
    transform = viewMatrix * viewport;
    if (dirtyValid) {
        dirtyLeft = std::max(dirtyLeft, originX);
        dirtyTop = std::max(dirtyTop, originY);
        dirtyRight = std::min(dirtyRight, originX + width);
        dirtyBottom = std::min(dirtyBottom, originY + height);
    }
}

void ViewCamera::setSize(int w, int h) {
    originX = originY = 0;
    width = w;
    height = h;
}

void ViewCamera::rotateScreen(int axis, float degrees) {
    rotateScreenRadians(axis, static_cast<float>(degrees * std::numbers::pi / 180.0));
}

void ViewCamera::rotateScreenRadians(int axis, float radians) {
    if (axis < 0 || axis > 2) return;
    viewMatrix = orv::rotateScreen(viewMatrix, axis, radians);
}

void ViewCamera::panEye(float dx, float dy, float dz) {
    viewMatrix[12] += dx / zoom;
    viewMatrix[13] += dy / zoom;
    viewMatrix[14] += dz / zoom;
}

void ViewCamera::scaleZoom(float factor) {
    if (!(factor > 0.0f) || !std::isfinite(factor)) return;
    // The limits are tested before multiplying, so one step may end slightly beyond them.
    if (zoom < kMinZoom && factor < 1.0f) return;
    if (zoom > kMaxZoom && factor > 1.0f) return;
    zoom *= factor;
    snapStep = niceStep(zoom);
}

void ViewCamera::setZoom(float z) {
    if (!(z > 0.0f) || !std::isfinite(z)) return;
    zoom = z;
    snapStep = niceStep(zoom);
}

void ViewCamera::resetView(int dir) {
    viewMatrix = directionRotation(dir);  // zero translation, element 15 = 1
    zoom = 1.0f;
    snapStep = niceStep(zoom);
}

ViewCamera::DirectionChange ViewCamera::setDirection(int d, bool maximize, CameraShared& shared) {
    DirectionChange r;
    r.maximize = maximize;
    if (d < 0 || d >= viewdir::kCount) {
        r.maximize = false;
        return r;
    }
    if (d == direction) return r;

    int old = direction;
    if (old == viewdir::kThreeD) shared.saved3DMatrix = viewMatrix;
    if (d == viewdir::kThreeD && maximize) viewMatrix = shared.saved3DMatrix;

    if (orthographic(d)) {
        Matrix4 rot = directionRotation(d);
        for (int row = 0; row < 3; ++row)
            for (int c = 0; c < 3; ++c) viewMatrix(row, c) = rot(row, c);
    }

    // A panned position follows the world axes from one orthographic view to another. Only
    // the components are permuted, never their signs.
    if (orthographic(old) && orthographic(d)) {
        float t0 = viewMatrix[12], t1 = viewMatrix[13], t2 = viewMatrix[14];
        int from = axisGroup(old), to = axisGroup(d);
        constexpr int kFrontBack = 0, kRightLeft = 1, kTopBottom = 2;
        if (from == kFrontBack && to == kRightLeft)
            std::swap(t0, t2);
        else if (from == kFrontBack && to == kTopBottom)
            std::swap(t1, t2);
        else if (from == kRightLeft && to == kFrontBack)
            std::swap(t0, t2);
        else if (from == kRightLeft && to == kTopBottom) {
            float a = t0, b = t1, c = t2;
            t0 = c, t1 = a, t2 = b;
        } else if (from == kTopBottom && to == kFrontBack)
            std::swap(t1, t2);
        else if (from == kTopBottom && to == kRightLeft) {
            float a = t0, b = t1, c = t2;
            t0 = b, t1 = c, t2 = a;
        }
        viewMatrix[12] = t0;
        viewMatrix[13] = t1;
        viewMatrix[14] = t2;
    }

    direction = d;
    r.changed = true;
    return r;
}

bool ViewCamera::switchTo3D(CameraShared& shared) {
    return setDirection(viewdir::kThreeD, false, shared).changed;
}

void ViewCamera::zoomToBox(const BoundingBox& box, const BoundingBox* eyeExtent) {
    Point3 c{0, 0, 0};
    float r = kBoxHalfHeight;
    bool usable = !box.empty() && finite(box.lo) && finite(box.hi);
    if (usable) {
        c = 0.5f * (box.lo + box.hi);
        Point3 half = box.hi - c;
        r = std::max({half.x, half.y, half.z});
        if (!std::isfinite(r)) {
            usable = false;
            c = {0, 0, 0};
            r = kBoxHalfHeight;
        } else if (r < 0.001f) {
            r = kBoxHalfHeight;
        }
    }

    Matrix4 rot = rotationOnly(viewMatrix);
    if (usable) {
        // The largest half extent alone frames the box in a landscape window seen along an
        // axis. Seen obliquely, or in a window taller than wide, part of the scene would fall
        // outside; widen the framing just enough to keep it in.
        BoundingBox eye;
        if (eyeExtent && !eyeExtent->empty() && finite(eyeExtent->lo) && finite(eyeExtent->hi)) {
            eye = *eyeExtent;
        } else {
            for (int i = 0; i < 8; ++i) {
                Point3 p{(i & 1) ? box.hi.x : box.lo.x, (i & 2) ? box.hi.y : box.lo.y,
                         (i & 4) ? box.hi.z : box.lo.z};
                eye.grow(transformPoint(p, rot));
            }
        }
        Point3 ce = transformPoint(c, rot);
        float halfX = std::max(std::fabs(eye.hi.x - ce.x), std::fabs(eye.lo.x - ce.x));
        float halfY = std::max(std::fabs(eye.hi.y - ce.y), std::fabs(eye.lo.y - ce.y));
        // At zoom kBoxHalfHeight / r the window shows r * halfHeight / kBoxHalfHeight above
        // and below the centre, and that times (width - 1) / (height - 1) to either side.
        float toR = kBoxHalfHeight / halfHeight;
        float need = halfY * toR;
        if (width > 1 && height > 1)
            need = std::max(need, halfX * toR * float(height - 1) / float(width - 1));
        if (std::isfinite(need)) r = std::max(r, need);
    }

    zoom = kBoxHalfHeight / r;
    snapStep = niceStep(zoom);
    Point3 t = transformPoint(-c, rot);
    viewMatrix[12] = t.x;
    viewMatrix[13] = t.y;
    viewMatrix[14] = t.z;
}

void ViewCamera::zoomToPixelBox(int cx, int cy, int halfWidth) {
    if (halfWidth <= 1) return;
    float s = pixelScale();
    float dx = cx - (width - 1) / 2.0f;
    float dy = cy - (height - 1) / 2.0f;
    viewMatrix[12] -= dx / s;
    viewMatrix[13] += dy / s;  // window y grows downward
    scaleZoom(static_cast<float>(width / 2) / static_cast<float>(halfWidth));
}

void ViewCamera::zoomOneToOne(const CameraShared& shared) {
    setZoom(shared.calibrationZoom);
}

Point3 ViewCamera::project(const Point3& world) const {
    return transformPoint(world, fullTransform());
}

Point3 ViewCamera::unproject(const Point3& window) const {
    Matrix4 F = fullTransform();
    double a[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = F(i, j);
    // Inverse of the 3x3 part by the adjugate. The part is a rotation times the pixel scale,
    // so its determinant is scale^3 and only vanishes for a degenerate matrix.
    double inv[3][3];
    inv[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    inv[0][1] = a[0][2] * a[2][1] - a[0][1] * a[2][2];
    inv[0][2] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
    inv[1][0] = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    inv[1][1] = a[0][0] * a[2][2] - a[0][2] * a[2][0];
    inv[1][2] = a[0][2] * a[1][0] - a[0][0] * a[1][2];
    inv[2][0] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    inv[2][1] = a[0][1] * a[2][0] - a[0][0] * a[2][1];
    inv[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    double det = a[0][0] * inv[0][0] + a[0][1] * inv[1][0] + a[0][2] * inv[2][0];
    if (det == 0.0 || !std::isfinite(det)) return {0, 0, 0};
    double w[3] = {double(window.x) - F[12], double(window.y) - F[13], double(window.z) - F[14]};
    double p[3];
    for (int j = 0; j < 3; ++j)
        p[j] = (w[0] * inv[0][j] + w[1] * inv[1][j] + w[2] * inv[2][j]) / det;
    return {float(p[0]), float(p[1]), float(p[2])};
}

bool ViewCamera::screenToPlane(int axis, float sx, float sy, Point3& point) const {
    if (axis < 0 || axis > 2) axis = 2;
    Point3 a = unproject({sx, sy, 0.0f});
    Point3 b = unproject({sx, sy, 1.0f});
    double da = double(b[axis]) - a[axis];
    Point3 dir = b - a;
    if (std::fabs(da) <= 1e-6 * length(dir)) {
        // The plane is seen edge-on: stay under the pointer at the old point's depth.
        point = unproject({sx, sy, project(point).z});
        return false;
    }
    double t = (double(point[axis]) - a[axis]) / da;
    float keep = point[axis];
    point = {float(a.x + t * dir.x), float(a.y + t * dir.y), float(a.z + t * dir.z)};
    point[axis] = keep;
    return true;
}

int ViewCamera::dominantAxis(int screenAxis, int* sign) const {
    ViewAxes a = axes();
    screenAxis = std::clamp(screenAxis, 0, 2);
    if (sign) *sign = a.sign[screenAxis];
    return a.axis[screenAxis];
}

void ViewCamera::markDirty(int left, int top, int right, int bottom) {
    if (!dirtyValid) {
        dirtyLeft = left, dirtyTop = top, dirtyRight = right, dirtyBottom = bottom;
        dirtyValid = true;
        return;
    }
    dirtyLeft = std::min(dirtyLeft, left);
    dirtyTop = std::min(dirtyTop, top);
    dirtyRight = std::max(dirtyRight, right);
    dirtyBottom = std::max(dirtyBottom, bottom);
}

void ViewCamera::markAllDirty() {
    dirtyLeft = originX;
    dirtyTop = originY;
    dirtyRight = originX + width;
    dirtyBottom = originY + height;
    dirtyValid = true;
}

ViewCamera newViewCamera(CameraShared& shared) {
    ViewCamera cam;
    cam.viewMatrix = Matrix4::zeroAffine();
    cam.renderMode = 0;
    cam.buttons = 0;
    cam.zoom = 1.0f;
    cam.direction = shared.pendingDirections.pop();
    cam.resetView(cam.direction);
    if (shared.templateView) {
        // The orientation stays the one just reset; only the recorded direction is copied,
        // and the layout that asked for this window sets the final direction.
        cam.renderMode = shared.templateView->renderMode;
        cam.direction = shared.templateView->direction;
        if (shared.pendingDirections.empty()) shared.templateView.reset();
    }
    cam.setDirection(cam.direction, false, shared);
    return cam;
}

void requestWindowLike(const ViewCamera& camera, CameraShared& shared) {
    shared.pendingDirections.push(camera.direction);
    shared.templateView = ViewTemplate{camera.direction, camera.renderMode};
}

// ---- Zoom all ----

void zoomAll(ViewCamera& camera, const ObjectList& objects, const ZoomAllOptions& options) {
    Matrix4 rot = rotationOnly(camera.viewMatrix);
    BoundingBox world, eye;
    auto take = [&](const BoundingBox& b, const BoundingBox& e) {
        if (b.empty() || !finite(b.lo) || !finite(b.hi)) return;  // nothing, or damaged data
        world.grow(b);
        eye.grow(e);
    };
    if (!options.feedback.empty()) {
        BoundingBox e;
        const BoundingBox& f = options.feedback;
        for (int i = 0; i < 8; ++i)
            e.grow(transformPoint(
                {(i & 1) ? f.hi.x : f.lo.x, (i & 2) ? f.hi.y : f.lo.y, (i & 4) ? f.hi.z : f.lo.z},
                rot));
        take(f, e);
    }
    objects.forEach([&](const ModelObject& o) {
        if (!o.visible() || o.classNumber() == kClassTLine) return;
        if (options.layerVisible && !options.layerVisible(o.layer)) return;
        take(o.boundingBox(Matrix4::identity()), o.boundingBox(rot));
    });
    camera.zoomToBox(world, &eye);
}

// ---- Mouse and keyboard ----

namespace {

// Flip and roll need a free orientation; an orthographic view continues from where it is.
void need3D(ViewCamera& camera, CameraShared& shared, ViewResponse& r) {
    if (camera.switchTo3D(shared)) r.captionChanged = true;
}

}  // namespace

ViewResponse handleCameraInput(ViewCamera& camera, CameraShared& shared, const MouseEvent& e) {
    ViewResponse r;
    int& flags = shared.viewDragFlags;
    switch (e.type) {
        case MouseEvent::KeyDown:
            if (e.key == kKeyTab) {
                if (!(flags & dragflag::kTab)) r.showHelpBox = true;
                flags |= dragflag::kTab;
            }
            break;
        case MouseEvent::KeyUp:
            if (e.key == kKeyTab) flags &= ~dragflag::kTab;
            break;
        case MouseEvent::ButtonDown: {
            r.capture = true;
            if (flags == 0 || (e.button != 0 && e.button != 1)) break;
            int bit = e.button == 0 ? dragflag::kLeft : dragflag::kRight;
            camera.buttons |= bit;
            flags |= bit;
            shared.lastDragX = e.x;
            shared.lastDragY = e.y;
            r.consumed = true;
            break;
        }
        case MouseEvent::ButtonUp: {
            int bit = e.button == 0 ? dragflag::kLeft : (e.button == 1 ? dragflag::kRight : 0);
            if (bit && (flags & bit)) {
                flags &= ~bit;
                if (bit == dragflag::kRight) flags &= ~dragflag::kRightLatch;
                camera.buttons &= ~bit;
                r.consumed = true;
                // The drag showed fast shading only; shading and rendering need a full pass.
                if (camera.renderMode > 100) r.redraw = true;
            }
            r.releaseCapture = (e.buttonsHeld & 3) == 0;
            break;
        }
        case MouseEvent::Move: {
            if (!(flags & (dragflag::kLeft | dragflag::kRight))) break;
            float dx = float(e.x - shared.lastDragX), dy = float(e.y - shared.lastDragY);
            float h = float(std::max(camera.height, 1));
            bool left = flags & dragflag::kLeft;
            if (left && !e.ctrl) {  // flip: a full window height turns 100 degrees
                need3D(camera, shared, r);
                camera.rotateScreen(0, dy / h * 100.0f);
                camera.rotateScreen(1, dx / h * 100.0f);
            } else if (left) {  // pan: the model follows the cursor
                float k = 2.0f * camera.halfHeight / h / camera.zoom;
                camera.viewMatrix[12] += dx * k;
                camera.viewMatrix[13] -= dy * k;
            } else if (e.ctrl) {  // roll
                need3D(camera, shared, r);
                float vx = dx / h * 100.0f, vy = dy / h * 100.0f;
                camera.rotateScreen(2, std::fabs(vy) < std::fabs(vx) ? vx : vy);
            } else {  // zoom: right or up zooms in
                float vx = dx * 0.05f, vy = dy * 0.05f;
                float c = std::fabs(vy) < std::fabs(vx) ? vx : -vy;
                camera.scaleZoom(std::pow(1.1f, c));
            }
            shared.lastDragX = e.x;
            shared.lastDragY = e.y;
            r.consumed = true;
            r.redraw = true;
            r.interactive = true;
            break;
        }
        case MouseEvent::Wheel: {
            // Whole notches only; a partial notch is dropped, not carried to the next message.
            int k = e.wheelDelta / 120;
            r.consumed = true;
            if (k == 0) break;
            if (e.ctrl) {
                need3D(camera, shared, r);
                camera.rotateScreen(2, 10.0f * float(k));
            } else {
                camera.scaleZoom(std::pow(1.1f, float(k)));
            }
            r.redraw = true;
            r.interactive = camera.renderMode <= 100;
            break;
        }
    }
    return r;
}

// ---- View commands ----

bool runViewCommand(ViewCamera& camera, CameraShared& shared, int id, ViewResponse& r) {
    float n = shared.stepMultiplier;
    // Whole steps for zoom and turns; the range check keeps the conversion defined.
    int m = n >= 1.0f ? static_cast<int>(std::min(n, 1000.0f)) : 0;
    float pan = ViewCamera::kPanStep * n;
    float turn = ViewCamera::kRotateStep * float(std::min(m, 10));
    auto rotate = [&](int axis, float radians) {
        // An orthographic view is first only switched to 3D; the next command turns it.
        if (camera.direction != viewdir::kThreeD) {
            need3D(camera, shared, r);
            return;
        }
        camera.rotateScreenRadians(axis, radians);
    };

    if (id >= viewcmd::kThreeDView && id <= viewcmd::kBottomView) {
        auto change = camera.setDirection(id - viewcmd::kThreeDView, true, shared);
        r.captionChanged = change.changed;
        r.maximize = change.maximize;
        r.redraw = true;
        return true;
    }
    switch (id) {
        case viewcmd::kPanUp:
            camera.panEye(0, pan, 0);
            break;
        case viewcmd::kPanDown:
            camera.panEye(0, -pan, 0);
            break;
        case viewcmd::kPanLeft:
            camera.panEye(-pan, 0, 0);
            break;
        case viewcmd::kPanRight:
            camera.panEye(pan, 0, 0);
            break;
        case viewcmd::kZoomIn:
            camera.scaleZoom(std::pow(ViewCamera::kZoomStep, float(std::min(m, 16))));
            break;
        case viewcmd::kZoomOut:
            camera.scaleZoom(1.0f / std::pow(ViewCamera::kZoomStep, float(std::min(m, 16))));
            break;
        case viewcmd::kFlipUp:
            rotate(0, -turn);
            break;
        case viewcmd::kFlipDown:
            rotate(0, turn);
            break;
        case viewcmd::kFlipLeft:
            rotate(1, -turn);
            break;
        case viewcmd::kFlipRight:
            rotate(1, turn);
            break;
        case viewcmd::kRollLeft:
            rotate(2, turn);
            break;
        case viewcmd::kRollRight:
            rotate(2, -turn);
            break;
        case viewcmd::kZoomOneToOne:
            camera.zoomOneToOne(shared);
            break;
        case viewcmd::kResetView:
            camera.resetView();
            camera.markAllDirty();
            break;
        default:
            return false;
    }
    r.redraw = true;
    return true;
}

// ---- Zoom box ----

void ZoomBoxDrag::press(int x, int y, int viewWidth, int viewHeight) {
    active_ = true;
    cx_ = x;
    cy_ = y;
    hx_ = hy_ = 0;
    aspect_ = viewWidth > 0 && viewHeight > 0 ? float(viewHeight) / float(viewWidth) : 1.0f;
}

void ZoomBoxDrag::move(int x, int y) {
    if (!active_) return;
    hx_ = std::abs(x - cx_);
    hy_ = std::abs(y - cy_);
    if (float(hy_) > float(hx_) * aspect_)
        hx_ = static_cast<int>(std::lround(float(hy_) / aspect_));
    else
        hy_ = static_cast<int>(std::lround(float(hx_) * aspect_));
}

bool ZoomBoxDrag::release(ViewCamera& camera) {
    if (!active_) return false;
    active_ = false;
    if (hx_ <= 1) return false;
    camera.zoomToPixelBox(cx_, cy_, hx_);
    return true;
}

// ---- Toolbar auto-repeat ----

void ToolbarRepeat::press(long long nowMs, CameraShared& shared) {
    down_ = true;
    count_ = 0;
    lastMs_ = nowMs;
    shared.stepMultiplier = 1.0f;
}

bool ToolbarRepeat::poll(long long nowMs, CameraShared& shared) {
    if (!down_) return false;
    shared.stepMultiplier = count_ <= 199 ? float(5 * count_ + 1) : 1000.0f;
    long long wait = count_ == 0 ? 500 : 50;
    if (nowMs - lastMs_ <= wait) return false;
    lastMs_ = nowMs;
    ++count_;
    return true;
}

void ToolbarRepeat::release() {
    down_ = false;
    count_ = 0;
    lastMs_ = 0;
}

}  // namespace orv
