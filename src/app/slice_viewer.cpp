#include "app/slice_viewer.h"

#include <algorithm>
#include <cstdio>

#include "app/ui_strings.h"
#include "view/line_renderer.h"

namespace orv {

int64_t SliceViewer::open(const std::filesystem::path& name, bool displayInch) {
    const std::filesystem::path full = withDefaultExtension(name, "slc");
    SliceFile f;
    const int64_t n = loadSlc(full, f);
    if (n < 0) {
        *this = SliceViewer{};
        return n;
    }
    path = full;
    file = std::move(f);
    loaded = true;
    current = 0;
    factor = file.toMillimetres() * (displayInch ? 1.0f / 25.4f : 1.0f);
    return n;
}

void SliceViewer::setLayer(int layer) {
    current = std::clamp(layer, 0, std::max(0, layerCount() - 1));
}

std::string SliceViewer::title() const {
    std::string t(uiText(32300));
    if (!loaded) return t;
    char counts[64];
    std::snprintf(counts, sizeof counts, " [ %d / %d ]", current + 1, layerCount());
    return t + " : " + path.filename().string() + counts;
}

void drawSliceLayer(const SliceViewer& viewer, int layer, LineRenderer& renderer) {
    if (layer < 0 || layer >= viewer.layerCount()) return;
    const SlcLayer& l = viewer.file.layers[static_cast<size_t>(layer)];
    const float f = viewer.factor;
    const uint32_t previous = renderer.setPen(kSliceColour);
    std::vector<Point3>& points = renderer.scratch(0);
    for (const SlcBoundary& b : l.boundaries) {
        size_t n = b.points.size();
        if (n >= 2 && b.points.front() == b.points.back()) --n;  // drawn closed instead
        if (n < 2) continue;
        points.clear();
        for (size_t i = 0; i < n; ++i)
            points.push_back({b.points[i].x * f, b.points[i].y * f, l.z * f});
        renderer.drawPolyline(points, true);
    }
    renderer.setPen(previous);
}

void drawAllSliceLayers(const SliceViewer& viewer, LineRenderer& renderer) {
    for (int k = 0; k < viewer.layerCount(); ++k) drawSliceLayer(viewer, k, renderer);
}

}  // namespace orv
