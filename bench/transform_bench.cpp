// One mouse move of a Move drag over 1,000 picked curves in a wire-frame view: the drag's
// previous step undone, the new total applied and recorded, and the moving curves drawn
// again as feedback over the clean scene. No view is redrawn per move.
#include <benchmark/benchmark.h>

#include "model/document.h"
#include "model/objects.h"
#include "ops/transform_ops.h"

namespace orv {
namespace {

void fill(Document& doc, int count) {
    for (int k = 0; k < count; ++k) {
        auto c = std::make_unique<CurveObject>();
        float x = float(k % 40) * 2.0f - 40.0f, z = float(k / 40) * 2.0f - 25.0f;
        c->setCvs({{x, 0, z}, {x + 0.5f, 0, z + 1}, {x + 1, 0, z}, {x + 1.5f, 0, z + 1}});
        doc.addObject(std::move(c), true);  // picked
    }
}

void BM_MoveDragStep1000Curves(benchmark::State& state) {
    Document doc;
    fill(doc, 1000);
    HeadlessPlatform platform;
    Interaction interaction(platform);
    HeadlessView view(&doc, viewdir::kFront, 1280, 800);
    platform.views.push_back(&view);
    zoomAll(view.camera(), doc.objects());
    interaction.setCurrentView(&view);
    startTransformOperation(interaction, xformcmd::kMove);
    interaction.redrawAllViews();
    const int redrawsBefore = view.redraws();
    interaction.pointer(view, {PointerEvent::Down, 0, 640, 400});
    // Back and forth between two points far enough apart to change the snapped offset.
    bool far = false;
    for (auto _ : state) {
        far = !far;
        interaction.pointer(view, {PointerEvent::Move, 0, far ? 840 : 740, 400});
    }
    state.counters["redraws/move"] =
        double(view.redraws() - redrawsBefore) / double(state.iterations());
    interaction.pointer(view, {PointerEvent::Up, 0, 840, 400});
}
BENCHMARK(BM_MoveDragStep1000Curves)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
