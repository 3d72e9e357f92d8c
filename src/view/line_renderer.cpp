#include "view/line_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kernel/bspline.h"
#include "model/layers.h"
#include "model/objects.h"
#include "view/view_camera.h"

namespace orv {

// ---- canvases ----

void LineCanvas::polyline(const PixelPoint* points, size_t n) {
    if (n < 2) return;
    moveTo(points[0].x, points[0].y);
    for (size_t i = 1; i < n; ++i) lineTo(points[i].x, points[i].y);
}

void RecordingCanvas::setPen(uint32_t colour) {
    pen = colour;
    pens.push_back(colour);
}
void RecordingCanvas::moveTo(int x, int y) { at_ = {x, y}; }
void RecordingCanvas::lineTo(int x, int y) {
    segments.push_back({at_, {x, y}, pen});
    at_ = {x, y};
}
void RecordingCanvas::fillRect(int left, int top, int right, int bottom, uint32_t colour) {
    fills.push_back({left, top, right, bottom, colour});
}
void RecordingCanvas::clear() {
    segments.clear();
    fills.clear();
    pens.clear();
}
size_t RecordingCanvas::countColour(uint32_t colour) const {
    return static_cast<size_t>(std::count_if(segments.begin(), segments.end(),
                                             [&](const Segment& s) { return s.colour == colour; }));
}

// ---- stroke font ----

namespace {

// Digits in a 4 x 6 cell, y upward; strokes follow the segments of a seven-segment display
// except 1 and 7, which lean so that they cannot be taken for other digits.
constexpr PixelPoint k0[] = {{0, 0}, {4, 0}, {4, 6}, {0, 6}, {0, 0}};
constexpr PixelPoint k0Slash[] = {{0, 0}, {4, 6}};
constexpr PixelPoint k1[] = {{1, 5}, {2, 6}, {2, 0}};
constexpr PixelPoint k2[] = {{0, 6}, {4, 6}, {4, 3}, {0, 3}, {0, 0}, {4, 0}};
constexpr PixelPoint k3a[] = {{0, 6}, {4, 6}, {4, 0}, {0, 0}};
constexpr PixelPoint k3b[] = {{0, 3}, {4, 3}};
constexpr PixelPoint k4a[] = {{0, 6}, {0, 3}, {4, 3}};
constexpr PixelPoint k4b[] = {{4, 6}, {4, 0}};
constexpr PixelPoint k5[] = {{4, 6}, {0, 6}, {0, 3}, {4, 3}, {4, 0}, {0, 0}};
constexpr PixelPoint k6[] = {{4, 6}, {0, 6}, {0, 0}, {4, 0}, {4, 3}, {0, 3}};
constexpr PixelPoint k7[] = {{0, 6}, {4, 6}, {1, 0}};
constexpr PixelPoint k8a[] = {{0, 0}, {4, 0}, {4, 6}, {0, 6}, {0, 0}};
constexpr PixelPoint k8b[] = {{0, 3}, {4, 3}};
constexpr PixelPoint k9[] = {{4, 3}, {0, 3}, {0, 6}, {4, 6}, {4, 0}, {0, 0}};
// A 2 x 2 dot: a single-pixel line would vanish where the last pixel of a line is not drawn.
constexpr PixelPoint kDot[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};

constexpr GlyphStroke kGlyph0[] = {{k0}, {k0Slash}};
constexpr GlyphStroke kGlyph1[] = {{k1}};
constexpr GlyphStroke kGlyph2[] = {{k2}};
constexpr GlyphStroke kGlyph3[] = {{k3a}, {k3b}};
constexpr GlyphStroke kGlyph4[] = {{k4a}, {k4b}};
constexpr GlyphStroke kGlyph5[] = {{k5}};
constexpr GlyphStroke kGlyph6[] = {{k6}};
constexpr GlyphStroke kGlyph7[] = {{k7}};
constexpr GlyphStroke kGlyph8[] = {{k8a}, {k8b}};
constexpr GlyphStroke kGlyph9[] = {{k9}};
constexpr GlyphStroke kGlyphDot[] = {{kDot}};

constexpr std::span<const GlyphStroke> kDigits[10] = {kGlyph0, kGlyph1, kGlyph2, kGlyph3,
                                                      kGlyph4, kGlyph5, kGlyph6, kGlyph7,
                                                      kGlyph8, kGlyph9};

}  // namespace

std::span<const GlyphStroke> glyphStrokes(char c) {
    if (c >= '0' && c <= '9') return kDigits[c - '0'];
    if (c == '.') return kGlyphDot;
    return {};
}

int glyphAdvance(char c) {
    if (c >= '0' && c <= '9') return 6;
    if (c == '.') return 3;
    return 0;
}

// ---- LineRenderer ----

namespace {

// Window coordinates are kept within this many pixels of the origin before they become
// integers: far beyond any screen, well inside what int and the platform's line drawing
// take. A line reaching further is clipped there, so its visible part is unchanged.
constexpr double kGuard = double(1 << 22);

bool finite(float x, float y) { return std::isfinite(x) && std::isfinite(y); }

// Round half up. Callers keep |v| within the guard, so the biased value is positive and
// truncation is the floor (much cheaper than std::floor where SSE4.1 cannot be assumed).
int toPixel(double v) {
    constexpr double kBias = 2.0 * kGuard + 1.0;
    return static_cast<int>(static_cast<int64_t>(v + 0.5 + kBias) - static_cast<int64_t>(kBias));
}

bool insideGuard(double x, double y) {
    return x >= -kGuard && x <= kGuard && y >= -kGuard && y <= kGuard;
}

// Liang-Barsky against the guard square. False when nothing of the segment is inside.
bool clipToGuard(double& x0, double& y0, double& x1, double& y1) {
    double t0 = 0.0, t1 = 1.0;
    double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + kGuard, kGuard - x0, y0 + kGuard, kGuard - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    double bx = x0 + t1 * dx, by = y0 + t1 * dy;
    x0 = ax, y0 = ay, x1 = bx, y1 = by;
    return true;
}

const LayerTable& defaultLayers() {
    static const LayerTable table;
    return table;
}

}  // namespace

LineRenderer::LineRenderer(LineCanvas& canvas, DisplayColours colours,
                           const LayerTable* layers)
    : canvas_(&canvas), colours_(colours), layers_(layers ? layers : &defaultLayers()) {
    run_.reserve(256);
}

LineRenderer::~LineRenderer() { flush(); }

void LineRenderer::setCanvas(LineCanvas& canvas) {
    flush();
    canvas_ = &canvas;
    penSent_ = false;
}

void LineRenderer::setLayers(const LayerTable* layers) {
    layers_ = layers ? layers : &defaultLayers();
}

void LineRenderer::bindView(const ViewCamera& camera) {
    setViewTransform(camera.transform);
    depthAxis_ = camera.axes().axis[2];
}

void LineRenderer::setViewTransform(const Matrix4& transform) {
    flush();
    view_ = transform;
    current_ = transform;
    stack_.clear();
}

uint32_t LineRenderer::setPen(uint32_t colour) {
    uint32_t old = pen_;
    pen_ = colour;
    if (!tester_ && (!penSent_ || sentPen_ != colour)) {
        flushRun();
        canvas_->setPen(colour);
        sentPen_ = colour;
        penSent_ = true;
    }
    return old;
}

void LineRenderer::setObjectPen(int state, int layer) {
    setPen(state == 1 ? colours_.pick : layers_->unpickedColour(layer));
}

LineRenderer::Pixel LineRenderer::project(const Point3& world) const {
    Point3 p = transformPoint(world, current_);
    return {p.x, p.y};
}

void LineRenderer::beginPrimitive(int mode) {
    flushRun();
    mode_ = mode;
    count_ = 0;
    firstValid_ = false;
    lastValid_ = false;
}

void LineRenderer::vertex(const Point3& world) {
    ++count_;
    if (mode_ >= primitive::kCountOnly || mode_ < 0) return;
    if (tester_ && tester_->satisfied()) return;
    Pixel p = project(world);
    if (mode_ == primitive::kMarkers) {
        marker(p);
        return;
    }
    if (count_ == 1) {
        pathMove(p);
        first_ = p;
        firstValid_ = mode_ == primitive::kClosed;
    } else {
        pathLine(p);
    }
}

void LineRenderer::endPrimitive() {
    if (mode_ == primitive::kClosed && firstValid_ && count_ >= 2) pathLine(first_);
    firstValid_ = false;
    flushRun();
}

void LineRenderer::drawPolyline(const Point3* points, size_t count, bool closed) {
    beginPrimitive(closed ? primitive::kClosed : primitive::kOpen);
    for (size_t i = 0; i < count; ++i) vertex(points[i]);
    endPrimitive();
}

void LineRenderer::drawCurvePoints(const Point3* polygon, int count, int level) {
    level = std::clamp(level, 0, kMaxEvaluationResolution);
    limitPoints(polygon, count, level, curve_);
    drawPolyline(curve_.data(), curve_.size(), false);
}

void LineRenderer::drawScreenRect(int x0, int y0, int x1, int y1) {
    flushRun();
    if (tester_ && tester_->satisfied()) return;
    auto px = [](int x, int y) { return Pixel{static_cast<float>(x), static_cast<float>(y)}; };
    pathMove(px(x0, y0));
    pathLine(px(x1, y0));
    pathLine(px(x1, y1));
    pathLine(px(x0, y1));
    pathLine(px(x0, y0));
    flushRun();
    lastValid_ = false;
}

void LineRenderer::drawNumber(const Point3& world, std::string_view text) {
    flushRun();
    if (tester_ && tester_->satisfied()) return;
    Pixel p = project(world);
    if (!finite(p.x, p.y) || !insideGuard(p.x, p.y)) return;
    float ox = static_cast<float>(toPixel(p.x) + kTextOffsetX);
    float oy = static_cast<float>(toPixel(p.y) - kTextOffsetY);
    for (char c : text) {
        for (const GlyphStroke& s : glyphStrokes(c)) {
            for (size_t i = 0; i < s.points.size(); ++i) {
                Pixel q{ox + static_cast<float>(s.points[i].x), oy - static_cast<float>(s.points[i].y)};
                if (i == 0)
                    pathMove(q);
                else
                    pathLine(q);
            }
            flushRun();
        }
        ox += static_cast<float>(glyphAdvance(c));
    }
    lastValid_ = false;
}

void LineRenderer::fillRect(int left, int top, int right, int bottom, uint32_t colour) {
    flushRun();
    if (!tester_) canvas_->fillRect(left, top, right, bottom, colour);
}

void LineRenderer::multiplyModel(const Matrix4& M) {
    flushRun();
    stack_.push_back(current_);
    current_ = M * current_;
}

void LineRenderer::restoreModel() {
    flushRun();
    if (stack_.empty()) return;
    current_ = stack_.back();
    stack_.pop_back();
}

void LineRenderer::setTester(SegmentTester* tester) {
    flush();
    tester_ = tester;
    lastValid_ = false;
}

void LineRenderer::flush() { flushRun(); }

void LineRenderer::marker(Pixel p) {
    lastValid_ = false;
    if (!finite(p.x, p.y)) return;
    if (tester_) {
        if (tester_->satisfied()) return;
        tester_->moveTo(p.x - 2, p.y - 2);
        tester_->lineTo(p.x + 2, p.y - 2);
        tester_->lineTo(p.x + 2, p.y + 2);
        tester_->lineTo(p.x - 2, p.y + 2);
        tester_->lineTo(p.x - 2, p.y - 2);
        return;
    }
    if (!insideGuard(p.x, p.y)) return;
    flushRun();
    int x = toPixel(p.x), y = toPixel(p.y);
    const PixelPoint square[5] = {{x - 2, y - 2}, {x + 2, y - 2}, {x + 2, y + 2}, {x - 2, y + 2},
                                  {x - 2, y - 2}};
    canvas_->polyline(square, 5);
}

void LineRenderer::pathMove(Pixel p) {
    flushRun();
    lastValid_ = finite(p.x, p.y);
    last_ = p;
    if (tester_ && lastValid_ && !tester_->satisfied()) tester_->moveTo(p.x, p.y);
}

void LineRenderer::pathLine(Pixel p) {
    if (!finite(p.x, p.y)) {
        flushRun();
        lastValid_ = false;
        return;
    }
    if (!lastValid_) {
        pathMove(p);
        return;
    }
    Pixel from = last_;
    last_ = p;
    if (tester_) {
        if (!tester_->satisfied()) tester_->lineTo(p.x, p.y);
        return;
    }
    double x0 = from.x, y0 = from.y, x1 = p.x, y1 = p.y;
    bool startInside = insideGuard(x0, y0), endInside = insideGuard(x1, y1);
    if (!startInside || !endInside) {
        if (!clipToGuard(x0, y0, x1, y1)) {
            flushRun();
            return;
        }
        if (!startInside) flushRun();
    }
    if (run_.empty()) run_.push_back({toPixel(x0), toPixel(y0)});
    const PixelPoint b{toPixel(x1), toPixel(y1)};
    // A segment that rounds to no length adds nothing the run does not already draw.
    if (!(run_.back() == b)) run_.push_back(b);
    if (!endInside) flushRun();
}

void LineRenderer::flushRun() {
    if (run_.size() >= 2 && !tester_) canvas_->polyline(run_.data(), run_.size());
    run_.clear();
}

}  // namespace orv
