#include "gui/view_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <chrono>

#include "gui/app_context.h"
#include "gui/document_window.h"
#include "gui/qt_canvas.h"
#include "output/triangulate.h"
#include "view/view_drawing.h"

namespace orv::gui {

// Feedback lines painted straight onto the window image; the painter stays open for one
// overlay refresh.
class ImageCanvas final : public LineCanvas {
public:
    explicit ImageCanvas(QImage& image) : image_(image) {}
    void setPen(uint32_t colour) override { canvas().setPen(colour); }
    void moveTo(int x, int y) override { canvas().moveTo(x, y); }
    void lineTo(int x, int y) override { canvas().lineTo(x, y); }
    void fillRect(int l, int t, int r, int b, uint32_t c) override { canvas().fillRect(l, t, r, b, c); }
    void polyline(const PixelPoint* points, size_t n) override { canvas().polyline(points, n); }
    void close() {
        qt_.reset();
        painter_.reset();
    }

private:
    QtCanvas& canvas() {
        if (!painter_) {
            painter_ = std::make_unique<QPainter>(&image_);
            qt_ = std::make_unique<QtCanvas>(*painter_);
        }
        return *qt_;
    }
    QImage& image_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> qt_;
};

namespace {

// Caps in fast shading use the same triangulator as the mesh exports.
CapTriangulator meshTriangulator() {
    return [](std::span<const Point3> outer, std::span<const PointArray> holes) {
        return triangulatePolygon(outer, holes);
    };
}

bool wireMode(int mode) { return mode < rendermode::kFastShading; }

}  // namespace

ViewWidget::ViewWidget(DocumentWindow& owner, int direction, QWidget* parent)
    : QOpenGLWidget(parent), owner_(owner) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(120, 90);
    camera_.resetView(direction);
    camera_.direction = direction;
    overlayCanvas_ = std::make_unique<ImageCanvas>(windowImage_);
    overlayRenderer_ = std::make_unique<LineRenderer>(*overlayCanvas_);
}

ViewWidget::~ViewWidget() {
    if (Interaction* i = owner_.app().interaction) i->viewClosed(*this);
}

Document* ViewWidget::document() { return &owner_.document(); }

void ViewWidget::setDirection(int direction) {
    camera_.setDirection(direction, false, owner_.app().camera);
    requestRedraw();
}

void ViewWidget::setRenderMode(int mode) {
    if (camera_.renderMode == mode) return;
    camera_.renderMode = mode;
    requestRedraw();
}

void ViewWidget::requestRedraw() {
    sceneDirty_ = true;
    update();
}

void ViewWidget::saveCleanScene() { cleanScene_ = windowImage_.copy(); }

void ViewWidget::restoreCleanScene() {
    overlayCanvas_->close();
    if (cleanScene_.size() == windowImage_.size()) windowImage_ = cleanScene_.copy();
}

LineRenderer& ViewWidget::overlay() {
    AppContext& app = owner_.app();
    overlayRenderer_->setColours(app.display.colours);
    overlayRenderer_->setLayers(&app.layers);
    return *overlayRenderer_;
}

void ViewWidget::overlayDone() {
    overlayCanvas_->close();
    update();
}

void ViewWidget::renderWire(QImage& target) {
    AppContext& app = owner_.app();
    RedrawOptions options;
    options.settings = app.display;
    options.layers = &app.layers;
    options.triangulate = meshTriangulator();
    QPainter image(&target);
    if (app.showBackground && !app.backgroundImage.isNull()) {
        options.hooks.background = [&](LineRenderer&, const PixelRect&) {
            image.drawImage(QRect(0, 0, width(), height()), app.backgroundImage);
        };
    }
    QtCanvas canvas(image);
    LineRenderer renderer(canvas, app.display.colours, &app.layers);
    camera_.markAllDirty();
    orv::redrawView(camera_, owner_.document().objects(), renderer, options);
    if (app.viewOverlay) app.viewOverlay(renderer);
}

void ViewWidget::redrawScene() {
    overlayCanvas_->close();
    camera_.setSize(width(), height());
    if (windowImage_.size() != size()) windowImage_ = QImage(size(), QImage::Format_RGB32);
    if (wireMode(camera_.renderMode)) renderWire(windowImage_);
}

void ViewWidget::initializeGL() {}

void ViewWidget::resizeGL(int w, int h) {
    camera_.setSize(w, h);
    sceneDirty_ = true;
}

void ViewWidget::paintGL() {
    const auto start = std::chrono::steady_clock::now();
    camera_.setSize(width(), height());
    AppContext& app = owner_.app();
    if (!wireMode(camera_.renderMode)) {
        // Shading fills the GL surface; the wire overlay is painted over it.
        RedrawOptions options;
        options.settings = app.display;
        options.layers = &app.layers;
        options.triangulate = meshTriangulator();
        QPainter painter(this);
        QtCanvas canvas(painter);
        LineRenderer renderer(canvas, app.display.colours, &app.layers);
        GlShadedSink sink;
        sink.depthOut = &depth_;
        sink.beginNative = [&] { painter.beginNativePainting(); };
        sink.endNative = [&] { painter.endNativePainting(); };
        options.hooks.shading = &sink;
        camera_.markAllDirty();
        orv::redrawView(camera_, owner_.document().objects(), renderer, options);
        lastShading_ = shadingSetup(camera_, app.display.colours);
        // The GL surface may be scaled on high-density screens; depth rows follow it.
        depthWidth_ = lastShading_.width;
        depthHeight_ = lastShading_.height;
        sceneDirty_ = false;
    } else {
        depth_.clear();
        if (sceneDirty_ || windowImage_.size() != size()) {
            sceneDirty_ = false;
            // The interaction redraws the scene and puts the running operation's feedback
            // back over it.
            if (Interaction* i = app.interaction) {
                i->redrawView(*this);
            } else {
                redrawScene();
            }
        }
        QPainter painter(this);
        painter.drawImage(0, 0, windowImage_);
    }
    lastRedrawMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

DepthImage ViewWidget::depthImage() const {
    DepthImage d;
    if (depth_.empty() || depth_.size() != size_t(depthWidth_) * size_t(depthHeight_)) return d;
    d.width = depthWidth_;
    d.height = depthHeight_;
    d.windowDepth = [this](int column, int row) {
        // GL counts rows from the bottom.
        float raw = depth_[size_t(depthHeight_ - 1 - row) * size_t(depthWidth_) + size_t(column)];
        return lastShading_.windowDepth(raw);
    };
    return d;
}

void ViewWidget::zoomAll() {
    camera_.setSize(width(), height());
    orv::zoomAll(camera_, owner_.document().objects(), {[this](int l) { return owner_.app().layers.visible(l); }, {}});
    requestRedraw();
}

bool ViewWidget::viewCommand(int command, float repeatFactor) {
    CameraShared& shared = owner_.app().camera;
    if (command == viewcmd::kZoomAll) {
        zoomAll();
        return true;
    }
    shared.stepMultiplier = repeatFactor;
    ViewResponse r;
    bool done = runViewCommand(camera_, shared, command, r);
    if (r.captionChanged) owner_.redrawAll();
    requestRedraw();
    return done;
}

namespace {

MouseEvent cameraEvent(QMouseEvent* e, MouseEvent::Type type) {
    MouseEvent m;
    m.type = type;
    m.button = e->button() == Qt::RightButton ? 1 : 0;
    m.x = static_cast<int>(e->position().x());
    m.y = static_cast<int>(e->position().y());
    m.shift = e->modifiers() & Qt::ShiftModifier;
    m.ctrl = e->modifiers() & Qt::ControlModifier;
    m.buttonsHeld = (e->buttons() & Qt::LeftButton ? 1 : 0) | (e->buttons() & Qt::RightButton ? 2 : 0);
    return m;
}

}  // namespace

void ViewWidget::deliver(const MouseEvent& e, PointerEvent::Kind kind) {
    AppContext& app = owner_.app();
    ViewResponse r = handleCameraInput(camera_, app.camera, e);
    if (r.captionChanged) owner_.redrawAll();
    if (r.redraw) requestRedraw();
    if (r.consumed || !app.interaction) return;
    if (e.type == MouseEvent::KeyDown || e.type == MouseEvent::KeyUp || e.type == MouseEvent::Wheel) return;
    PointerEvent p;
    p.kind = kind;
    p.button = e.button;
    p.x = e.x;
    p.y = e.y;
    p.shift = e.shift;
    p.ctrl = e.ctrl;
    app.interaction->setCurrentView(this);
    if (app.interaction->pointer(*this, p) && app.afterPointer) app.afterPointer();
}

void ViewWidget::mousePressEvent(QMouseEvent* e) {
    owner_.setActiveView(this);
    deliver(cameraEvent(e, MouseEvent::ButtonDown), PointerEvent::Down);
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* e) {
    deliver(cameraEvent(e, MouseEvent::ButtonUp), PointerEvent::Up);
}

void ViewWidget::mouseMoveEvent(QMouseEvent* e) {
    deliver(cameraEvent(e, MouseEvent::Move), PointerEvent::Move);
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    deliver(cameraEvent(e, MouseEvent::ButtonDown), PointerEvent::DoubleClick);
}

void ViewWidget::wheelEvent(QWheelEvent* e) {
    MouseEvent m;
    m.type = MouseEvent::Wheel;
    m.x = static_cast<int>(e->position().x());
    m.y = static_cast<int>(e->position().y());
    m.wheelDelta = e->angleDelta().y();
    deliver(m, PointerEvent::Move);
}

void ViewWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab && !e->isAutoRepeat()) {
        MouseEvent m;
        m.type = MouseEvent::KeyDown;
        m.key = kKeyTab;
        deliver(m, PointerEvent::Move);
        return;
    }
    QOpenGLWidget::keyPressEvent(e);
}

void ViewWidget::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab && !e->isAutoRepeat()) {
        MouseEvent m;
        m.type = MouseEvent::KeyUp;
        m.key = kKeyTab;
        deliver(m, PointerEvent::Move);
        return;
    }
    QOpenGLWidget::keyReleaseEvent(e);
}

void ViewWidget::focusInEvent(QFocusEvent* e) {
    owner_.setActiveView(this);
    QOpenGLWidget::focusInEvent(e);
}

}  // namespace orv::gui
