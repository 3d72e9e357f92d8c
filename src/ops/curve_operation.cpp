#include "ops/curve_operation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "curves/ready_made.h"
#include "model/document.h"
#include "model/objects.h"
#include "view/wire_drawing.h"

namespace orv {

bool isCurveOperationCommand(int command) {
    return command == curvecmd::kSketch || curveKindForCommand(command).has_value();
}

int cvIndexAt(const ViewCamera& camera, std::span<const Point3> cvs, int x, int y, int aperture) {
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (size_t i = 0; i < cvs.size(); ++i) {
        const Point3 w = camera.project(cvs[i]);
        const double dx = double(w.x) - x, dy = double(w.y) - y;
        if (std::fabs(dx) > aperture || std::fabs(dy) > aperture) continue;
        const double d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int insertionEdge(std::span<const PixelF> pixels, bool closed, PixelF mouse) {
    const int n = static_cast<int>(pixels.size());
    if (n < 2) return -1;
    auto rx = [&](int i) { return double(pixels[size_t(i)].x) - mouse.x; };
    auto ry = [&](int i) { return double(pixels[size_t(i)].y) - mouse.y; };
    // The perpendicular foot has to fall strictly between the two CVs.
    auto usable = [&](int a, int b, double& distance) {
        const double ex = rx(b) - rx(a), ey = ry(b) - ry(a);
        const double pa = rx(a) * ex + ry(a) * ey, pb = rx(b) * ex + ry(b) * ey;
        if (!((pa < 0 && pb > 0) || (pa > 0 && pb < 0))) return false;
        distance = std::fabs(rx(a) * ey - ry(a) * ex) / std::sqrt(ex * ex + ey * ey);
        return true;
    };
    double best = std::numeric_limits<double>::max();
    if (!closed) {
        best = std::min(std::hypot(rx(0), ry(0)), std::hypot(rx(n - 1), ry(n - 1)));
    } else {
        double d = 0;
        if (usable(n - 1, 0, d)) best = d;
    }
    int found = -1;
    for (int k = 1; k < n; ++k) {
        double d = 0;
        if (usable(k - 1, k, d) && d < kInsertEdgePixels && d < best) {
            best = d;
            found = k;
        }
    }
    return found;
}

// ---- CurveOperation ----

CurveOperation::CurveOperation(Interaction& host, bool editing)
    : CurveOperation(host, editing, CurveSymmetry(CurveKind::Simple)) {}

CurveOperation::CurveOperation(Interaction& host, bool editing, CurveSymmetry symmetry)
    : Operation(host), symmetry_(std::move(symmetry)), editCommand_(editing), editMode_(editing) {
    startNewCurve();
}

CurveOperation::~CurveOperation() = default;

CvSource CurveOperation::locate(int fullIndex) const {
    if (fullIndex < 0 || fullIndex >= storedCount()) return {};
    return {0, fullIndex};
}

void CurveOperation::generate(CurveObject& curve) const {
    curve.setCvs(symmetry_.stored());
}

int CurveOperation::promptId() const {
    const CurveKindInfo& info = curveKindInfo(symmetry_.kind());
    return editMode_ ? info.editPrompt : info.createPrompt;
}

bool CurveOperation::reversedCopy(int copy) const {
    switch (symmetry_.kind()) {
        case CurveKind::VerticalMirror:
        case CurveKind::HorizontalMirror:
        case CurveKind::Revolve180:
        case CurveKind::Cycle:
            return copy % 2 == 1;
        default:
            return false;
    }
}

void CurveOperation::startNewCurve() {
    working_ = std::make_unique<CurveObject>();
    working_->state = objstate::kPicked;
    working_->closed = symmetry_.closedWhenCreated() ? 1 : 0;
    working_->freeStart = working_->freeEnd = 0;
    working_->resolution = 8;
    stored().clear();
    original_ = nullptr;
    current_ = -1;
    run_ = 0;
    clearLocalHistory();
}

void CurveOperation::bind(Document& doc) {
    doc_ = &doc;
}

void CurveOperation::startEditing(Document& doc, CurveObject& original, const ViewAxes& axes) {
    bind(doc);
    auto copy = original.clone();
    working_.reset(static_cast<CurveObject*>(copy.release()));
    working_->state = objstate::kPicked;
    // Set aside until finishing, which records the change; see the header on undo.
    original_ = &original;
    originalState_ = original.state;
    original.state = -1;
    const int total = working_->cvCount(), m = copyCount();
    const int n = (total + m - 1) / m;
    stored().assign(working_->cvs.begin(), working_->cvs.begin() + n);
    setUpAxes(axes);
    generate(*working_);
    editMode_ = false;
    current_ = -1;
    run_ = 0;
    clearLocalHistory();
    redrawDocumentViews(doc);
}

void CurveOperation::finishCurve() {
    endGesture();
    Document* d = doc_;
    if (d && (storedCount() > 0 || original_)) {
        d->beginStep();
        if (original_) {
            original_->state = originalState_;
            d->record(original_, RecordType::StateChanged);
            original_->state = -1;
        }
        // A curve left without CVs is dropped; an edited one then stays deleted.
        if (storedCount() > 0) {
            std::unique_ptr<CurveObject> curve = std::move(working_);
            curve->state = objstate::kPicked;
            d->addObject(std::move(curve), original_ == nullptr);
        }
        d->beginStep();
    }
    startNewCurve();
    if (d) redrawDocumentViews(*d);
}

void CurveOperation::finish() {
    finishCurve();
}

bool CurveOperation::setWorkingClosed(bool closed) {
    const uint32_t value = closed ? 1 : 0;
    if (working_->closed == value) return false;
    endGesture();
    beginGesture();
    refresh(feedback::kToggle);
    working_->closed = value;
    refresh(feedback::kToggle);
    endGesture();
    return true;
}

int CurveOperation::fullIndexOf(int copy, int storedIndex) const {
    const int n = storedCount();
    for (int j = copy * n; j < (copy + 1) * n; ++j) {
        const CvSource s = locate(j);
        if (s.copy == copy && s.stored == storedIndex) return j;
    }
    return -1;
}

int CurveOperation::runFrom(int index, const Point3& p) const {
    const auto& full = working_->cvs;
    int run = 0;
    for (size_t j = size_t(index); j < full.size() && samePoint(full[j], p); ++j) ++run;
    return run;
}

void CurveOperation::regenerate() {
    generate(*working_);
}

void CurveOperation::insertStored(int pos, int copy, const Point3& placed) {
    refresh(feedback::kToggle);
    pos = std::clamp(pos, 0, storedCount());
    stored().insert(stored().begin() + pos, mapBack(copy, placed));
    regenerate();
    current_ = fullIndexOf(copy, pos);
    run_ = current_ >= 0 ? 1 : 0;
    refresh(feedback::kToggle);
    host().showStatus(coordinateStatus(placed));
}

void CurveOperation::press(OperationView& where, int x, int y) {
    ViewCamera& cam = where.camera();
    SnapState& snap = host().snap;
    host().pick.aperture = PickSettings::kCvEditAperture;
    if (storedCount() == 0) setUpAxes(cam.axes());

    const std::vector<Point3>& full = working_->cvs;
    const int total = static_cast<int>(full.size());
    const int hit = cvIndexAt(cam, full, x, y, host().pick.aperture);
    if (hit >= 0) {
        current_ = hit;
        run_ = runFrom(hit, full[size_t(hit)]);
        host().showStatus(coordinateStatus(full[size_t(hit)]));
        return;
    }
    if (total == 0) {
        insertStored(0, 0, snapInPlane(cam, snap, Point3{0, 0, 0}, x, y));
        return;
    }

    std::vector<PixelF> pixels(full.size());
    for (size_t i = 0; i < full.size(); ++i) {
        const Point3 w = cam.project(full[i]);
        pixels[i] = {w.x, w.y};
    }
    const int k = insertionEdge(pixels, working_->closed != 0, {float(x), float(y)});
    if (k > 0) {
        const CvSource a = locate(k - 1), b = locate(k);
        // Between two CVs of one copy the new stored CV goes before the later of their
        // stored CVs, whichever way the copy runs. Across a copy boundary it goes at the end
        // of the stored CVs when the copy before the edge runs forwards (its last CV is the
        // last stored one), else at the front.
        int pos;
        if (a.copy == b.copy)
            pos = std::max(a.stored, b.stored);
        else
            pos = reversedCopy(a.copy) ? 0 : storedCount();
        insertStored(pos, a.copy, snapInPlane(cam, snap, full[size_t(k - 1)], x, y));
        return;
    }

    // An end: the first CV, the last stored CV or the last CV of the full polygon, whichever
    // the pointer is nearest to.
    const int n = storedCount(), m = copyCount();
    const Point3& first = full.front();
    const Point3& last = full.back();
    const Point3& lastStored = full[size_t(n - 1)];
    const Point3 c0 = snapInPlane(cam, snap, first, x, y);
    const Point3 cN = snapInPlane(cam, snap, last, x, y);
    const Point3 cn = snapInPlane(cam, snap, lastStored, x, y);
    const float d0 = length(c0 - first), dN = length(cN - last), dn = length(cn - lastStored);
    if (n > 1 && d0 < dN && d0 < dn) {
        insertStored(0, 0, c0);
    } else if (m == 1 || dN > dn) {
        insertStored(n, 0, cn);
    } else {
        // The stored position that will produce the last CV of the grown polygon.
        stored().push_back(Point3{});
        const CvSource s = locate(m * (n + 1) - 1);
        stored().pop_back();
        insertStored(s.valid() ? s.stored : n, m - 1, cN);
    }
}

void CurveOperation::deleteCurrent() {
    const int total = working_->cvCount();
    if (current_ < 0 || current_ >= total) return;
    const CvSource src = locate(current_);
    if (!src.valid()) return;
    const Point3 former = working_->cvs[size_t(current_)];
    refresh(feedback::kToggle);
    stored().erase(stored().begin() + src.stored);
    regenerate();
    const int next = current_ - src.copy;
    const int run = next >= 0 && next < working_->cvCount() ? runFrom(next, former) : 0;
    current_ = run > 0 ? next : -1;
    run_ = run;
    refresh(feedback::kToggle);
}

void CurveOperation::dragTo(OperationView& where, int x, int y) {
    const int total = working_->cvCount();
    if (current_ < 0 || current_ >= total) return;
    const Point3 p =
        snapInPlane(where.camera(), host().snap, working_->cvs[size_t(current_)], x, y);
    host().showStatus(coordinateStatus(p));
    if (p == working_->cvs[size_t(current_)]) return;
    refresh(feedback::kToggle);
    // CVs of the run that come from the same stored CV (a CV on a mirror plane next to its
    // own image) take the position of the first of them, the one under the pointer.
    std::vector<bool> moved(size_t(storedCount()), false);
    for (int j = current_; j < current_ + run_ && j < total; ++j) {
        const CvSource s = locate(j);
        if (!s.valid() || moved[size_t(s.stored)]) continue;
        stored()[size_t(s.stored)] = mapBack(s.copy, p);
        moved[size_t(s.stored)] = true;
    }
    regenerate();
    refresh(feedback::kToggle);
}

void CurveOperation::onLeftDown(int flags, int x, int y) {
    OperationView* v = host().currentView();
    Document* viewDoc = v ? v->document() : nullptr;
    if (!v || !viewDoc) return;
    if (flags & keyflag::kRight) {
        beginGesture();
        deleteCurrent();
        return;
    }
    if ((flags & keyflag::kShift) || editMode_) {
        auto* picked = dynamic_cast<CurveObject*>(pickObjectAt(
            v->camera(), viewDoc->objects(), host().layers(), host().pick, x, y, kClassCurve));
        if (!picked) return;
        finishCurve();
        startEditing(*viewDoc, *picked, v->camera().axes());
        return;
    }
    if ((flags & keyflag::kCtrl) || (doc_ && doc_ != viewDoc)) finishCurve();
    bind(*viewDoc);
    beginGesture();
    press(*v, x, y);
}

void CurveOperation::onMouseMove(int flags, int x, int y) {
    OperationView* v = host().currentView();
    if (!v || !(flags & keyflag::kLeft) || current_ < 0 || v->document() != doc_) return;
    dragTo(*v, x, y);
}

void CurveOperation::onLeftUp(int flags, int, int) {
    current_ = -1;
    run_ = 0;
    if (!(flags & keyflag::kRight)) endGesture();
}

void CurveOperation::onRightDown(int flags, int, int) {
    if (!(flags & keyflag::kLeft) || current_ < 0) return;
    beginGesture();
    deleteCurrent();
}

void CurveOperation::onRightUp(int flags, int, int) {
    if (!(flags & keyflag::kLeft) || current_ < 0) {
        current_ = -1;
        run_ = 0;
    }
    if (!(flags & keyflag::kLeft)) endGesture();
}

void CurveOperation::onLeftDoubleClick(int flags, int x, int y) {
    OperationView* v = host().currentView();
    if (!(flags & keyflag::kRight) && v && v->document() == doc_) {
        const int i = cvIndexAt(v->camera(), working_->cvs, x, y, host().pick.aperture);
        const CvSource s = locate(i);
        if (s.valid()) {
            endGesture();
            beginGesture();
            refresh(feedback::kToggle);
            const Point3 twin = stored()[size_t(s.stored)];
            stored().insert(stored().begin() + s.stored, twin);
            regenerate();
            refresh(feedback::kToggle);
            endGesture();
        }
    }
    current_ = -1;
    run_ = 0;
}

void CurveOperation::drawFeedback(LineRenderer& renderer, int) {
    if (working_->cvs.empty()) return;
    OperationView* v = host().currentView();
    if (doc_ && v && v->document() != doc_) return;
    // The CVs are what the user works on: show them even for a curve that hides them.
    const bool hidden = working_->hideCv;
    working_->hideCv = false;
    drawObject(*working_, renderer, -1);
    working_->hideCv = hidden;
}

BoundingBox CurveOperation::feedbackBounds() const {
    return working_->boundingBox(Matrix4::identity());
}

// ---- undo while running ----

CurveOperation::Snapshot CurveOperation::snapshot() const {
    return {symmetry_.stored(), working_->closed};
}

void CurveOperation::restore(const Snapshot& s) {
    stored() = s.stored;
    working_->closed = s.closed;
    regenerate();
    current_ = -1;
    run_ = 0;
}

void CurveOperation::beginGesture() {
    if (gestureOpen_) return;
    gestureStart_ = snapshot();
    gestureOpen_ = true;
}

void CurveOperation::endGesture() {
    if (!gestureOpen_) return;
    gestureOpen_ = false;
    if (snapshot() == gestureStart_) return;
    undo_.push_back(std::move(gestureStart_));
    redo_.clear();
}

void CurveOperation::clearLocalHistory() {
    gestureOpen_ = false;
    undo_.clear();
    redo_.clear();
}

void CurveOperation::undo() {
    endGesture();
    if (!undo_.empty()) {
        refresh(feedback::kToggle);
        redo_.push_back(snapshot());
        restore(undo_.back());
        undo_.pop_back();
        refresh(feedback::kToggle);
        return;
    }
    if (original_) {
        // Taking the curve for editing was the first thing done to it: give it back.
        original_->state = originalState_;
        Document& d = *doc_;
        startNewCurve();
        editMode_ = editCommand_;
        redrawDocumentViews(d);
        host().showStatusId(promptId());
        return;
    }
    if (storedCount() > 0) {
        host().platform().message(host().text(msg::kNoMoreUndo));
        return;
    }
    redo_.clear();
    Document* d = document();
    if (d && d->undo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreUndo));
}

void CurveOperation::redo() {
    endGesture();
    if (!redo_.empty()) {
        refresh(feedback::kToggle);
        undo_.push_back(snapshot());
        restore(redo_.back());
        redo_.pop_back();
        refresh(feedback::kToggle);
        return;
    }
    Document* d = document();
    if (storedCount() == 0 && !original_ && d && d->redo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreRedo));
}

// ---- drawing ----

void CurveOperation::refresh(int type) {
    if (!doc_) {
        host().refreshFeedbackAllViews(type);
        return;
    }
    for (OperationView* v : host().platform().viewsOf(*doc_)) host().refreshFeedback(*v, type);
}

void CurveOperation::redrawDocumentViews(Document& doc) {
    for (OperationView* v : host().platform().viewsOf(doc)) host().redrawView(*v);
}

// ---- the kinds ----

namespace {

CurveKind mirrorKind(int mode) {
    switch (mode) {
        case 1:
            return CurveKind::HorizontalMirror;
        case 2:
            return CurveKind::Revolve180;
        default:
            return CurveKind::VerticalMirror;
    }
}

}  // namespace

MirrorCurveOperation::MirrorCurveOperation(Interaction& host, bool editing, int mode)
    : CurveOperation(host, editing, CurveSymmetry(mirrorKind(mode))),
      mode_(std::clamp(mode, 0, 2)) {}

CycleCurveOperation::CycleCurveOperation(Interaction& host, bool editing)
    : CurveOperation(host, editing, CurveSymmetry(CurveKind::Cycle)) {}

MotionCurveOperation::MotionCurveOperation(Interaction& host, bool editing,
                                           const CurveSymmetry& kind)
    : CurveOperation(host, editing, kind) {}

int MotionCurveOperation::commandId() const {
    return curveKindInfo(symmetry().kind()).createCommand;
}

// ---- SketchOperation ----

void SketchOperation::onLeftDown(int, int x, int y) {
    strokeView_ = host().currentView();
    trail_.assign(1, PixelPoint{x, y});
    host().refreshFeedbackAllViews(feedback::kDraw);
}

void SketchOperation::onMouseMove(int flags, int x, int y) {
    if (!(flags & keyflag::kLeft) || trail_.empty() || host().currentView() != strokeView_) return;
    if (trail_.size() >= size_t(kMaxSketchTrail)) return;
    const PixelPoint last = trail_.back();
    if (last.x == x && last.y == y) return;
    trail_.push_back({x, y});
    // The new piece goes straight onto the view; the whole trail is erased at the release.
    if (strokeView_) {
        LineCanvas& c = strokeView_->overlay().canvas();
        c.setPen(kCommandFeedbackColour);
        c.moveTo(last.x, last.y);
        c.lineTo(x, y);
        strokeView_->overlayDone();
    }
}

void SketchOperation::onLeftUp(int, int, int) {
    if (trail_.empty()) return;
    host().refreshFeedbackAllViews(feedback::kEraseEnd);
    std::vector<PixelPoint> trail = std::move(trail_);
    trail_.clear();
    OperationView* v = strokeView_;
    strokeView_ = nullptr;
    Document* doc = v ? v->document() : nullptr;
    if (!doc) return;
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    SnapState& snap = host().snap;
    doc->beginStep();
    const CurveResult r = makeSketch(*doc, trail, [&](const PixelPoint& p) {
        return snapInPlane(cam, snap, Point3{0, 0, 0}, p.x, p.y);
    });
    doc->beginStep();
    if (r.curve) host().redrawAllViews();
}

void SketchOperation::drawFeedback(LineRenderer& renderer, int) {
    if (host().currentView() != strokeView_ || trail_.size() < 2) return;
    renderer.flush();
    LineCanvas& c = renderer.canvas();
    c.moveTo(trail_[0].x, trail_[0].y);
    for (size_t i = 1; i < trail_.size(); ++i) c.lineTo(trail_[i].x, trail_[i].y);
}

void SketchOperation::undo() {
    Document* doc = document();
    if (doc && doc->undo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreUndo));
}

void SketchOperation::redo() {
    Document* doc = document();
    if (doc && doc->redo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreRedo));
}

// ---- starting ----

std::unique_ptr<CurveOperation> makeCurveOperation(Interaction& host, int command,
                                                   const CurveSymmetry* dialogKind) {
    bool editing = false;
    const auto kind = curveKindForCommand(command, &editing);
    if (!kind) return nullptr;
    switch (*kind) {
        case CurveKind::Simple:
            return std::make_unique<CurveOperation>(host, editing);
        case CurveKind::VerticalMirror:
            return std::make_unique<MirrorCurveOperation>(host, editing, 0);
        case CurveKind::HorizontalMirror:
            return std::make_unique<MirrorCurveOperation>(host, editing, 1);
        case CurveKind::Revolve180:
            return std::make_unique<MirrorCurveOperation>(host, editing, 2);
        case CurveKind::Cycle:
            return std::make_unique<CycleCurveOperation>(host, editing);
        case CurveKind::Extend:
        case CurveKind::Revolve:
        case CurveKind::Transform:
            if (!dialogKind || dialogKind->kind() != *kind) return nullptr;
            return std::make_unique<MotionCurveOperation>(host, editing, *dialogKind);
    }
    return nullptr;
}

Operation* startCurveOperation(Interaction& host, int command, const CurveSymmetry* dialogKind) {
    if (command == curvecmd::kSketch) {
        Operation* op = host.installCommand(std::make_unique<SketchOperation>(host));
        host.showStatusId(curvecmd::kSketchPrompt);
        return op;
    }
    std::unique_ptr<CurveOperation> op = makeCurveOperation(host, command, dialogKind);
    if (!op) return nullptr;
    const int prompt = op->promptId();
    Operation* installed = host.installCommand(std::move(op));
    host.showStatusId(prompt);
    return installed;
}

CurveOperation* runningCurveOperation(Interaction& host) {
    return dynamic_cast<CurveOperation*>(host.commandOperation());
}

}  // namespace orv
