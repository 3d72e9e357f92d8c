#pragma once
// Drawing a whole view: background, grid and axes, the shown objects in the view's display
// mode, and the previews of a running operation, through a LineRenderer bound to the view.
// Shading and rendering passes are left to the platform through the hooks.
#include <functional>
#include <optional>

#include "kernel/bbox.h"
#include "view/display_settings.h"
#include "view/line_renderer.h"
#include "view/shaded_scene.h"

namespace orv {

class LayerTable;
class ModelObject;
class ObjectList;
class ViewCamera;

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The pending repaint rectangle, or the whole drawing area when none is set.
PixelRect redrawArea(const ViewCamera& camera);

// World box that encloses everything an object draws: its CVs for objects with CVs (a
// B-spline never leaves the box of its CVs, and the CV markers are drawn too), the shown
// children of Booleans, and placed objects through their placements. Empty when the object
// draws nothing.
BoundingBox displayBox(const ModelObject& object);

// Visibility test of drawing and picking: the box's window extent, widened for CV numbers
// in modes 0 and 100 (10 pixels left and down, 50 right and up) and by 2 pixels otherwise,
// against redrawArea(). `camera` must have been applied.
bool isBoxInView(const BoundingBox& box, const ViewCamera& camera, int mode);
// The same for an object; T-lines are always in view, objects that draw nothing never.
bool isInView(const ModelObject& object, const ViewCamera& camera, int mode);

// The grid of an orthographic view: lines every `spacing` between the bounds, on the plane
// through the world origin perpendicular to the depth axis.
struct GridPlan {
    bool shown = false;       // false in 3D views and in shading and rendering modes
    int rightAxis = 0, upAxis = 2, depthAxis = 1;
    float low[2] = {0, 0};    // bounds along the right and up axes
    float high[2] = {0, 0};
    float spacing = 0.0f;     // 0: axes only
    int lineCount[2] = {0, 0};  // lines across the right axis, across the up axis
    // Lines closer together than the pixels: the grid is a solid fill of the grid colour.
    bool solid = false;
    bool axisAlongRight = false;  // the up-coordinate 0 lies within the bounds
    bool axisAlongUp = false;     // the right-coordinate 0 lies within the bounds
};
GridPlan planGrid(const ViewCamera& camera, const DisplaySettings& settings);
void drawGrid(const GridPlan& grid, LineRenderer& renderer, const DisplayColours& colours,
              const PixelRect& area);

// How a redraw goes, decided before it starts: the platform needs `offscreen` to choose its
// canvas.
struct RedrawPlan {
    bool skip = false;       // the pending repaint rectangle is empty: draw nothing
    int mode = 0;            // effective mode: shading and rendering fall back to fast
                             // shading while the user drags or has pressed a key or button
    bool offscreen = false;  // wire modes draw into the back buffer and copy it at once
};
RedrawPlan planRedraw(const ViewCamera& camera, bool interactive, bool interruptPending);

struct RedrawHooks {
    // Background image of wire modes, after the background fill.
    std::function<void(LineRenderer&, const PixelRect&)> background;
    // Fast shading (effective mode 100) goes here as a scene.
    ShadedSceneSink* shading = nullptr;
    // Photo renderer passes (effective modes 300 and 400).
    std::function<void(int mode)> photo;
    // After the scene is complete: the operation feedback is refreshed over it.
    std::function<void()> afterRedraw;
};

struct RedrawOptions {
    DisplaySettings settings;
    const LayerTable* layers = nullptr;  // nullptr: the default table
    std::optional<RedrawPlan> plan;      // default: planRedraw(camera, false, false)
    const PreviewSet* preview = nullptr;
    RedrawHooks hooks;
    CapTriangulator triangulate;         // for block caps in fast shading
};

struct RedrawResult {
    bool drawn = false;
    int mode = 0;
    int objectsDrawn = 0;   // top-level objects drawn as wires
    int objectsCulled = 0;  // shown objects left out as lying outside the view
};

// The full redraw of a view. Applies the camera, binds `renderer` to it (and to the
// settings' colours and the layer table), draws, flushes, runs afterRedraw and clears the
// camera's dirty rectangle.
RedrawResult redrawView(ViewCamera& camera, const ObjectList& objects, LineRenderer& renderer,
                        const RedrawOptions& options = {});

}  // namespace orv
