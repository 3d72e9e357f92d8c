#include "ops/dialog_drag.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "view/snapping.h"
#include "view/view_camera.h"

namespace orv {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// The arrow head: its strokes' length in pixels and their angle to the shaft.
constexpr float kHeadPixels = 10.0f;
constexpr double kHeadDegrees = 25.0;

// The pointer on the plane through the world origin facing the viewer, unrounded.
Point3 originPlanePoint(const ViewCamera& camera, int x, int y) {
    const int d = camera.axes().axis[2];
    Point3 p{0, 0, 0};
    camera.screenToPlane(d, float(x), float(y), p);
    p[d] = 0.0f;
    return p;
}

void segment(LineRenderer& r, const Point3& a, const Point3& b) {
    r.beginPrimitive(primitive::kOpen);
    r.vertex(a);
    r.vertex(b);
    r.endPrimitive();
}

}  // namespace

double screenAngle(const Point3& p, const ViewAxes& axes) {
    const double h = double(p[axes.axis[0]]) * axes.sign[0];
    const double v = double(p[axes.axis[1]]) * axes.sign[1];
    const double a = std::atan2(v, h) / kDegree;
    return a <= -180.0 ? a + 360.0 : a;
}

Point3 screenPoint(double degrees, double radius, const ViewAxes& axes) {
    Point3 p{0, 0, 0};
    p[axes.axis[0]] = static_cast<float>(axes.sign[0] * radius * std::cos(degrees * kDegree));
    p[axes.axis[1]] = static_cast<float>(axes.sign[1] * radius * std::sin(degrees * kDegree));
    return p;
}

Point3 screenToWorld(const Point3& screen, const ViewAxes& axes) {
    Point3 w{0, 0, 0};
    for (int k = 0; k < 3; ++k) w[axes.axis[k]] = float(axes.sign[k]) * screen[k];
    return w;
}

// ---- DialogDragOperation ----

DialogDragOperation::DialogDragOperation(Interaction& host, int command,
                                         std::function<void()> changed)
    : Operation(host), command_(command), changed_(std::move(changed)) {
    if (OperationView* v = host.currentView()) axes_ = v->camera().axes();
}

DialogDragOperation::~DialogDragOperation() { host().forgetViewOperation(*this); }

void DialogDragOperation::press(int button, int x, int y) {
    OperationView* v = host().currentView();
    // The same button again means its release was lost (the view closed under the drag):
    // the new press starts afresh. The other button during a drag is ignored.
    if ((dragging() && button_ != button) || !v) return;
    button_ = button;
    dragView_ = v;
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    host().refreshFeedbackAllViews(feedback::kToggle);
    axes_ = cam.axes();
    cam.applyCamera();
    start(cam, button, x, y);
    host().refreshFeedbackAllViews(feedback::kToggle);
}

void DialogDragOperation::onMouseMove(int, int x, int y) {
    OperationView* v = host().currentView();
    if (!dragging() || !v || v != dragView_) return;
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    changeValues(cam, x, y);
}

void DialogDragOperation::changeValues(ViewCamera& camera, int x, int y) {
    if (!track(camera, x, y)) return;
    host().refreshFeedbackAllViews(feedback::kToggle);
    commit();
    host().refreshFeedbackAllViews(feedback::kToggle);
    if (changed_) changed_();
}

void DialogDragOperation::onLeftUp(int, int, int) {
    if (button_ != 0) return;
    button_ = -1;
    dragView_ = nullptr;
}

void DialogDragOperation::onRightUp(int, int, int) {
    if (button_ != 1) return;
    button_ = -1;
    dragView_ = nullptr;
}

// ---- Extend ----

ExtendDragOperation::ExtendDragOperation(Interaction& host, ExtendArgs& args, int command,
                                         std::function<void()> changed)
    : DialogDragOperation(host, command, std::move(changed)), args_(args), pending_(args) {}

void ExtendDragOperation::start(ViewCamera& camera, int button, int x, int y) {
    if (button == 0)
        start_ = snapPointer(camera, host().snap, x, y, snapmode::kAnchor).point;
    else
        start_ = originPlanePoint(camera, x, y);
}

bool ExtendDragOperation::track(ViewCamera& camera, int x, int y) {
    Point3 end = start_;
    camera.screenToPlane(axes_.axis[2], float(x), float(y), end);
    pending_ = args_;
    pending_.applyDrag(end - start_, axes_, currentSnapStep(camera, host().snap));
    // A component that rounds to nothing from below would show as "-0".
    for (double& e : pending_.edits) e += 0.0;
    return pending_.edits != args_.edits;
}

void ExtendDragOperation::commit() {
    args_ = pending_;
}

Point3 ExtendDragOperation::arrowTip() const {
    return start_ + screenToWorld(args_.vector(), axes_);
}

void ExtendDragOperation::drawFeedback(LineRenderer& renderer, int) {
    const Point3 tip = arrowTip();
    segment(renderer, start_, tip);
    OperationView* v = host().currentView();
    if (!v) return;
    // The head in pixels, so that it reads the same in every view and at every zoom.
    const ViewCamera& cam = v->camera();
    const Point3 a = cam.project(start_), b = cam.project(tip);
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (!(len >= 1.0f)) return;
    const float ux = dx / len, uy = dy / len;
    for (double side : {kHeadDegrees, -kHeadDegrees}) {
        const float c = static_cast<float>(std::cos(side * kDegree));
        const float s = static_cast<float>(std::sin(side * kDegree));
        const float hx = -(ux * c - uy * s) * kHeadPixels, hy = -(ux * s + uy * c) * kHeadPixels;
        segment(renderer, tip, cam.unproject({b.x + hx, b.y + hy, b.z}));
    }
}

// ---- Revolve ----

RevolveDragOperation::RevolveDragOperation(Interaction& host, RevolveArgs& args, int command,
                                           std::function<void()> changed)
    : DialogDragOperation(host, command, std::move(changed)), args_(args), pending_(args) {}

void RevolveDragOperation::start(ViewCamera& camera, int, int x, int y) {
    const Point3 p = originPlanePoint(camera, x, y);
    startAngle_ = screenAngle(p, axes_);
    radius_ = std::hypot(double(p[axes_.axis[0]]), double(p[axes_.axis[1]]));
}

bool RevolveDragOperation::track(ViewCamera& camera, int x, int y) {
    const Point3 q = originPlanePoint(camera, x, y);
    pending_ = args_;
    if (!pending_.applyDrag(screenAngle(q, axes_) - startAngle_)) return false;
    return pending_.number != args_.number || pending_.degree != args_.degree ||
           pending_.clockwise != args_.clockwise;
}

void RevolveDragOperation::commit() {
    args_ = pending_;
}

std::vector<Point3> RevolveDragOperation::rayEnds(double length) const {
    // The original and every copy: Number + 1 rays, the last closing a full revolution.
    const int copies = std::clamp(args_.number, 0, kMaxSweepCopies);
    std::vector<Point3> ends;
    ends.reserve(size_t(copies) + 1);
    for (int i = 0; i <= copies; ++i)
        ends.push_back(screenPoint(startAngle_ + i * args_.turn(), length, axes_));
    return ends;
}

void RevolveDragOperation::drawFeedback(LineRenderer& renderer, int) {
    double length = radius_;
    if (!(length > 0.0)) {
        // Before the first press: a length that shows well in the view being drawn.
        OperationView* v = host().currentView();
        if (!v) return;
        const ViewCamera& cam = v->camera();
        length = 0.5 * double(cam.halfHeight) / double(cam.zoom);
    }
    for (const Point3& end : rayEnds(length)) segment(renderer, Point3{0, 0, 0}, end);
}

// ---- installation ----

void openDialogDrag(Interaction& interaction, DialogDragOperation& op) {
    interaction.installViewOperation(op);
    interaction.refreshFeedbackAllViews(feedback::kDraw);
}

void closeDialogDrag(Interaction& interaction, DialogDragOperation& op) {
    if (interaction.viewOperation() != &op) return;
    interaction.refreshFeedbackAllViews(feedback::kEraseEnd);
    interaction.finishViewOperation();
}

}  // namespace orv
