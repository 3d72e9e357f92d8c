// Redraw cost of a 1280 x 800 front view of a design of 200 surfaces (8 x 10 CVs at level 8,
// undulating bands laid out 20 across and 10 up), in normal wire frame, and the cost of
// building the same view's fast-shading scene.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "model/object_list.h"
#include "model/objects.h"
#include "view/line_renderer.h"
#include "view/shaded_scene.h"
#include "view/view_camera.h"
#include "view/view_drawing.h"

namespace orv {
namespace {

ObjectList design() {
    ObjectList objects;
    constexpr int kRows = 8, kColumns = 10;
    for (int k = 0; k < 200; ++k) {
        const float ox = static_cast<float>(k % 20) * 12.0f - 120.0f;
        const float oz = static_cast<float>(k / 20) * 12.0f - 60.0f;
        auto s = std::make_unique<SurfaceObject>();
        std::vector<Point3> cvs;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                cvs.push_back({ox + c * 1.1f, 2.0f * std::sin(0.7f * c + 0.3f * r + k), oz + r * 1.4f});
        s->setCvs(std::move(cvs));
        s->rows = kRows;
        s->columns = kColumns;
        s->hideCv = false;
        s->state = k % 7 == 0 ? objstate::kPicked : objstate::kNormal;
        s->layer = k % 5;
        objects.append(std::move(s));
    }
    return objects;
}

ViewCamera frontView(const ObjectList& objects, int mode) {
    ViewCamera cam;
    cam.direction = viewdir::kFront;
    cam.resetView();
    cam.setSize(1280, 800);
    zoomAll(cam, objects);
    cam.renderMode = mode;
    cam.applyCamera();
    return cam;
}

// Counts what reaches the platform: runs, their points and pen changes.
class CountingCanvas final : public LineCanvas {
public:
    void setPen(uint32_t) override { ++pens; }
    void moveTo(int, int) override { ++runs; }
    void lineTo(int, int) override { ++lines; }
    void fillRect(int, int, int, int, uint32_t) override { ++fills; }
    void polyline(const PixelPoint*, size_t n) override {
        ++runs;
        lines += static_cast<int64_t>(n) - 1;
    }
    int64_t pens = 0, runs = 0, lines = 0, fills = 0;
};

void redraw(benchmark::State& state, LineCanvas& canvas, int mode) {
    ObjectList objects = design();
    ViewCamera cam = frontView(objects, mode);
    LineRenderer renderer(canvas);
    RedrawResult result;
    for (auto _ : state) {
        result = redrawView(cam, objects, renderer);
        benchmark::ClobberMemory();
    }
    state.counters["objects"] = result.objectsDrawn;
}

// Wire modes into a canvas that draws nothing: 0 normal, 10 quick, 20 mesh.
void BM_RedrawWireNull(benchmark::State& state) {
    NullCanvas canvas;
    redraw(state, canvas, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_RedrawWireNull)->ArgName("mode")->Arg(0)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_RedrawNormalWireCounting(benchmark::State& state) {
    CountingCanvas canvas;
    redraw(state, canvas, 0);
    const double n = static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(canvas.lines) / n;
    state.counters["runs"] = static_cast<double>(canvas.runs) / n;
    state.counters["pens"] = static_cast<double>(canvas.pens) / n;
}
BENCHMARK(BM_RedrawNormalWireCounting)->Unit(benchmark::kMillisecond);


void BM_ShadedSceneBuild(benchmark::State& state) {
    ObjectList objects = design();
    ViewCamera cam = frontView(objects, 100);
    ShadedSceneOptions options;
    ShadedScene scene;
    for (auto _ : state) {
        buildShadedScene(cam, objects, options, scene);
        benchmark::DoNotOptimize(scene.meshes.data());
    }
    state.counters["triangles"] = static_cast<double>(scene.triangleCount());
    state.counters["meshes"] = static_cast<double>(scene.meshes.size());
}
BENCHMARK(BM_ShadedSceneBuild)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
