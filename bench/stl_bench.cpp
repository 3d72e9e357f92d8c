// STL export of a design of about a million triangles: closed rings (tori) and capped tubes
// spread over a tray. items/s counts triangles written; bytes/s the file size; both per second
// of wall time, since writing a file is the point. The plain
// write benchmarks put the same number of bytes into a file with stdio, for comparison; the
// exports also sync the file and rename it into place, so the "synced" variant is the fair
// reference for them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <ostream>
#include <streambuf>
#include <vector>

#include "model/object_list.h"
#include "model/objects.h"
#include "output/mesh_writer.h"
#include "output/stl.h"

namespace {

using orv::ObjectList;
using orv::Point3;
namespace fs = std::filesystem;

Point3 onRing(int i, int n, float radius) {
    const float t =
        2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(n);
    const float k = radius * 3.0f / (std::cos(2.0f * std::numbers::pi_v<float> / n) + 2.0f);
    return {k * std::cos(t), k * std::sin(t), 0.0f};
}

std::unique_ptr<orv::SurfaceObject> surface(int rows, int columns, bool rowClosed,
                                            bool columnClosed, std::vector<Point3> cvs) {
    auto s = std::make_unique<orv::SurfaceObject>();
    s->rows = static_cast<uint32_t>(rows);
    s->columns = static_cast<uint32_t>(columns);
    s->rowClosed = rowClosed;
    s->columnClosed = columnClosed;
    s->setCvs(std::move(cvs));
    return s;
}

// A ring shank: 12 x 8 CVs closed both ways, 96 x 64 cells.
std::unique_ptr<orv::SurfaceObject> ring(float x, float y) {
    std::vector<Point3> cvs;
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 8; ++c) {
            const Point3 section = onRing(c, 8, 1.2f + 0.1f * static_cast<float>(c % 2));
            const Point3 around = onRing(r, 12, 1.0f);
            const float reach = 9.0f + section.x;
            cvs.push_back({x + around.x * reach, y + around.y * reach, section.y});
        }
    return surface(12, 8, true, true, std::move(cvs));
}

// A setting tube: 8 x 4 CVs closed round the axis, open along it, so it gets two caps.
std::unique_ptr<orv::SurfaceObject> tube(float x, float y) {
    std::vector<Point3> cvs;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 4; ++c) {
            const Point3 p = onRing(r, 8, 2.5f);
            cvs.push_back({x + p.x, y + p.y, 1.5f * static_cast<float>(c)});
        }
    return surface(8, 4, true, false, std::move(cvs));
}

const ObjectList& tray() {
    static const ObjectList list = [] {
        ObjectList l;
        for (int i = 0; i < 64; ++i)
            l.append(ring(25.0f * static_cast<float>(i % 8), 25.0f * static_cast<float>(i / 8)));
        for (int i = 0; i < 80; ++i)
            l.append(tube(-20.0f - 7.0f * static_cast<float>(i % 10),
                          7.0f * static_cast<float>(i / 10)));
        return l;
    }();
    return list;
}

class CountingWriter final : public orv::MeshWriter {
public:
    void begin() override { count = 0; }
    void triangle(const Point3& a, const Point3&, const Point3&) override {
        benchmark::DoNotOptimize(a);
        ++count;
    }
    void end() override {}
    int64_t count = 0;
};

int64_t triangleCount() {
    CountingWriter w;
    orv::writeMesh(tray(), w);
    return w.count;
}

// Counts what an ASCII export would write, without writing it.
class CountingBuffer final : public std::streambuf {
public:
    int64_t bytes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += n;
        return n;
    }
    int_type overflow(int_type c) override {
        ++bytes;
        return traits_type::not_eof(c);
    }
};

int64_t asciiSize() {
    CountingBuffer counter;
    std::ostream out(&counter);
    orv::writeStlAscii(tray(), out);
    return counter.bytes;
}

const fs::path kFile = fs::temp_directory_path() / "orv_stl_bench.stl";

// Evaluation, caps and the walk alone, without any output.
void BM_MeshWalk(benchmark::State& state) {
    CountingWriter w;
    for (auto _ : state) orv::writeMesh(tray(), w);
    state.SetItemsProcessed(state.iterations() * w.count);
}
BENCHMARK(BM_MeshWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

template <class Write>
void exportBench(benchmark::State& state, Write write) {
    const int64_t triangles = triangleCount();
    for (auto _ : state) {
        if (write(tray(), kFile) != orv::FileStatus::Ok) state.SkipWithError("export failed");
    }
    state.SetItemsProcessed(state.iterations() * triangles);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(kFile)));
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["bytes"] = static_cast<double>(fs::file_size(kFile));
    fs::remove(kFile);
}

void BM_StlBinaryFile(benchmark::State& state) {
    exportBench(state,
                [](const ObjectList& l, const fs::path& p) { return orv::writeStlBinary(l, p); });
}
BENCHMARK(BM_StlBinaryFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StlAsciiFile(benchmark::State& state) {
    exportBench(state,
                [](const ObjectList& l, const fs::path& p) { return orv::writeStlAscii(l, p); });
}
BENCHMARK(BM_StlAsciiFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes through stdio in 64 KiB blocks; range(0) selects the binary or ASCII size,
// range(1) whether the file is synced before closing.
void BM_PlainWrite(benchmark::State& state) {
    const int64_t triangles = triangleCount();
    const int64_t bytes = state.range(0) == 0 ? 84 + 50 * triangles : asciiSize();
    const bool sync = state.range(1) != 0;
    std::vector<char> block(size_t{1} << 16, 'x');
    for (auto _ : state) {
        FILE* f = std::fopen(kFile.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot open");
            break;
        }
        for (int64_t left = bytes; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(left, 1 << 16));
            std::fwrite(block.data(), 1, n, f);
            left -= static_cast<int64_t>(n);
        }
        std::fflush(f);
        if (sync) ::fsync(fileno(f));
        std::fclose(f);
    }
    state.SetItemsProcessed(state.iterations() * triangles);
    state.SetBytesProcessed(state.iterations() * bytes);
    fs::remove(kFile);
}
BENCHMARK(BM_PlainWrite)
    ->ArgNames({"ascii", "sync"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
