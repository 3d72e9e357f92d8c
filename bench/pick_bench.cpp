// One click in a design of 10,000 curves: the time from button down to button up through the
// pick operation, hit test by drawing included (the view redraws are not part of it).
#include <benchmark/benchmark.h>

#include "model/objects.h"
#include "model/layers.h"
#include "ops/operation.h"
#include "view/picking.h"

namespace orv {
namespace {

void fill(Document& doc) {
    for (int k = 0; k < 10000; ++k) {
        auto c = std::make_unique<CurveObject>();
        float x = float(k % 100) * 2.0f, z = float(k / 100) * 2.0f;
        c->setCvs({{x, 0, z}, {x + 0.5f, 0, z + 1}, {x + 1, 0, z}, {x + 1.5f, 0, z + 1}});
        doc.addObject(std::move(c), true)->state = 0;
    }
}

// The hit test alone: every shown curve drawn in hit-test mode around one pixel.
void BM_PickHitTest10000Curves(benchmark::State& state) {
    Document doc;
    fill(doc);
    ViewCamera camera;
    camera.setSize(1280, 800);
    zoomAll(camera, doc.objects());
    camera.applyCamera();
    LayerTable layers;
    PickSettings settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(pickObjectAt(camera, doc.objects(), layers, settings, 640, 400, 0));
}
BENCHMARK(BM_PickHitTest10000Curves)->Unit(benchmark::kMillisecond);

// The whole click through the pick operation, including the redraw of the (windowless) view
// that shows the new selection.
void BM_PickClick10000Curves(benchmark::State& state) {
    Document doc;
    fill(doc);
    HeadlessPlatform platform;
    Interaction interaction(platform);
    HeadlessView view(&doc, 1, 1280, 800);
    platform.views.push_back(&view);
    zoomAll(view.camera(), doc.objects());
    interaction.setCurrentView(&view);
    interaction.runCommand(opcmd::kPick);
    // Count the redraws' work out: the pick itself is what is timed.
    for (auto _ : state) {
        PointerEvent down{PointerEvent::Down, 0, 640, 400};
        PointerEvent up{PointerEvent::Up, 0, 640, 400};
        interaction.pointer(view, down);
        interaction.pointer(view, up);
    }
    state.counters["redraws"] = double(view.redraws()) / double(state.iterations());
}
BENCHMARK(BM_PickClick10000Curves)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
