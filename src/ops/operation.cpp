#include "ops/operation.h"

#include <algorithm>
#include <cstdlib>

#include "model/document.h"
#include "model/objects.h"
#include "ops/transform_ops.h"
#include "view/view_drawing.h"

namespace orv {

Document* Operation::document() const {
    OperationView* v = view ? view : host_.currentView();
    return v ? v->document() : nullptr;
}

// ---- DragStep ----

void DragStep::apply(Document& doc, const std::function<void(Document&)>& change) {
    if (open_) doc.undo();
    open_ = false;
    doc.beginStep();
    const int before = doc.history().current();
    change(doc);
    // Only a change that recorded something owns a step; undoing otherwise would take back
    // the user's previous action.
    open_ = doc.history().current() != before;
}

void DragStep::finish(Document& doc) {
    doc.beginStep();
    open_ = false;
}

// ---- Interaction ----

// Counts handlers in progress so that operations replaced meanwhile outlive them.
class Interaction::Dispatch {
public:
    explicit Dispatch(Interaction& i) : i_(i) { ++i_.dispatchDepth_; }
    ~Dispatch() {
        if (--i_.dispatchDepth_ == 0) i_.retired_.clear();
    }

private:
    Interaction& i_;
};

Interaction::Interaction(InteractionPlatform& platform)
    : platform_(platform), zoomBox_(std::make_unique<ZoomBoxOperation>(*this)) {}

Interaction::~Interaction() = default;

void Interaction::retire(std::unique_ptr<Operation> op) {
    if (!op) return;
    if (dispatchDepth_ > 0)
        retired_.push_back(std::move(op));
    // else: destroyed here
}

Operation* Interaction::current() const {
    if (view_) return view_;
    if (command_) return command_.get();
    return default_.get();
}

Operation* Interaction::installDefault(std::unique_ptr<Operation> op) {
    endCommand();
    view_ = nullptr;
    replacedViewOps_.clear();
    op->view = nullptr;
    op->history = nullptr;
    retire(std::move(default_));
    default_ = std::move(op);
    if (currentView_)
        if (Document* doc = currentView_->document()) doc->beginStep();
    return default_.get();
}

Operation* Interaction::installCommand(std::unique_ptr<Operation> op) {
    endCommand();
    command_ = std::move(op);
    return command_.get();
}

void Interaction::endCommand() {
    if (!command_) return;
    std::unique_ptr<Operation> op = std::move(command_);
    op->finish();
    retire(std::move(op));
}

void Interaction::installViewOperation(Operation& op) {
    if (view_ == &op) return;
    replacedViewOps_.push_back(view_);
    view_ = &op;
}

void Interaction::finishViewOperation() {
    if (view_) {
        view_ = replacedViewOps_.empty() ? nullptr : replacedViewOps_.back();
        if (!replacedViewOps_.empty()) replacedViewOps_.pop_back();
        return;
    }
    postCommand(opcmd::kPick);
}

void Interaction::forgetViewOperation(Operation& op) {
    std::erase(replacedViewOps_, &op);
    if (view_ == &op) {
        view_ = replacedViewOps_.empty() ? nullptr : replacedViewOps_.back();
        if (!replacedViewOps_.empty()) replacedViewOps_.pop_back();
    }
}

void Interaction::setCurrentView(OperationView* view) {
    currentView_ = view;
    if (!view || !default_ || !default_->view || default_->view == view) return;
    Document* doc = view->document();
    if (doc && default_->history == &doc->history()) default_->view = view;
}

void Interaction::viewClosed(OperationView& view) {
    if (currentView_ == &view) currentView_ = nullptr;
    if (captured_ == &view) captured_ = nullptr;
    for (Operation* op : {default_.get(), command_.get(), view_})
        if (op && op->view == &view) op->view = nullptr;
}

std::vector<OperationView*> Interaction::documentViews() {
    std::vector<OperationView*> out;
    if (!currentView_) return out;
    Document* doc = currentView_->document();
    if (doc) out = platform_.viewsOf(*doc);
    std::erase(out, currentView_);
    out.push_back(currentView_);
    return out;
}

bool Interaction::pointer(OperationView& view, const PointerEvent& e) {
    Dispatch guard(*this);
    ViewCamera& cam = view.camera();
    const int mods = (e.shift ? keyflag::kShift : 0) | (e.ctrl ? keyflag::kCtrl : 0);
    const int bit = e.button == 1 ? keyflag::kRight : keyflag::kLeft;
    switch (e.kind) {
        case PointerEvent::Down: {
            platform_.capture(view, true);
            captured_ = &view;
            setCurrentView(&view);
            if (cam.buttons & bit) return false;
            cam.buttons |= bit;
            cam.applyCamera();
            Operation* op = current();
            if (!op) return false;
            op->buttons = cam.buttons;
            const int flags = (cam.buttons & 3) | mods;
            if (bit == keyflag::kLeft)
                op->onLeftDown(flags, e.x, e.y);
            else
                op->onRightDown(flags, e.x, e.y);
            return true;
        }
        case PointerEvent::Up: {
            if (!(cam.buttons & bit) || captured_ != &view) return false;
            cam.buttons &= ~bit;
            cam.applyCamera();
            Operation* op = current();
            if (op) {
                op->buttons = cam.buttons;
                const int flags = (cam.buttons & 3) | mods;
                if (bit == keyflag::kLeft)
                    op->onLeftUp(flags, e.x, e.y);
                else
                    op->onRightUp(flags, e.x, e.y);
            }
            if ((cam.buttons & 3) == 0) {
                platform_.capture(view, false);
                captured_ = nullptr;
            }
            return op != nullptr;
        }
        case PointerEvent::DoubleClick: {
            setCurrentView(&view);
            cam.applyCamera();
            Operation* op = current();
            if (!op) return false;
            op->buttons = cam.buttons;
            const int flags = ((cam.buttons & 3) | bit) | mods;
            if (bit == keyflag::kLeft)
                op->onLeftDoubleClick(flags, e.x, e.y);
            else
                op->onRightDoubleClick(flags, e.x, e.y);
            return true;
        }
        case PointerEvent::Move: {
            if ((cam.buttons & 3) == 0 || captured_ != &view || e.moreQueued) return false;
            cam.applyCamera();
            Operation* op = current();
            if (!op) return false;
            op->onMouseMove((cam.buttons & 3) | mods, e.x, e.y);
            return true;
        }
    }
    return false;
}

void Interaction::refreshFeedback(OperationView& view, int type) {
    if (view.obscured()) return;
    const bool endForGood = type == feedback::kEraseEnd;
    if (endForGood) type = feedback::kToggle;
    OperationView* previous = currentView_;
    currentView_ = &view;
    ViewCamera& cam = view.camera();
    cam.applyCamera();
    cam.feedbackHidden = (type == feedback::kToggle && cam.feedbackHidden == 0) ? 1 : 0;
    if (type == feedback::kSaveDraw) view.saveCleanScene();

    Operation* foreground = view_ ? view_ : command_.get();
    Operation* byDefault =
        default_ && (default_->view == nullptr || default_->view == &view) ? default_.get() : nullptr;
    if (foreground || default_) {
        if (cam.feedbackHidden == 1) view.restoreCleanScene();
        LineRenderer& r = view.overlay();
        r.bindView(cam);
        bool foregroundDrew = false;
        if (foreground && cam.feedbackHidden == 0) {
            r.setPen(kCommandFeedbackColour);
            foreground->drawFeedback(r, cam.buttons);
            foregroundDrew = true;
        }
        if (byDefault && (foreground || cam.feedbackHidden == 0)) {
            r.setPen(kDefaultFeedbackColour);
            byDefault->drawFeedback(r, foregroundDrew ? 0 : cam.buttons);
        }
        r.flush();
        view.overlayDone();
    }
    if (endForGood) cam.feedbackHidden = 0;
    currentView_ = previous;
}

void Interaction::refreshFeedbackAllViews(int type) {
    for (OperationView* v : documentViews()) refreshFeedback(*v, type);
}

void Interaction::redrawView(OperationView& view) {
    view.redrawScene();
    refreshFeedback(view, feedback::kSaveDraw);
}

void Interaction::redrawAllViews() {
    for (OperationView* v : documentViews()) redrawView(*v);
}

BoundingBox Interaction::feedbackBounds() const {
    return default_ ? default_->feedbackBounds() : BoundingBox{};
}

std::vector<int> Interaction::takePostedCommands() {
    std::vector<int> out(posted_.begin(), posted_.end());
    posted_.clear();
    return out;
}

bool Interaction::runCommand(int id) {
    Dispatch guard(*this);
    switch (id) {
        case opcmd::kPick:
        case opcmd::kPickCv:
        case opcmd::kPickTLine: {
            auto mode = id == opcmd::kPick     ? PickOperation::Mode::Objects
                        : id == opcmd::kPickCv ? PickOperation::Mode::Cvs
                                               : PickOperation::Mode::TLines;
            auto op = std::make_unique<PickOperation>(*this, mode);
            const int prompt = op->promptId();
            installDefault(std::move(op));
            showStatusId(prompt);
            return true;
        }
        case opcmd::kZoomBox:
            installViewOperation(*zoomBox_);
            return true;
        case snapcmd::kFineSnap:
            showStatusId(snap.toggleFine());
            return true;
        // Switched here rather than as a command so that a running transform operation
        // survives it and follows the new frame.
        case xformcmd::kObjectAxis: toggleObjectAxis(*this); return true;
        case opcmd::kUndo: undo(); return true;
        case opcmd::kRedo: redo(); return true;
        default: return false;
    }
}

void Interaction::undo() {
    Dispatch guard(*this);
    if (Operation* op = current()) op->undo();
}

void Interaction::redo() {
    Dispatch guard(*this);
    if (Operation* op = current()) op->redo();
}

// ---- PickOperation ----

PickOperation::PickOperation(Interaction& host, Mode mode) : Operation(host), mode_(mode) {}

int PickOperation::commandId() const {
    switch (mode_) {
        case Mode::Cvs: return opcmd::kPickCv;
        case Mode::TLines: return opcmd::kPickTLine;
        default: return opcmd::kPick;
    }
}

int PickOperation::promptId() const {
    switch (mode_) {
        case Mode::Cvs: return msg::kPickingCvs;
        case Mode::TLines: return msg::kPickingTLines;
        default: return msg::kPicking;
    }
}

bool PickOperation::cvPicking(int flags) const {
    if (mode_ == Mode::TLines) return false;
    return mode_ == Mode::Cvs || (flags & keyflag::kShift);
}

PixelPoint PickOperation::clampToArea(int x, int y) const {
    OperationView* v = host().currentView();
    if (!v) return {x, y};
    const ViewCamera& c = v->camera();
    if (c.width <= 0 || c.height <= 0) return {x, y};
    return {std::clamp(x, c.originX, c.originX + c.width - 1),
            std::clamp(y, c.originY, c.originY + c.height - 1)};
}

void PickOperation::onLeftDown(int flags, int x, int y) {
    dragView_ = host().currentView();
    if (flags & keyflag::kCtrl) {
        lassoActive_ = true;
        rectMode_ = false;
        lasso_.clear();
        lasso_.push_back({float(x), float(y)});
    } else {
        lassoActive_ = false;
        lasso_.clear();
        start_ = corner_ = clampToArea(x, y);
        rectMode_ = true;
    }
    host().refreshFeedbackAllViews(feedback::kDraw);
}

void PickOperation::onMouseMove(int flags, int x, int y) {
    if (!(flags & keyflag::kLeft)) return;
    if (rectMode_) {
        host().refreshFeedbackAllViews(feedback::kToggle);
        corner_ = clampToArea(x, y);
        host().refreshFeedbackAllViews(feedback::kToggle);
        return;
    }
    if (!lassoActive_ || lasso_.empty()) return;
    const PixelF last = lasso_.back();
    if (std::abs(float(x) - last.x) < 2 && std::abs(float(y) - last.y) < 2) return;
    lasso_.push_back({float(x), float(y)});
    // The new piece goes straight onto the view; the lasso is erased with the feedback.
    if (OperationView* v = host().currentView()) {
        LineCanvas& c = v->overlay().canvas();
        c.setPen(kDefaultFeedbackColour);
        c.moveTo(int(last.x), int(last.y));
        c.lineTo(x, y);
        v->overlayDone();
    }
}

void PickOperation::onLeftUp(int flags, int, int) {
    if (rectMode_) {
        rectMode_ = false;
        host().refreshFeedbackAllViews(feedback::kEraseEnd);
        pickRect(flags);
    } else if (lassoActive_) {
        lassoActive_ = false;
        host().refreshFeedbackAllViews(feedback::kEraseEnd);
        pickLasso(flags);
        lasso_.clear();
    }
}

void PickOperation::showCount(int count) {
    host().showStatus(host().text(msg::kPicking) + " (" + std::to_string(count) + " " +
                      host().text(msg::kPickedObjects) + ")");
}

void PickOperation::objectPass(Document& doc, PickTester& tester, bool lastOnly) {
    OperationView* v = host().currentView();
    ViewCamera& cam = v->camera();
    cam.applyCamera();
    NullCanvas canvas;
    LineRenderer r(canvas, host().colours, &host().layers());
    r.bindView(cam);
    const uint32_t filter = mode_ == Mode::TLines ? uint32_t(kClassTLine) : kPickAnyClass;
    pickPass(tester, r, doc.objects(), host().layers(), cam.renderMode, filter);
    const int n = tester.endPick();
    for (int i = lastOnly ? n - 1 : 0; i >= 0 && i < n; ++i) {
        ModelObject* o = tester.hitAt(size_t(i));
        doc.record(o, RecordType::StateChanged);
        o->state = o->state == objstate::kPicked ? objstate::kNormal : objstate::kPicked;
    }
    doc.beginStep();
    host().redrawAllViews();
    showCount(pickedCount(doc.objects(), host().layers()));
}

void PickOperation::pickRect(int flags) {
    Document* doc = document();
    OperationView* v = host().currentView();
    if (!doc || !v) return;
    doc->beginStep();
    int l = std::min(start_.x, corner_.x), r = std::max(start_.x, corner_.x);
    int t = std::min(start_.y, corner_.y), b = std::max(start_.y, corner_.y);
    const bool click = l == r && t == b;
    if (!click) {
        // A drag along a line still has to touch what lies on that line.
        if (l == r) l -= 2, r += 2;
        if (t == b) t -= 2, b += 2;
    }
    if (cvPicking(flags)) {
        l -= 2, t -= 2, r += 2, b += 2;
        ViewCamera& cam = v->camera();
        cam.applyCamera();
        toggleCvsIn(doc->objects(), host().layers(), cam,
                    [&](float x, float y) { return x >= float(l) && x <= float(r) && y >= float(t) && y <= float(b); },
                    [&](ModelObject& o) { doc->record(&o, RecordType::Transformed); });
        doc->beginStep();
        host().redrawAllViews();
        return;
    }
    PickTester tester;
    if (click)
        tester.beginPoint(l, t, host().pick.aperture);
    else
        tester.beginRect(l, t, r, b);
    objectPass(*doc, tester, click);
}

void PickOperation::pickLasso(int flags) {
    Document* doc = document();
    OperationView* v = host().currentView();
    if (!doc || !v) return;
    doc->beginStep();
    if (lasso_.size() < 2) return;
    if (cvPicking(flags)) {
        ViewCamera& cam = v->camera();
        cam.applyCamera();
        const std::vector<PixelF> polygon = lasso_;
        toggleCvsIn(doc->objects(), host().layers(), cam,
                    [&](float x, float y) { return pointInPolygon(polygon, x, y); },
                    [&](ModelObject& o) { doc->record(&o, RecordType::Transformed); });
        doc->beginStep();
        host().redrawAllViews();
        return;
    }
    PickTester tester;
    tester.beginPolygon(lasso_, host().pick.aperture);
    objectPass(*doc, tester, false);
}

void PickOperation::onLeftDoubleClick(int flags, int, int) {
    Document* doc = document();
    if (!doc) return;
    doc->beginStep();
    if (cvPicking(flags)) {
        clearCvFlags(doc->objects(), [&](ModelObject& o) { doc->record(&o, RecordType::Transformed); });
        doc->beginStep();
        host().redrawAllViews();
        return;
    }
    const bool tLines = mode_ == Mode::TLines;
    doc->objects().forEach([&](ModelObject& o) {
        if (o.state != objstate::kPicked || (o.classNumber() == kClassTLine) != tLines) return;
        doc->record(&o, RecordType::StateChanged);
        o.state = objstate::kNormal;
    });
    doc->beginStep();
    host().redrawAllViews();
    showCount(0);
}

void PickOperation::drawFeedback(LineRenderer& renderer, int) {
    // The band is in the pixels of the view it is dragged in; other views of the document
    // would show it over unrelated parts of their scene.
    if (host().currentView() != dragView_) return;
    if (rectMode_) renderer.drawScreenRect(start_.x, start_.y, corner_.x, corner_.y);
    if (lassoActive_ && lasso_.size() >= 2) {
        LineCanvas& c = renderer.canvas();
        renderer.flush();
        c.moveTo(int(lasso_[0].x), int(lasso_[0].y));
        for (size_t i = 1; i < lasso_.size(); ++i) c.lineTo(int(lasso_[i].x), int(lasso_[i].y));
    }
}

void PickOperation::undo() {
    Document* doc = document();
    if (doc && doc->undo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreUndo));
}

void PickOperation::redo() {
    Document* doc = document();
    if (doc && doc->redo())
        host().redrawAllViews();
    else
        host().platform().message(host().text(msg::kNoMoreRedo));
}

// ---- ZoomBoxOperation ----

void ZoomBoxOperation::onLeftDown(int, int x, int y) {
    OperationView* v = host().currentView();
    if (!v) return;
    drag_.press(x, y, v->camera().width, v->camera().height);
    host().refreshFeedback(*v, feedback::kDraw);
}

void ZoomBoxOperation::onMouseMove(int flags, int x, int y) {
    OperationView* v = host().currentView();
    if (!v || !(flags & keyflag::kLeft) || !drag_.active()) return;
    host().refreshFeedback(*v, feedback::kToggle);
    drag_.move(x, y);
    host().refreshFeedback(*v, feedback::kToggle);
}

void ZoomBoxOperation::onLeftUp(int, int, int) {
    OperationView* v = host().currentView();
    if (!v || !drag_.active()) return;
    host().refreshFeedback(*v, feedback::kEraseEnd);
    const bool zoomed = drag_.release(v->camera());
    host().finishViewOperation();
    if (zoomed) host().redrawView(*v);
}

void ZoomBoxOperation::onRightDown(int, int, int) {
    OperationView* v = host().currentView();
    if (v && drag_.active()) host().refreshFeedback(*v, feedback::kEraseEnd);
    drag_ = ZoomBoxDrag{};
    host().finishViewOperation();
}

void ZoomBoxOperation::drawFeedback(LineRenderer& renderer, int) {
    if (!drag_.active()) return;
    renderer.drawScreenRect(drag_.centreX() - drag_.halfWidth(), drag_.centreY() - drag_.halfHeight(),
                            drag_.centreX() + drag_.halfWidth(), drag_.centreY() + drag_.halfHeight());
}

// ---- headless ----

HeadlessView::HeadlessView(Document* doc, int direction, int width, int height)
    : doc_(doc), renderer_(canvas_) {
    camera_.direction = direction;
    camera_.resetView();
    camera_.setSize(width, height);
    camera_.applyCamera();
}

void HeadlessView::saveCleanScene() {
    clean_.segments = canvas_.segments;
    clean_.fills = canvas_.fills;
}

void HeadlessView::restoreCleanScene() {
    canvas_.segments = clean_.segments;
    canvas_.fills = clean_.fills;
}

void HeadlessView::redrawScene() {
    ++redraws_;
    canvas_.clear();
    if (!doc_) return;
    RedrawOptions options;
    options.layers = &renderer_.layers();
    camera_.markAllDirty();
    orv::redrawView(camera_, doc_->objects(), renderer_, options);
}

std::string HeadlessPlatform::text(int id) {
    if (lookup) return lookup(id);
    return "#" + std::to_string(id);
}

std::vector<OperationView*> HeadlessPlatform::viewsOf(Document& doc) {
    std::vector<OperationView*> out;
    for (OperationView* v : views)
        if (v->document() == &doc) out.push_back(v);
    return out;
}

}  // namespace orv
