#include "ops/transform_ops.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "kernel/tolerances.h"
#include "model/document.h"
#include "model/objects.h"
#include "ops/transform.h"
#include "view/wire_drawing.h"

namespace orv {

namespace {

float roundTo(float v, float step) {
    if (!(step > 0.0f)) return v;
    return std::floor(v / step + 0.5f) * step;
}

char axisLetter(int axis) {
    return static_cast<char>('X' + (axis >= 0 && axis <= 2 ? axis : 0));
}

// A value as the status line shows it: a negated zero would print as "-0".
double shown(float v) {
    return double(v) + 0.0;
}

std::string format(const char* fmt, auto... values) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, values...);
    return buf;
}

// "%s...   X %.4g   Y %.4g   Z %.4g    <--    X %.4g   Y %.4g   Z %.4g": the total so far
// and what the running drag adds.
std::string vectorStatus(const char* name, const Point3& total, const Point3& current) {
    return format("%s...   X %.4g   Y %.4g   Z %.4g    <--    X %.4g   Y %.4g   Z %.4g", name,
                  shown(total.x), shown(total.y), shown(total.z), shown(current.x),
                  shown(current.y), shown(current.z));
}

std::string angleStatus(const char* name, int axis, float total, float current) {
    return format("%s...   %c   %.3g    <--    %.3g", name, axisLetter(axis), shown(total),
                  shown(current));
}

// The document of the current view, which takes the program-wide frame setting so that the
// quarter turns (which read it there) agree with the mouse operations.
void syncDocumentFrame(Interaction& interaction) {
    if (OperationView* v = interaction.currentView())
        if (Document* doc = v->document())
            doc->objectAxisMode = interaction.frameModeSetting == framemode::kObjectAxisSetting;
}

int frameModeFor(int setting) {
    return setting == framemode::kObjectAxisSetting ? framemode::kObjectAxis
                                                    : framemode::kWorldOrigin;
}

}  // namespace

const char* frameModeName(int frameMode) {
    return frameMode == framemode::kObjectAxis ? "Object Axis" : "World Origin";
}

Matrix4 axisRotation(int axis, float degrees) {
    Matrix4 m = Matrix4::identity();
    if (axis < 0 || axis > 2) return m;
    const double t = double(degrees) * std::numbers::pi / 180.0;
    const int c = (axis + 1) % 3, e = (axis + 2) % 3;
    m(c, c) = m(e, e) = static_cast<float>(std::cos(t));
    m(c, e) = static_cast<float>(std::sin(t));
    m(e, c) = static_cast<float>(-std::sin(t));
    return m;
}

// ---- TransformOperation ----

std::string TransformOperation::prompt() const {
    return std::string("<") + frameModeName(frameMode) + "> " + kindName();
}

ViewCamera* TransformOperation::dragCamera() const {
    OperationView* v = dragView_ ? dragView_ : host().currentView();
    if (!v) return nullptr;
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    return &cam;
}

float TransformOperation::coarseStep() const {
    ViewCamera* cam = dragCamera();
    return cam && cam->snapStep > 0.0f ? cam->snapStep : 1.0f;
}

Point3 TransformOperation::snapAnchor(int x, int y) {
    ViewCamera* cam = dragCamera();
    if (!cam) return {};
    SnapResult r = snapPointer(*cam, host().snap, x, y, snapmode::kAnchor);
    lockedAxis = r.lockState;
    return r.point;
}

Point3 TransformOperation::snapTrack(int x, int y) {
    ViewCamera* cam = dragCamera();
    if (!cam) return anchor;
    SnapResult r = snapPointer(*cam, host().snap, x, y, snapmode::kTrack);
    lockedAxis = r.lockState;
    return r.point;
}

Point3 TransformOperation::originPlaneAnchor(int x, int y) {
    ViewCamera* cam = dragCamera();
    if (!cam) return {};
    Point3 p{0, 0, 0};
    cam->screenToPlane(depthAxis, float(x), float(y), p);
    p[depthAxis] = 0.0f;
    const float step = currentSnapStep(*cam, host().snap);
    for (int i = 0; i < 3; ++i) p[i] = roundTo(p[i], step);
    return p;
}

Point3 TransformOperation::anchorPlanePoint(int x, int y) {
    ViewCamera* cam = dragCamera();
    Point3 p = anchor;
    if (cam) cam->screenToPlane(depthAxis, float(x), float(y), p);
    return p;
}

void TransformOperation::beginDrag(int state, int x, int y) {
    // The button that started a drag cannot go down again before it came up: that drag's
    // release was lost (its view closed under it), and it ends now.
    if (dragState == state) finishDrag(state);
    OperationView* v = host().currentView();
    Document* doc = document();
    if (dragState != kIdle || !v || !doc) return;
    dragState = state;
    dragView_ = v;
    // A new drag never takes back what an earlier one did.
    step_.finish(*doc);
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    depthAxis = cam.dominantAxis(2, &depthSign);
    if (state == kLeftDrag)
        beginLeftDrag(x, y);
    else
        beginRightDrag(x, y);
    offset = lastOffset = Point3{0, 0, 0};
    stepMatrix = Matrix4::identity();
    cam.applyCamera();
    host().refreshFeedback(*v, feedback::kDraw);
    interactive_ = true;
}

void TransformOperation::finishDrag(int state) {
    if (dragState != state) return;
    dragState = kIdle;
    if (Document* doc = document()) step_.finish(*doc);
    endDrag();
    dragView_ = nullptr;
}

void TransformOperation::endDrag() {
    interactive_ = false;
    host().redrawAllViews();
}

void TransformOperation::onLeftDown(int, int x, int y) {
    beginDrag(kLeftDrag, x, y);
}
void TransformOperation::onRightDown(int, int x, int y) {
    beginDrag(kRightDrag, x, y);
}
void TransformOperation::onLeftUp(int, int, int) {
    finishDrag(kLeftDrag);
}
void TransformOperation::onRightUp(int, int, int) {
    finishDrag(kRightDrag);
}

void TransformOperation::onMouseMove(int, int x, int y) {
    if (dragState == kIdle) return;
    OperationView* v = host().currentView();
    Document* doc = document();
    // Moves belong to the view the drag started in.
    if (!v || v != dragView_ || !doc) return;
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    trackPointer(x, y);
    const float step = currentSnapStep(cam, host().snap);
    Point3 d = offset - anchor;
    for (int i = 0; i < 3; ++i) d[i] = roundTo(d[i], step);
    offset = d;
    if (samePoint(offset, lastOffset)) return;

    const bool wire = cam.renderMode < rendermode::kFastShading;
    if (wire) host().refreshFeedbackAllViews(feedback::kToggle);
    lastOffset = offset;
    buildMatrix();
    // Back at the start of the drag: the drag's step is taken back and nothing recorded, so
    // that the next Undo reaches the user's previous action.
    const bool unchanged = stepMatrix == Matrix4::identity();
    const Matrix4 M = stepMatrix;
    const bool objectAxis = frameMode == framemode::kObjectAxis;
    const LayerTable& layers = host().layers();
    step_.apply(*doc, [&](Document& target) {
        if (!unchanged) applyTransform(target, objectAxis, M, layers);
    });
    if (wire)
        host().refreshFeedbackAllViews(feedback::kToggle);
    else
        host().redrawAllViews();
    std::string text = std::string("<") + frameModeName(frameMode) + "> ";
    formatStatus(text);
    host().showStatus(text);
    undoCount = 0;
}

void TransformOperation::drawFeedback(LineRenderer& renderer, int) {
    // Shown in every view of the document while the drag runs, not only the one dragged in:
    // the others would otherwise show the selection where it was until the drag ends.
    if (dragState == kIdle) return;
    const Point3 pointer = anchor + offset;
    renderer.beginPrimitive(primitive::kMarkers);
    renderer.vertex(anchor);
    renderer.vertex(pointer);
    renderer.endPrimitive();
    renderer.beginPrimitive(primitive::kOpen);
    renderer.vertex(anchor);
    renderer.vertex(pointer);
    renderer.endPrimitive();

    OperationView* v = host().currentView();
    Document* doc = v ? v->document() : nullptr;
    if (!doc) return;
    const int mode = v->camera().renderMode;
    if (mode >= rendermode::kFastShading) return;
    // The moving objects over the clean scene, which still shows them where the drag started.
    const int drawMode = mode == rendermode::kNormalWire ? -10 : mode;
    const LayerTable& layers = host().layers();
    const uint32_t previous = renderer.setPen(renderer.colours().pick);
    ObjectList::Cursor c;
    while (ModelObject* o = doc->objects().nextObject(c, -1)) {
        if (!o->visible() || !layers.pickable(o->layer)) continue;
        if (o->state == objstate::kPicked || hasPickedCvs(*o)) drawObject(*o, renderer, drawMode);
    }
    renderer.setPen(previous);
}

void TransformOperation::undo() {
    // Mid-drag the drag's own step is open; taking it back under the drag would make the
    // next move take back the user's previous action as well.
    if (dragState != kIdle) return;
    Document* doc = document();
    if (doc && doc->undo()) {
        ++undoCount;
        host().redrawAllViews();
    } else {
        host().platform().message(host().text(msg::kNoMoreUndo));
    }
}

void TransformOperation::redo() {
    if (dragState != kIdle) return;
    Document* doc = document();
    if (doc && doc->redo()) {
        --undoCount;
        host().redrawAllViews();
    } else {
        host().platform().message(host().text(msg::kNoMoreRedo));
    }
}

// ---- Move ----

void MoveOperation::beginLeftDrag(int x, int y) {
    accumulated += current;
    current = Point3{0, 0, 0};
    anchor = snapAnchor(x, y);
}

void MoveOperation::beginRightDrag(int x, int y) {
    accumulated += current;
    current = Point3{0, 0, 0};
    anchor = originPlaneAnchor(x, y);
}

void MoveOperation::trackPointer(int x, int y) {
    offset = dragState == kRightDrag ? anchorPlanePoint(x, y) : snapTrack(x, y);
}

void MoveOperation::buildMatrix() {
    current = offset;
    stepMatrix = Matrix4::translation(offset.x, offset.y, offset.z);
}

void MoveOperation::formatStatus(std::string& text) {
    if (undoCount != 0) accumulated = Point3{0, 0, 0};
    text += vectorStatus(kindName(), accumulated + current, current);
}

// ---- Size ----

void SizeOperation::beginLeftDrag(int x, int y) {
    for (int i = 0; i < 3; ++i) accumulated[i] *= current[i];
    current = Point3{1, 1, 1};
    mode = kUniform;
    anchor = snapAnchor(x, y);
}

void SizeOperation::beginRightDrag(int x, int y) {
    beginLeftDrag(x, y);
    mode = kSingleAxis;
}

void SizeOperation::trackPointer(int x, int y) {
    offset = snapTrack(x, y);
}

void SizeOperation::buildMatrix() {
    const int a = lockAxis();
    // No ratio of distances from a plane the anchor lies on.
    if (std::fabs(anchor[a]) < coarseStep()) return;
    // Dragged onto the plane: a factor of 0 would flatten the selection for good.
    if (std::fabs(anchor[a] + offset[a]) < tol::kSamePoint) return;
    const float h = std::fabs((anchor[a] + offset[a]) / anchor[a]);
    if (mode == kUniform) {
        current = Point3{h, h, h};
        stepMatrix = Matrix4::scaling(h, h, h);
    } else {
        current = Point3{1, 1, 1};
        current[a] = h;
        stepMatrix = Matrix4::identity();
        stepMatrix(a, a) = h;
    }
}

void SizeOperation::formatStatus(std::string& text) {
    if (undoCount != 0) accumulated = Point3{1, 1, 1};
    Point3 total;
    for (int i = 0; i < 3; ++i) total[i] = accumulated[i] * current[i];
    text += vectorStatus(kindName(), total, current);
}

// ---- Flip ----

void FlipOperation::beginLeftDrag(int x, int y) {
    accumulated += current;
    current = 0.0f;
    currentAngles = Point3{0, 0, 0};
    anchor = snapAnchor(x, y);
}

void FlipOperation::beginRightDrag(int x, int y) {
    accumulatedAxis = -1;
    current = 0.0f;
    currentAngles = Point3{0, 0, 0};
    anchor = originPlaneAnchor(x, y);
}

void FlipOperation::trackPointer(int x, int y) {
    offset = dragState == kRightDrag ? anchorPlanePoint(x, y) : snapTrack(x, y);
}

void FlipOperation::buildMatrix() {
    const int e1 = (depthAxis + 1) % 3, e2 = (depthAxis + 2) % 3;
    Point3 v{0, 0, 0};
    if (depthSign > 0) {
        v[e2] = offset[e1];
        v[e1] = -offset[e2];
    } else {
        v[e2] = -offset[e1];
        v[e1] = offset[e2];
    }
    // Half a degree per coarse snap step of pointer travel.
    v = v * (0.5f / coarseStep());
    if (dragState == kRightDrag) {
        currentAngles = v;
        stepMatrix = axisRotation(2, v.z) * axisRotation(1, v.y) * axisRotation(0, v.x);
        return;
    }
    // A left drag stays on one axis of the screen plane and turns about the other one.
    axis = lockAxis() == e1 ? e2 : e1;
    current = v[axis];
    stepMatrix = axisRotation(axis, current);
}

void FlipOperation::formatStatus(std::string& text) {
    if (dragState == kRightDrag) {
        const int e1 = (depthAxis + 1) % 3, e2 = (depthAxis + 2) % 3;
        text += format("%s...   %c  %.3g   %c  %.3g", kindName(), axisLetter(e2),
                       shown(currentAngles[e2]), axisLetter(e1), shown(currentAngles[e1]));
        return;
    }
    if (undoCount != 0) accumulated = 0.0f;
    if (axis != accumulatedAxis) {
        accumulated = 0.0f;
        accumulatedAxis = axis;
    }
    text += angleStatus(kindName(), axis, accumulated + current, current);
}

// ---- Roll ----

void RollOperation::begin(int x, int y) {
    if (depthAxis == accumulatedAxis) {
        accumulated += current;
    } else {
        accumulatedAxis = depthAxis;
        accumulated = 0.0f;
    }
    current = 0.0f;
    anchor = snapAnchor(x, y);
}

void RollOperation::trackPointer(int x, int y) {
    offset = snapTrack(x, y);
}

void RollOperation::buildMatrix() {
    const int a = lockAxis(), e1 = (a + 1) % 3, e2 = (a + 2) % 3;
    // The side of the origin the pointer started on decides the sense, so the model turns
    // like a wheel under the pointer.
    const bool forward = (depthAxis == e1 && anchor[e2] > 0) || (depthAxis == e2 && anchor[e1] < 0);
    const float angle = forward ? offset[a] : -offset[a];
    current = angle * 0.5f / coarseStep();
    stepMatrix = axisRotation(depthAxis, current);
}

void RollOperation::formatStatus(std::string& text) {
    if (undoCount != 0) accumulated = 0.0f;
    text += angleStatus(kindName(), depthAxis, accumulated + current, current);
}

// ---- commands ----

TransformOperation* startTransformOperation(Interaction& interaction, int command) {
    const int frame = frameModeFor(interaction.frameModeSetting);
    std::unique_ptr<TransformOperation> op;
    switch (command) {
        case xformcmd::kMove:
            op = std::make_unique<MoveOperation>(interaction, frame);
            break;
        case xformcmd::kSize:
            op = std::make_unique<SizeOperation>(interaction, frame);
            break;
        case xformcmd::kFlip:
            op = std::make_unique<FlipOperation>(interaction, frame);
            break;
        case xformcmd::kRoll:
            op = std::make_unique<RollOperation>(interaction, frame);
            break;
        default:
            return nullptr;
    }
    syncDocumentFrame(interaction);
    auto* running = static_cast<TransformOperation*>(interaction.installDefault(std::move(op)));
    interaction.showStatus(running->prompt());
    return running;
}

int toggleObjectAxis(Interaction& interaction) {
    int& setting = interaction.frameModeSetting;
    setting = setting == framemode::kObjectAxisSetting ? framemode::kWorldOriginSetting
                                                       : framemode::kObjectAxisSetting;
    syncDocumentFrame(interaction);
    if (auto* running = dynamic_cast<TransformOperation*>(interaction.defaultOperation())) {
        running->frameMode = frameModeFor(setting);
        interaction.showStatus(running->prompt());
    }
    return setting;
}

}  // namespace orv
