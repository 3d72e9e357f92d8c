#pragma once
#include <QColor>
#include <QPainter>

#include "view/line_renderer.h"
#include "view/shaded_scene.h"

namespace orv::gui {

// Packed red + 256 green + 65536 blue -> QColor.
inline QColor qtColour(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The line layer's canvas on a QPainter (a back-buffer image or the view itself).
class QtCanvas final : public LineCanvas {
public:
    explicit QtCanvas(QPainter& painter) : p_(painter) {}
    void setPen(uint32_t colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void fillRect(int left, int top, int right, int bottom, uint32_t colour) override;
    void polyline(const PixelPoint* points, size_t n) override;

private:
    QPainter& p_;
    QPoint at_;
    std::vector<QPoint> run_;
};

// Fast shading with fixed-function OpenGL 1.1: vertex and normal arrays, one light from the
// viewer. Needs a current compatibility-profile context.
class GlShadedSink final : public ShadedSceneSink {
public:
    void drawShaded(const ShadedScene& scene) override;
    // Called around the GL calls when a QPainter shares the surface.
    std::function<void()> beginNative, endNative;
    // When set, the depth buffer is read back after drawing (rows from the bottom), for
    // points on the shaded surface under the pointer.
    std::vector<float>* depthOut = nullptr;
};

}  // namespace orv::gui
