// Slicing the shipped sample ring at 0.0254 mm layers and 0.0254 mm XY cells, the finest
// preset most wax printers use. The slice file is built in memory; items/s counts slices.
// bench/compare_slicing.sh sets the same run beside another slicer's.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "model/design_file.h"
#include "output/slicer.h"

namespace {

namespace fs = std::filesystem;

void BM_SliceRing(benchmark::State& state) {
    orv::Document doc;
    if (orv::openDesign(doc, fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd") !=
        orv::FileStatus::Ok) {
        state.SkipWithError("examples/ring.ovd cannot be read");
        return;
    }
    orv::SliceJob job;
    job.thickness = 0.0254;
    job.xy = 0.0254;
    int64_t slices = 0, bytes = 0;
    for (auto _ : state) {
        std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
        const orv::SliceReport r = orv::sliceObjects(doc.objects(), job, out);
        if (r.status != orv::OutputStatus::Ok) {
            state.SkipWithError("slicing failed");
            return;
        }
        slices += r.slices;
        bytes += static_cast<int64_t>(out.tellp());
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(slices);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_SliceRing)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
