#pragma once
#include <QImage>
#include <QOpenGLWidget>
#include <memory>

#include "ops/operation.h"
#include "view/shaded_scene.h"
#include "view/snapping.h"
#include "view/view_camera.h"

namespace orv::gui {

class DocumentWindow;

// One view of a document: a camera and a display mode. Wire modes are painted with QPainter
// over the GL surface; fast shading draws with fixed-function OpenGL.
class ViewWidget : public QOpenGLWidget, public OperationView {
    Q_OBJECT
public:
    ViewWidget(DocumentWindow& owner, int direction, QWidget* parent = nullptr);
    ~ViewWidget() override;

    ViewCamera& camera() override { return camera_; }
    Document* document() override;
    void saveCleanScene() override;
    void restoreCleanScene() override;
    LineRenderer& overlay() override;
    void overlayDone() override;
    void redrawScene() override;
    // Marks the scene for a full redraw at the next paint.
    void requestRedraw();
    // The depth of the last fast-shading pass as window depths, for points on the surface
    // under the pointer; empty (no function) outside fast shading.
    DepthImage depthImage() const;
    DocumentWindow& owner() { return owner_; }
    void setDirection(int direction);
    void setRenderMode(int mode);
    int renderMode() const { return camera_.renderMode; }
    // Frames every shown object of the document.
    void zoomAll();
    // A view command (pan, zoom, flip, roll, reset, zoom all ...) scaled by the toolbar's
    // repeat factor; false when it is not one.
    bool viewCommand(int command, float repeatFactor);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    // Camera gestures first; what they leave goes to the running operation.
    void deliver(const MouseEvent& e, PointerEvent::Kind kind);
    void renderWire(QImage& target);
    MouseEvent eventFrom(QMouseEvent* e, MouseEvent::Type type) const;

    DocumentWindow& owner_;
    ViewCamera camera_;
    // What the window shows in wire modes, and the same without operation feedback.
    QImage windowImage_, cleanScene_;
    std::vector<float> depth_;  // rows from the bottom, as GL reads them
    int depthWidth_ = 0, depthHeight_ = 0;
    ShadingSetup lastShading_;
    bool sceneDirty_ = true;
    std::unique_ptr<class ImageCanvas> overlayCanvas_;
    std::unique_ptr<LineRenderer> overlayRenderer_;
    double lastRedrawMs_ = 0;

public:
    // Wall time of the last full redraw, for the status line and the benchmark.
    double lastRedrawMs() const { return lastRedrawMs_; }
};

}  // namespace orv::gui
