#pragma once
#include <QImage>
#include <QOpenGLWidget>

#include "view/view_camera.h"

namespace orv::gui {

class DocumentWindow;

// One view of a document: a camera and a display mode. Wire modes are painted with QPainter
// over the GL surface; fast shading draws with fixed-function OpenGL.
class ViewWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    ViewWidget(DocumentWindow& owner, int direction, QWidget* parent = nullptr);

    ViewCamera& camera() { return camera_; }
    DocumentWindow& owner() { return owner_; }
    void setDirection(int direction);
    void setRenderMode(int mode);
    int renderMode() const { return camera_.renderMode; }
    // Frames every shown object of the document.
    void zoomAll();
    // A view command (pan, zoom, flip, roll, reset, zoom all ...) scaled by the toolbar's
    // repeat factor; false when it is not one.
    bool viewCommand(int command, float repeatFactor);
    // The next left drag in this view draws a zoom box instead of reaching the operation.
    void armZoomBox() { zoomBoxArmed_ = true; }

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    void deliver(const MouseEvent& e);
    MouseEvent eventFrom(QMouseEvent* e, MouseEvent::Type type) const;

    DocumentWindow& owner_;
    ViewCamera camera_;
    QImage backBuffer_;
    bool zoomBoxArmed_ = false;
    ZoomBoxDrag zoomBox_;
    double lastRedrawMs_ = 0;

public:
    // Wall time of the last full redraw, for the status line and the benchmark.
    double lastRedrawMs() const { return lastRedrawMs_; }
};

}  // namespace orv::gui
