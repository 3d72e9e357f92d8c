#include "gui/view_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QOpenGLFunctions>
#include <QPainter>

#include <chrono>

#include "gui/app_context.h"
#include "gui/document_window.h"
#include "gui/qt_canvas.h"
#include "output/triangulate.h"
#include "view/view_drawing.h"

namespace orv::gui {

namespace {

// Caps in fast shading use the same triangulator as the mesh exports.
CapTriangulator meshTriangulator() {
    return [](std::span<const Point3> outer, std::span<const PointArray> holes) {
        return triangulatePolygon(outer, holes);
    };
}

}  // namespace

ViewWidget::ViewWidget(DocumentWindow& owner, int direction, QWidget* parent)
    : QOpenGLWidget(parent), owner_(owner) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 90);
    camera_.resetView(direction);
    camera_.direction = direction;
}

void ViewWidget::setDirection(int direction) {
    camera_.setDirection(direction, false, owner_.app().camera);
    update();
}

void ViewWidget::setRenderMode(int mode) {
    if (camera_.renderMode == mode) return;
    camera_.renderMode = mode;
    update();
}

void ViewWidget::initializeGL() {}

void ViewWidget::resizeGL(int w, int h) { camera_.setSize(w, h); }

void ViewWidget::paintGL() {
    const auto start = std::chrono::steady_clock::now();
    camera_.setSize(width(), height());
    camera_.markAllDirty();
    AppContext& app = owner_.app();
    RedrawOptions options;
    options.settings = app.display;
    options.layers = &app.layers;
    options.triangulate = meshTriangulator();
    int mode = camera_.renderMode;
    if (mode == rendermode::kFastShading || mode >= rendermode::kShadingInColour) {
        // Shading fills the GL surface; the wire overlay is painted over it.
        QPainter painter(this);
        QtCanvas canvas(painter);
        LineRenderer renderer(canvas, app.display.colours, &app.layers);
        GlShadedSink sink;
        sink.beginNative = [&] { painter.beginNativePainting(); };
        sink.endNative = [&] { painter.endNativePainting(); };
        options.hooks.shading = &sink;
        redrawView(camera_, owner_.document().objects(), renderer, options);
    } else {
        // Wire frames go to the back buffer first: it is also the clean scene that
        // operation feedback is drawn over.
        if (backBuffer_.size() != size()) backBuffer_ = QImage(size(), QImage::Format_RGB32);
        {
            QPainter image(&backBuffer_);
            if (app.showBackground && !app.backgroundImage.isNull()) {
                options.hooks.background = [&](LineRenderer&, const PixelRect&) {
                    image.drawImage(QRect(0, 0, width(), height()), app.backgroundImage);
                };
            }
            QtCanvas canvas(image);
            LineRenderer renderer(canvas, app.display.colours, &app.layers);
            redrawView(camera_, owner_.document().objects(), renderer, options);
        }
        QPainter painter(this);
        painter.drawImage(0, 0, backBuffer_);
    }
    if (zoomBox_.active()) {
        // The box is feedback over the finished scene, never part of it.
        QPainter painter(this);
        painter.setPen(QPen(qtColour(kDefaultFeedbackColour), 1));
        painter.drawRect(zoomBox_.centreX() - zoomBox_.halfWidth(), zoomBox_.centreY() - zoomBox_.halfHeight(),
                         2 * zoomBox_.halfWidth(), 2 * zoomBox_.halfHeight());
    }
    lastRedrawMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void ViewWidget::zoomAll() {
    camera_.setSize(width(), height());
    orv::zoomAll(camera_, owner_.document().objects());
    update();
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
    update();
    return done;
}

MouseEvent ViewWidget::eventFrom(QMouseEvent* e, MouseEvent::Type type) const {
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

void ViewWidget::deliver(const MouseEvent& e) {
    ViewResponse r = handleCameraInput(camera_, owner_.app().camera, e);
    if (r.captionChanged) owner_.redrawAll();
    if (r.redraw) update();
}

void ViewWidget::mousePressEvent(QMouseEvent* e) {
    owner_.setActiveView(this);
    if (zoomBoxArmed_ && e->button() == Qt::LeftButton) {
        zoomBoxArmed_ = false;
        zoomBox_.press(int(e->position().x()), int(e->position().y()), width(), height());
        update();
        return;
    }
    deliver(eventFrom(e, MouseEvent::ButtonDown));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (zoomBox_.active()) {
        zoomBox_.release(camera_);
        update();
        return;
    }
    deliver(eventFrom(e, MouseEvent::ButtonUp));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* e) {
    if (zoomBox_.active()) {
        zoomBox_.move(int(e->position().x()), int(e->position().y()));
        update();
        return;
    }
    deliver(eventFrom(e, MouseEvent::Move));
}

void ViewWidget::wheelEvent(QWheelEvent* e) {
    MouseEvent m;
    m.type = MouseEvent::Wheel;
    m.x = static_cast<int>(e->position().x());
    m.y = static_cast<int>(e->position().y());
    m.wheelDelta = e->angleDelta().y();
    deliver(m);
}

void ViewWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab && !e->isAutoRepeat()) {
        MouseEvent m;
        m.type = MouseEvent::KeyDown;
        m.key = kKeyTab;
        deliver(m);
        return;
    }
    QOpenGLWidget::keyPressEvent(e);
}

void ViewWidget::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab && !e->isAutoRepeat()) {
        MouseEvent m;
        m.type = MouseEvent::KeyUp;
        m.key = kKeyTab;
        deliver(m);
        return;
    }
    QOpenGLWidget::keyReleaseEvent(e);
}

void ViewWidget::focusInEvent(QFocusEvent* e) {
    owner_.setActiveView(this);
    QOpenGLWidget::focusInEvent(e);
}

}  // namespace orv::gui
