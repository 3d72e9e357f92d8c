// The solid evaluator and the estimates on the shipped sample ring (about 21 x 21 x 4 mm):
// - WeightEstimate: the whole "Weight" computation at 0.05 mm cells (box, tree, 420 slices of
//   426 rows), wall time per estimate;
// - SliceScan: the evaluator alone at a finer cell, items/s counting slices (every row of a
//   slice queried), so that the per-slice cost shows apart from the set-up;
// - Build: gathering the tree (grid evaluation, caps, facet set-up) only.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "model/design_file.h"
#include "model/document.h"
#include "output/estimate.h"
#include "output/scanline.h"

namespace {

namespace fs = std::filesystem;

// The sample ring: $ORV_SAMPLE_RING, else next to this source, else below the working
// directory. Null when none opens.
const orv::Document* ring() {
    static orv::Document doc;
    static const bool loaded = [] {
        std::vector<fs::path> candidates;
        if (const char* env = std::getenv("ORV_SAMPLE_RING")) candidates.emplace_back(env);
        candidates.push_back(fs::path(__FILE__).parent_path() / ".." / "examples" / "ring.ovd");
        candidates.push_back(fs::path("examples") / "ring.ovd");
        for (const fs::path& p : candidates)
            if (orv::openDesign(doc, p) == orv::FileStatus::Ok) return true;
        return false;
    }();
    return loaded ? &doc : nullptr;
}

void WeightEstimate(benchmark::State& state) {
    if (!ring()) return state.SkipWithError("examples/ring.ovd not found (set ORV_SAMPLE_RING)");
    const orv::ObjectList& objects = ring()->objects();
    double volume = 0.0;
    for (auto _ : state) {
        const orv::SolidEstimate e = orv::estimateSolid(objects);
        volume = e.volume;
        benchmark::ClobberMemory();
    }
    state.counters["volume_mm3"] = volume;
}
BENCHMARK(WeightEstimate)->Unit(benchmark::kMillisecond)->UseRealTime();

orv::ScanFrame ringFrame(float cell, int& slices) {
    const orv::BoundingBox box = orv::solidBoundingBox(ring()->objects());
    slices = static_cast<int>(std::ceil((box.hi.y - box.lo.y) / cell));
    const int rows = static_cast<int>(std::ceil((box.hi.x - box.lo.x) / cell));
    return orv::ScanFrame::grid(1, 0, 2, box.lo, {cell, cell, cell}, rows);
}

void SliceScan(benchmark::State& state) {
    if (!ring()) return state.SkipWithError("examples/ring.ovd not found (set ORV_SAMPLE_RING)");
    const float cell = static_cast<float>(state.range(0)) / 1000.0f;
    int slices = 0;
    const orv::ScanFrame frame = ringFrame(cell, slices);
    orv::SolidEvaluator e;
    int64_t done = 0;
    size_t intervals = 0;
    for (auto _ : state) {
        state.PauseTiming();
        e.build(ring()->objects(), frame);
        state.ResumeTiming();
        for (int s = 0; s < slices; ++s) {
            e.advance(s);
            for (int r = e.firstRow(); r <= e.lastRow(); ++r) intervals += e.intervals(r).size();
        }
        done += slices;
    }
    benchmark::DoNotOptimize(intervals);
    state.SetItemsProcessed(done);
    state.counters["rows_per_slice"] = frame.rowCount;
}
BENCHMARK(SliceScan)->Arg(50)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

void Build(benchmark::State& state) {
    if (!ring()) return state.SkipWithError("examples/ring.ovd not found (set ORV_SAMPLE_RING)");
    int slices = 0;
    const orv::ScanFrame frame = ringFrame(0.05f, slices);
    orv::SolidEvaluator e;
    for (auto _ : state) {
        e.build(ring()->objects(), frame);
        benchmark::DoNotOptimize(e.counts().facets);
    }
    state.counters["facets"] = static_cast<double>(e.counts().facets);
}
BENCHMARK(Build)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
