#pragma once
// The wire-frame line layer: every object's wire drawing, the grid and operation feedback go
// through a LineRenderer, which maps world points to window pixels and hands the lines to a
// LineCanvas. With a SegmentTester attached it tests the same segments instead of drawing
// them, which is how picking finds what lies under the pointer.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "kernel/matrix4.h"
#include "kernel/pixel_point.h"
#include "kernel/point3.h"
#include "view/display_settings.h"

namespace orv {

class LayerTable;
class ViewCamera;

// PixelPoint (window pixels) comes from kernel/pixel_point.h: the sketch uses it too.

// What the line layer draws into: a solid one-pixel pen and lines in window pixels.
class LineCanvas {
public:
    virtual ~LineCanvas() = default;
    virtual void setPen(uint32_t colour) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    // Solid fill; right and bottom are exclusive.
    virtual void fillRect(int left, int top, int right, int bottom, uint32_t colour) = 0;
    // Lines joining points[0] ... points[n-1] (n >= 2). Override to draw the run at once.
    virtual void polyline(const PixelPoint* points, size_t n);
};

// Draws nothing: for timing and for callers that only want the side effects.
class NullCanvas final : public LineCanvas {
public:
    void setPen(uint32_t) override {}
    void moveTo(int, int) override {}
    void lineTo(int, int) override {}
    void fillRect(int, int, int, int, uint32_t) override {}
    void polyline(const PixelPoint*, size_t) override {}
};

// Keeps every segment with the pen it was drawn in, every fill and every pen change.
class RecordingCanvas : public LineCanvas {
public:
    struct Segment {
        PixelPoint a, b;
        uint32_t colour = 0;
        friend bool operator==(const Segment&, const Segment&) = default;
    };
    struct Fill {
        int left = 0, top = 0, right = 0, bottom = 0;
        uint32_t colour = 0;
        friend bool operator==(const Fill&, const Fill&) = default;
    };

    void setPen(uint32_t colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void fillRect(int left, int top, int right, int bottom, uint32_t colour) override;

    void clear();
    size_t countColour(uint32_t colour) const;

    std::vector<Segment> segments;
    std::vector<Fill> fills;
    std::vector<uint32_t> pens;  // every setPen, in order
    uint32_t pen = 0;

private:
    PixelPoint at_;
};

// The pick hook: while one is attached, the renderer hands it every move-to and line-to in
// window pixels, as floats before rounding, and draws nothing.
class SegmentTester {
public:
    virtual ~SegmentTester() = default;
    virtual void moveTo(float x, float y) = 0;
    virtual void lineTo(float x, float y) = 0;
    // True once the object being drawn needs no further testing (it has been hit); the
    // renderer then skips its remaining segments.
    virtual bool satisfied() const { return false; }
};

// Primitive modes of beginPrimitive().
namespace primitive {
inline constexpr int kMarkers = 0;   // a 4x4-pixel square per vertex
inline constexpr int kOpen = 1;      // open polyline
inline constexpr int kClosed = 2;    // closed polyline
inline constexpr int kCountOnly = 3; // vertices are counted, nothing drawn
}  // namespace primitive

// One per view being drawn (or per pick pass); bound to that view's transforms. Output may be
// held back and sent to the canvas as whole runs; flush() (or any pen change, fill,
// primitive start and end) delivers it. The canvas must outlive the renderer, which flushes
// when destroyed.
//
// Pixel coordinates are rounded half up. Lines reaching further than any screen (4M pixels)
// are clipped there first, so extreme zooms and far-away geometry never overflow an int;
// points that are not finite break the line they are on.
class LineRenderer {
public:
    explicit LineRenderer(LineCanvas& canvas, DisplayColours colours = {},
                          const LayerTable* layers = nullptr);
    LineRenderer(const LineRenderer&) = delete;
    LineRenderer& operator=(const LineRenderer&) = delete;
    ~LineRenderer();

    void setCanvas(LineCanvas& canvas);
    LineCanvas& canvas() { return *canvas_; }

    void setColours(const DisplayColours& colours) { colours_ = colours; }
    const DisplayColours& colours() const { return colours_; }
    // The layer table for object pens and visibility; nullptr means the default table.
    void setLayers(const LayerTable* layers);
    const LayerTable& layers() const { return *layers_; }

    // Takes the camera's full transform (applyCamera() must have run) and its depth axis, and
    // clears the model transform stack.
    void bindView(const ViewCamera& camera);
    // The world -> window-pixel transform without placements; clears the model stack.
    void setViewTransform(const Matrix4& transform);
    const Matrix4& viewTransform() const { return view_; }
    // Placements in force times the view transform: what vertex() applies.
    const Matrix4& currentTransform() const { return current_; }
    // World axis pointing into the screen; T-lines lying along it are not drawn.
    int depthAxis() const { return depthAxis_; }
    void setDepthAxis(int axis) { depthAxis_ = axis; }

    // Replaces the pen; returns the previous colour.
    uint32_t setPen(uint32_t colour);
    uint32_t pen() const { return pen_; }
    // The pick colour for a picked object (state 1), otherwise its layer's colour.
    void setObjectPen(int state, int layer);

    void beginPrimitive(int mode);
    void vertex(const Point3& world);
    void endPrimitive();
    int primitiveMode() const { return mode_; }
    int vertexCount() const { return count_; }

    void drawPolyline(const Point3* points, size_t count, bool closed);
    void drawPolyline(std::span<const Point3> points, bool closed) {
        drawPolyline(points.data(), points.size(), closed);
    }
    // The curve of an already extended control polygon, evaluated at `level`, as an open
    // polyline.
    void drawCurvePoints(const Point3* polygon, int count, int level);
    // Closed rectangle in window pixels, whatever the transforms.
    void drawScreenRect(int x0, int y0, int x1, int y1);
    // Digits and '.' in the built-in stroke font, from the point's pixel towards the upper
    // right; other characters are skipped.
    void drawNumber(const Point3& world, std::string_view text);
    void fillRect(int left, int top, int right, int bottom, uint32_t colour);

    // Placed objects draw their contents through their placement: M applies before whatever
    // is already in force. Every multiply needs its restore.
    void multiplyModel(const Matrix4& M);
    void restoreModel();
    // multiplyModel for the lifetime of the scope.
    class ModelScope {
    public:
        ModelScope(LineRenderer& r, const Matrix4& M) : r_(r) { r_.multiplyModel(M); }
        ~ModelScope() { r_.restoreModel(); }
        ModelScope(const ModelScope&) = delete;
        ModelScope& operator=(const ModelScope&) = delete;

    private:
        LineRenderer& r_;
    };

    // Attaches the pick hook (nullptr detaches it and goes back to drawing).
    void setTester(SegmentTester* tester);
    bool picking() const { return tester_ != nullptr; }

    void flush();

    // Scratch arrays for per-object drawing, so a redraw stops allocating once warm.
    std::vector<Point3>& scratch(int which) { return scratch_[which & 3]; }

private:
    struct Pixel {
        float x, y;
    };
    Pixel project(const Point3& world) const;
    // Pixel-space path shared by objects, markers, rectangles and text.
    void pathMove(Pixel p);
    void pathLine(Pixel p);
    void marker(Pixel p);
    void flushRun();
    void startRun(Pixel p);

    LineCanvas* canvas_;
    DisplayColours colours_;
    const LayerTable* layers_;
    SegmentTester* tester_ = nullptr;

    Matrix4 view_ = Matrix4::identity();
    Matrix4 current_ = Matrix4::identity();
    std::vector<Matrix4> stack_;
    int depthAxis_ = 2;

    uint32_t pen_ = 0;
    uint32_t sentPen_ = 0;  // what the canvas holds, once penSent_
    bool penSent_ = false;
    int mode_ = primitive::kOpen;
    int count_ = 0;
    Pixel first_{0, 0};
    bool firstValid_ = false;

    // Path state: the last point passed to pathMove / pathLine, and the run being built.
    Pixel last_{0, 0};
    bool lastValid_ = false;
    std::vector<PixelPoint> run_;

    std::vector<Point3> curve_;
    std::vector<Point3> scratch_[4];
};

// Strokes of one character of the built-in font, as polylines in font units: x to the right,
// y upward, a digit inside 0..4 x 0..6. Empty for characters the font does not have.
struct GlyphStroke {
    std::span<const PixelPoint> points;
};
std::span<const GlyphStroke> glyphStrokes(char c);
// Horizontal advance in pixels after the character (0 when the font does not have it).
int glyphAdvance(char c);
// Offset of the text's first cell from the start pixel, so a CV label clears its marker.
inline constexpr int kTextOffsetX = 4;
inline constexpr int kTextOffsetY = 4;  // upward

}  // namespace orv
