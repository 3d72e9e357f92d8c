// Curve refinement and surface evaluation at typical interactive sizes. items/s counts output
// points (curve points or grid points).
#include <benchmark/benchmark.h>

#include <cmath>

#include "kernel/bspline.h"
#include "kernel/surface_grid.h"

namespace {

using orv::Point3;
using orv::PointArray;

// A wavy ring, like a shank profile.
PointArray ringCvs(int n) {
    PointArray cvs;
    for (int i = 0; i < n; ++i) {
        const float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
        const float r = 9.0f + 0.5f * std::sin(5.0f * a);
        cvs.push_back({r * std::cos(a), r * std::sin(a), 0.3f * std::cos(3.0f * a)});
    }
    return cvs;
}

PointArray bumpyNet(int rows, int columns) {
    PointArray net;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            net.push_back(
                {static_cast<float>(c), static_cast<float>(r),
                 std::sin(0.7f * static_cast<float>(c)) * std::cos(0.4f * static_cast<float>(r))});
    return net;
}

constexpr int kCurveCvs = 50;

void BM_ClosedCurve(benchmark::State& state) {
    const int resolution = static_cast<int>(state.range(0));
    const PointArray cvs = ringCvs(kCurveCvs);
    size_t points = 0;
    for (auto _ : state) {
        PointArray pts = orv::curvePoints(cvs.data(), kCurveCvs, false, false, true, resolution);
        points = pts.size();
        benchmark::DoNotOptimize(pts.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
}
BENCHMARK(BM_ClosedCurve)->Arg(8);

// The same with caller-owned buffers, as a redraw loop would do it: no allocation per call.
void BM_ClosedCurveReusedBuffers(benchmark::State& state) {
    const int resolution = static_cast<int>(state.range(0));
    const PointArray cvs = ringCvs(kCurveCvs);
    PointArray ext(static_cast<size_t>(orv::extendedCount(kCurveCvs, false, false, true)));
    PointArray pts;
    for (auto _ : state) {
        orv::extendCurveInto(cvs.data(), kCurveCvs, 1, false, false, true, ext.data(), 1);
        orv::limitPoints(ext.data(), static_cast<int>(ext.size()), resolution, pts);
        benchmark::DoNotOptimize(pts.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pts.size()));
}
BENCHMARK(BM_ClosedCurveReusedBuffers)->Arg(8);

// Worst case for the one-entry step cache: every call changes the resolution.
void BM_ClosedCurveAlternatingResolution(benchmark::State& state) {
    const PointArray cvs = ringCvs(kCurveCvs);
    size_t points = 0;
    int i = 0;
    for (auto _ : state) {
        const int resolution = (i++ & 1) ? 4 : 8;
        PointArray pts = orv::curvePoints(cvs.data(), kCurveCvs, false, false, true, resolution);
        points += pts.size();
        benchmark::DoNotOptimize(pts.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(points));
}
BENCHMARK(BM_ClosedCurveAlternatingResolution);

// 20 x 30 net, ends meeting: 19 x 29 patches, a 153 x 233 grid at 8 x 8.
void BM_EvaluateGrid(benchmark::State& state) {
    const int res = static_cast<int>(state.range(0));
    const bool derivatives = state.range(1) != 0;
    const PointArray net = bumpyNet(20, 30);
    const orv::ExtendedNet ext = orv::extendNet(net.data(), 20, 30, {});
    size_t points = 0;
    for (auto _ : state) {
        orv::PointGrid g = orv::evaluateGrid(orv::kBSplineBasis, ext, res, res, derivatives);
        points = g.points.size();
        benchmark::DoNotOptimize(g.points.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
}
BENCHMARK(BM_EvaluateGrid)->ArgNames({"res", "deriv"})->Args({8, 0})->Args({8, 1});

// The same into one grid kept across calls, as a redraw loop would: measures the evaluation
// rather than the allocator and first-touch page faults of three fresh arrays.
void BM_EvaluateGridReused(benchmark::State& state) {
    const int res = static_cast<int>(state.range(0));
    const bool derivatives = state.range(1) != 0;
    const PointArray net = bumpyNet(20, 30);
    const orv::ExtendedNet ext = orv::extendNet(net.data(), 20, 30, {});
    orv::PointGrid g;
    for (auto _ : state) {
        orv::evaluateGrid(orv::kBSplineBasis, ext, res, res, derivatives, g);
        benchmark::DoNotOptimize(g.points.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * g.points.size()));
}
BENCHMARK(BM_EvaluateGridReused)->ArgNames({"res", "deriv"})->Args({8, 0})->Args({8, 1});

// Extension plus evaluation, what a redraw of a changed net costs.
void BM_ExtendAndEvaluateGrid(benchmark::State& state) {
    const PointArray net = bumpyNet(20, 30);
    orv::NetEnds ends;
    ends.columnClosed = true;
    size_t points = 0;
    for (auto _ : state) {
        const orv::ExtendedNet ext = orv::extendNet(net.data(), 20, 30, ends);
        orv::PointGrid g = orv::evaluateGrid(orv::kBSplineBasis, ext, 8, 8, true);
        orv::fixSeams(g, false, true);
        points = g.points.size();
        benchmark::DoNotOptimize(g.points.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
}
BENCHMARK(BM_ExtendAndEvaluateGrid);

}  // namespace
