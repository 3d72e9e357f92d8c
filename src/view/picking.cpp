#include "view/picking.h"
#include "view/view_drawing.h"

#include <algorithm>
#include <cmath>

#include "model/layers.h"
#include "model/objects.h"
#include "view/view_camera.h"
#include "view/wire_drawing.h"

namespace orv {

bool pointInPolygon(std::span<const PixelF> polygon, float x, float y) {
    const size_t n = polygon.size();
    if (n < 3) return false;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        PixelF a = polygon[j], b = polygon[i];
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        const float ex = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (ex > x) inside = !inside;
    }
    return inside;
}

// ---- PickTester ----

void PickTester::start() {
    active_ = true;
    hits_.clear();
    current_ = nullptr;
    objectHit_ = false;
}

void PickTester::beginPoint(int x, int y, int aperture) {
    aperture = std::max(aperture, 0);
    beginRect(x - aperture, y - aperture, x + aperture, y + aperture);
}

void PickTester::beginRect(int left, int top, int right, int bottom) {
    left_ = std::min(left, right);
    right_ = std::max(left, right);
    top_ = std::min(top, bottom);
    bottom_ = std::max(top, bottom);
    polygon_.clear();
    start();
}

void PickTester::beginPolygon(std::span<const PixelF> vertices, int aperture) {
    if (vertices.empty()) {
        beginRect(0, 0, -1, -1);
        return;
    }
    float lx = vertices[0].x, hx = lx, ly = vertices[0].y, hy = ly;
    for (const PixelF& v : vertices) {
        lx = std::min(lx, v.x), hx = std::max(hx, v.x);
        ly = std::min(ly, v.y), hy = std::max(hy, v.y);
    }
    const int l = int(std::floor(lx)), r = int(std::ceil(hx));
    const int t = int(std::floor(ly)), b = int(std::ceil(hy));
    if ((r - l) / 2 > 1 && (b - t) / 2 > 1) {
        beginRect(l, t, r, b);
        if (vertices.size() >= 3) polygon_.assign(vertices.begin(), vertices.end());
    } else {
        beginPoint((l + r) / 2, (t + b) / 2, aperture);
    }
}

void PickTester::registerObject(ModelObject* object) {
    current_ = object;
    objectHit_ = false;
}

int PickTester::endPick() {
    active_ = false;
    return int(hits_.size());
}

void PickTester::hit() {
    if (objectHit_) return;
    objectHit_ = true;
    if (current_) hits_.push_back(current_);
}

void PickTester::moveTo(float x, float y) {
    lastX_ = x, lastY_ = y;
    lastCx_ = code(x, left_, right_);
    lastCy_ = code(y, top_, bottom_);
    if (objectHit_ || !active_) return;
    if (lastCx_ == 0 && lastCy_ == 0 && (polygon_.empty() || pointInPolygon(polygon_, x, y)))
        hit();
}

namespace {

float side(float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

bool segmentsCross(float ax, float ay, float bx, float by, PixelF c, PixelF d) {
    const float d1 = side(ax, ay, bx, by, c.x, c.y), d2 = side(ax, ay, bx, by, d.x, d.y);
    const float d3 = side(c.x, c.y, d.x, d.y, ax, ay), d4 = side(c.x, c.y, d.x, d.y, bx, by);
    return ((d1 <= 0 && d2 >= 0) || (d1 >= 0 && d2 <= 0)) &&
           ((d3 <= 0 && d4 >= 0) || (d3 >= 0 && d4 <= 0));
}

}  // namespace

bool PickTester::crossesPolygon(float x0, float y0, float x1, float y1) const {
    const size_t n = polygon_.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++)
        if (segmentsCross(x0, y0, x1, y1, polygon_[j], polygon_[i])) return true;
    return false;
}

void PickTester::lineTo(float x, float y) {
    const float x0 = lastX_, y0 = lastY_;
    const int cx0 = lastCx_, cy0 = lastCy_;
    lastX_ = x, lastY_ = y;
    lastCx_ = code(x, left_, right_);
    lastCy_ = code(y, top_, bottom_);
    if (objectHit_ || !active_) return;
    const int cx1 = lastCx_, cy1 = lastCy_;
    if ((cx0 == cx1 && cx0 != 0) || (cy0 == cy1 && cy0 != 0)) return;
    bool touches = (cx0 == 0 && cy0 == 0) || (cx1 == 0 && cy1 == 0);
    if (!touches) {
        // Both ends outside: the rectangle is crossed when its corners do not all lie on one
        // side of the segment's line. Lying on the line counts as a crossing.
        const float corners[4][2] = {{float(left_), float(top_)},
                                     {float(right_), float(top_)},
                                     {float(right_), float(bottom_)},
                                     {float(left_), float(bottom_)}};
        bool neg = false, pos = false;
        for (const auto& c : corners) {
            const float s = side(x0, y0, x, y, c[0], c[1]);
            if (s == 0) neg = pos = true;
            if (s < 0) neg = true;
            if (s > 0) pos = true;
        }
        touches = neg && pos;
    }
    if (!touches) return;
    if (!polygon_.empty() && !pointInPolygon(polygon_, x, y) && !crossesPolygon(x0, y0, x, y))
        return;
    hit();
}

// ---- passes ----

namespace {

int wireMode(int renderMode) { return renderMode >= rendermode::kFastShading ? 0 : renderMode; }

bool classWanted(const ModelObject& o, uint32_t filter) {
    return filter == kPickAnyClass ? o.classNumber() != kClassTLine : o.classNumber() == filter;
}

// The renderer with the tester on for the lifetime of the scope, so an early return never
// leaves later drawing suppressed.
struct TesterScope {
    TesterScope(LineRenderer& r, PickTester& t) : r_(r) { r_.setTester(&t); }
    ~TesterScope() { r_.setTester(nullptr); }
    LineRenderer& r_;
};

}  // namespace

namespace {

// True when nothing `object` draws can reach the tester's rectangle: its display box, seen
// through the view, lies wholly beside it. Saves drawing every object of a large design for
// one click. The margin covers CV markers and numbers drawn beside their points.
bool outsidePick(const ModelObject& object, const Matrix4& view, const PickTester& tester) {
    if (object.classNumber() == kClassTLine) return false;  // reaches across every view
    BoundingBox box = displayBox(object);
    if (box.empty()) return false;
    float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
    for (int k = 0; k < 8; ++k) {
        Point3 c{k & 1 ? box.hi.x : box.lo.x, k & 2 ? box.hi.y : box.lo.y, k & 4 ? box.hi.z : box.lo.z};
        Point3 p = transformPoint(c, view);
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
        lo[0] = std::min(lo[0], p.x);
        hi[0] = std::max(hi[0], p.x);
        lo[1] = std::min(lo[1], p.y);
        hi[1] = std::max(hi[1], p.y);
    }
    constexpr float kMargin = 60.0f;
    return hi[0] + kMargin < float(tester.left()) || lo[0] - kMargin > float(tester.right()) ||
           hi[1] + kMargin < float(tester.top()) || lo[1] - kMargin > float(tester.bottom());
}

}  // namespace

void pickPass(PickTester& tester, LineRenderer& renderer, ObjectList& objects,
              const LayerTable& layers, int renderMode, uint32_t classFilter) {
    TesterScope scope(renderer, tester);
    const int mode = wireMode(renderMode);
    const Matrix4 view = renderer.viewTransform();
    objects.forEach([&](ModelObject& o) {
        if (!o.visible() || !layers.pickable(o.layer) || !classWanted(o, classFilter)) return;
        if (outsidePick(o, view, tester)) return;
        tester.registerObject(&o);
        drawObject(o, renderer, mode);
        renderer.flush();
    });
    tester.registerObject(nullptr);
}

ModelObject* pickObjectAt(ViewCamera& camera, ObjectList& objects, const LayerTable& layers,
                          const PickSettings& settings, int x, int y, uint32_t classFilter) {
    camera.applyCamera();
    NullCanvas canvas;
    LineRenderer renderer(canvas, {}, &layers);
    renderer.bindView(camera);
    PickTester tester;
    tester.beginPoint(x, y, settings.aperture);
    pickPass(tester, renderer, objects, layers, camera.renderMode, classFilter);
    int n = tester.endPick();
    return n > 0 ? tester.hitAt(size_t(n - 1)) : nullptr;
}

ModelObject* pickChildAt(BooleanObject& boolean, ViewCamera& camera, const LayerTable& layers,
                         const PickSettings& settings, int x, int y, uint32_t classFilter) {
    camera.applyCamera();
    NullCanvas canvas;
    LineRenderer renderer(canvas, {}, &layers);
    renderer.bindView(camera);
    const int mode = wireMode(camera.renderMode);
    BooleanObject* b = &boolean;
    // Nesting is bounded by the readers; the limit also stops a cycle built in memory.
    for (int depth = 0; depth < kMaxBooleanDepth; ++depth) {
        PickTester tester;
        tester.beginPoint(x, y, settings.aperture);
        {
            TesterScope scope(renderer, tester);
            for (size_t i = 0; i < b->children.size(); ++i) {
                if (b->operation == kSubtract && !b->showSubtractors && i > 0) break;
                ModelObject& c = b->children[i];
                if (!c.visible()) continue;
                if (c.classNumber() != classFilter && c.classNumber() != kClassBoolean) continue;
                tester.registerObject(&c);
                drawObject(c, renderer, mode);
                renderer.flush();
            }
        }
        int n = tester.endPick();
        if (n == 0) return nullptr;
        ModelObject* hit = tester.hitAt(size_t(n - 1));
        if (hit->classNumber() != kClassBoolean) return hit;
        b = static_cast<BooleanObject*>(hit);
    }
    return nullptr;
}

void highlightObject(const ModelObject& object, LineRenderer& renderer, int renderMode,
                     int64_t colour) {
    if (colour < 0) return;
    renderer.setPen(colour > 0xFFFFFF ? 0x0000FFu : uint32_t(colour));
    drawObject(object, renderer, wireMode(renderMode));
    renderer.flush();
}

// ---- CVs ----

namespace {

// Visits the CV objects whose CVs can be picked within `o`: `o` itself or the shown children
// of its Booleans.
template <class F>
void forCvObjects(ModelObject& o, bool withHidden, F&& f, int depth = 0) {
    if (depth > kMaxBooleanDepth) return;
    if (o.kind() == 1) {
        auto& cv = static_cast<CvObject&>(o);
        if (withHidden || !cv.hideCv) f(cv);
        return;
    }
    if (o.classNumber() == kClassBoolean) {
        auto& b = static_cast<BooleanObject&>(o);
        b.children.forEach([&](ModelObject& c) {
            if (c.visible()) forCvObjects(c, withHidden, f, depth + 1);
        });
    }
}

}  // namespace

int toggleCvsIn(ObjectList& objects, const LayerTable& layers, const ViewCamera& camera,
                const CvRegion& region, const std::function<void(ModelObject&)>& record) {
    int toggled = 0;
    objects.forEach([&](ModelObject& top) {
        if (top.state != objstate::kNormal || !layers.pickable(top.layer)) return;
        // Which CVs fall inside is decided before anything is recorded, so that objects
        // without a CV in the region leave no entry in the history.
        std::vector<std::pair<CvObject*, size_t>> inside;
        forCvObjects(top, false, [&](CvObject& o) {
            const size_t n = std::min(o.cvs.size(), o.cvFlags.size());
            for (size_t i = 0; i < n; ++i) {
                const Point3 p = transformPoint(o.cvs[i], camera.transform);
                if (std::isfinite(p.x) && std::isfinite(p.y) && region(p.x, p.y))
                    inside.emplace_back(&o, i);
            }
        });
        if (inside.empty()) return;
        if (record) record(top);
        for (auto [o, i] : inside) o->cvFlags[i] = o->cvFlags[i] ? 0 : 1;
        toggled += int(inside.size());
    });
    return toggled;
}

int clearCvFlags(ObjectList& objects, const std::function<void(ModelObject&)>& record) {
    int changed = 0;
    objects.forEach([&](ModelObject& top) {
        if (top.state != objstate::kNormal) return;
        bool any = false;
        forCvObjects(top, true, [&](CvObject& o) {
            any = any || std::any_of(o.cvFlags.begin(), o.cvFlags.end(), [](uint32_t f) { return f != 0; });
        });
        if (!any) return;
        if (record) record(top);
        forCvObjects(top, true, [&](CvObject& o) { std::fill(o.cvFlags.begin(), o.cvFlags.end(), 0u); });
        ++changed;
    });
    return changed;
}

int pickedCount(const ObjectList& objects, const LayerTable& layers) {
    int n = 0;
    objects.forEach([&](const ModelObject& o) {
        if (o.state == objstate::kPicked && layers.pickable(o.layer)) ++n;
    });
    return n;
}

}  // namespace orv
