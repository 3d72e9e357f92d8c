#include "view/view_drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/layers.h"
#include "model/object_list.h"
#include "model/objects.h"
#include "view/view_camera.h"
#include "view/wire_drawing.h"

namespace orv {

namespace {

BoundingBox transformedBox(const BoundingBox& box, const Matrix4& M) {
    BoundingBox out;
    if (box.empty()) return out;
    for (int i = 0; i < 8; ++i) {
        Point3 p{(i & 1) ? box.hi.x : box.lo.x, (i & 2) ? box.hi.y : box.lo.y,
                 (i & 4) ? box.hi.z : box.lo.z};
        out.grow(transformPoint(p, M));
    }
    return out;
}

bool isCurveOrTLine(const ModelObject& o) {
    return o.classNumber() == kClassCurve || o.classNumber() == kClassTLine;
}

}  // namespace

PixelRect redrawArea(const ViewCamera& camera) {
    if (camera.dirtyValid)
        return {camera.dirtyLeft, camera.dirtyTop, camera.dirtyRight, camera.dirtyBottom};
    return {camera.originX, camera.originY, camera.originX + camera.width,
            camera.originY + camera.height};
}

BoundingBox displayBox(const ModelObject& object) {
    switch (object.classNumber()) {
        case kClassCurve:
        case kClassSurface:
        case kClassFacet: {
            BoundingBox box;
            for (const Point3& p : static_cast<const CvObject&>(object).cvs) box.grow(p);
            return box;
        }
        case kClassBoolean: {
            const auto& b = static_cast<const BooleanObject&>(object);
            BoundingBox box;
            for (size_t i = 0; i < b.children.size(); ++i) {
                if (b.operation == kSubtract && !b.showSubtractors && i > 0) break;
                if (b.children[i].visible()) box.grow(displayBox(b.children[i]));
            }
            return box;
        }
        case kClassBlock: {
            const auto& b = static_cast<const BlockObject&>(object);
            if (b.generatedSides.empty() && b.generatedEnds.empty()) return b.boundingBox(Matrix4::identity());
            BoundingBox local;
            auto add = [&](const ModelObject& o) {
                if (o.visible()) local.grow(displayBox(o));
            };
            b.generatedSides.forEach(add);
            b.generatedEnds.forEach(add);
            return transformedBox(local, b.placement);
        }
        case kClassGem: {
            Matrix4 composite;
            const ModelObject* stone = static_cast<const GemInstance&>(object).resolve(composite);
            return stone ? transformedBox(displayBox(*stone), composite) : BoundingBox{};
        }
        default: return object.boundingBox(Matrix4::identity());
    }
}

bool isBoxInView(const BoundingBox& box, const ViewCamera& camera, int mode) {
    if (box.empty()) return false;
    float minX = std::numeric_limits<float>::infinity(), minY = minX;
    float maxX = -minX, maxY = -minX;
    for (int i = 0; i < 8; ++i) {
        Point3 p{(i & 1) ? box.hi.x : box.lo.x, (i & 2) ? box.hi.y : box.lo.y,
                 (i & 4) ? box.hi.z : box.lo.z};
        Point3 w = transformPoint(p, camera.transform);
        minX = std::min(minX, w.x);
        maxX = std::max(maxX, w.x);
        minY = std::min(minY, w.y);
        maxY = std::max(maxY, w.y);
    }
    if (mode == rendermode::kNormalWire || mode == rendermode::kFastShading) {
        // CV numbers are drawn to the upper right of their CVs.
        minX -= 10, maxX += 50, minY -= 50, maxY += 10;
    } else {
        minX -= 2, maxX += 2, minY -= 2, maxY += 2;
    }
    PixelRect a = redrawArea(camera);
    bool out = float(a.right) <= minX || float(a.bottom) <= minY || maxX < float(a.left) ||
               maxY <= float(a.top);
    return !out;
}

bool isInView(const ModelObject& object, const ViewCamera& camera, int mode) {
    if (object.classNumber() == kClassTLine) return true;
    return isBoxInView(displayBox(object), camera, mode);
}

// ---- grid ----

GridPlan planGrid(const ViewCamera& camera, const DisplaySettings& settings) {
    GridPlan g;
    if (camera.direction == viewdir::kThreeD || camera.renderMode > rendermode::kFastShading) return g;
    ViewAxes axes = camera.axes();
    g.rightAxis = axes.axis[0];
    g.upAxis = axes.axis[1];
    g.depthAxis = axes.axis[2];

    const float x0 = float(camera.originX), y0 = float(camera.originY);
    const float x1 = x0 + float(camera.width), y1 = y0 + float(camera.height);
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
    double lo[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    double hi[2] = {-lo[0], -lo[1]};
    for (const auto& c : corners) {
        Point3 p{0, 0, 0};
        if (!camera.screenToPlane(g.depthAxis, c[0], c[1], p)) return g;
        const double v[2] = {p[g.rightAxis], p[g.upAxis]};
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    for (int k = 0; k < 2; ++k)
        if (!std::isfinite(lo[k]) || !std::isfinite(hi[k])) return g;

    g.shown = true;
    if (settings.gridShown()) {
        const double S = settings.gridSpacing, V = 10.0 * S;
        for (int k = 0; k < 2; ++k) {
            lo[k] = V * std::trunc(lo[k] / V - 1.0);
            hi[k] = V * std::trunc(hi[k] / V + 1.0);
        }
        g.spacing = settings.gridSpacing;
        // Lines less than a pixel apart merge into one solid area; drawing them one by one
        // would only take (possibly very) long to give the same picture.
        if (S * camera.pixelScale() < 1.0) {
            g.solid = true;
        } else {
            for (int k = 0; k < 2; ++k)
                g.lineCount[k] = static_cast<int>(std::floor((hi[k] - lo[k]) / S + 0.5)) + 1;
        }
    }
    for (int k = 0; k < 2; ++k) {
        g.low[k] = static_cast<float>(lo[k]);
        g.high[k] = static_cast<float>(hi[k]);
    }
    g.axisAlongRight = lo[1] <= 0.0 && 0.0 <= hi[1];
    g.axisAlongUp = lo[0] <= 0.0 && 0.0 <= hi[0];
    return g;
}

void drawGrid(const GridPlan& g, LineRenderer& r, const DisplayColours& colours,
              const PixelRect& area) {
    if (!g.shown) return;
    auto point = [&](double right, double up) {
        Point3 p{0, 0, 0};
        p[g.rightAxis] = static_cast<float>(right);
        p[g.upAxis] = static_cast<float>(up);
        return p;
    };
    auto line = [&](const Point3& a, const Point3& b) {
        const Point3 ends[2] = {a, b};
        r.drawPolyline(ends, 2, false);
    };
    if (g.solid) {
        r.fillRect(area.left, area.top, area.right, area.bottom, colours.grid);
    } else if (g.lineCount[0] > 0 || g.lineCount[1] > 0) {
        r.setPen(colours.grid);
        for (int i = 0; i < g.lineCount[0]; ++i) {
            double x = double(g.low[0]) + i * double(g.spacing);
            line(point(x, g.low[1]), point(x, g.high[1]));
        }
        for (int i = 0; i < g.lineCount[1]; ++i) {
            double y = double(g.low[1]) + i * double(g.spacing);
            line(point(g.low[0], y), point(g.high[0], y));
        }
    }
    if (g.axisAlongRight || g.axisAlongUp) r.setPen(colours.axis);
    if (g.axisAlongRight) line(point(g.low[0], 0), point(g.high[0], 0));
    if (g.axisAlongUp) line(point(0, g.low[1]), point(0, g.high[1]));
}

// ---- redraw ----

RedrawPlan planRedraw(const ViewCamera& camera, bool interactive, bool interruptPending) {
    RedrawPlan p;
    p.skip = camera.dirtyEmpty();
    p.mode = camera.renderMode;
    bool busy = interactive || interruptPending;
    if (p.mode > rendermode::kFastShading && busy) p.mode = rendermode::kFastShading;
    p.offscreen = busy && p.mode < rendermode::kFastShading;
    return p;
}

RedrawResult redrawView(ViewCamera& camera, const ObjectList& objects, LineRenderer& r,
                        const RedrawOptions& options) {
    RedrawResult result;
    camera.applyCamera();
    const RedrawPlan plan = options.plan ? *options.plan : planRedraw(camera, false, false);
    if (plan.skip || camera.dirtyEmpty()) {
        // An empty rectangle left pending would be unioned into the next one as a stray point.
        camera.clearDirty();
        return result;
    }
    const int m = plan.mode;
    const DisplayColours& colours = options.settings.colours;
    r.setColours(colours);
    r.setLayers(options.layers);
    r.bindView(camera);
    const LayerTable& layers = r.layers();
    const PixelRect area = redrawArea(camera);
    result.drawn = true;
    result.mode = m;

    if (m < rendermode::kFastShading) {
        r.fillRect(area.left, area.top, area.right, area.bottom, colours.back);
        if (options.hooks.background) options.hooks.background(r, area);
    } else if (m == rendermode::kFastShading) {
        if (options.hooks.shading) {
            ShadedSceneOptions so;
            so.colours = colours;
            so.layers = options.layers;
            so.preview = options.preview;
            so.triangulate = options.triangulate;
            options.hooks.shading->drawShaded(buildShadedScene(camera, objects, so));
        }
    } else if (options.hooks.photo) {
        options.hooks.photo(m);
    }

    drawGrid(planGrid(camera, options.settings), r, colours, area);

    objects.forEach([&](const ModelObject& o) {
        if (!o.visible() || !layers.visible(o.layer)) return;
        int drawMode = m;
        bool test = m != rendermode::kQuickWire;
        if (m >= rendermode::kFastShading) {
            if (!isCurveOrTLine(o)) return;
            drawMode = rendermode::kMeshWire;
        }
        if (test && !isInView(o, camera, m)) {
            ++result.objectsCulled;
            return;
        }
        r.setObjectPen(o.state, o.layer);
        drawObject(o, r, drawMode);
        ++result.objectsDrawn;
    });

    if (options.preview && !options.preview->objects.empty() && m != rendermode::kFastShading) {
        r.setPen(colours.pick);
        LineRenderer::ModelScope moved(r, options.preview->transform);
        for (const ModelObject* o : options.preview->objects)
            if (o) drawObject(*o, r, m);
    }

    r.flush();
    if (options.hooks.afterRedraw) options.hooks.afterRedraw();
    camera.clearDirty();
    return result;
}

}  // namespace orv
