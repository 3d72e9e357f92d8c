#include "kernel/bspline.h"

#include <cstddef>

#include "kernel/matrix4.h"

namespace orv {

namespace {

// Sub-span step matrices for one resolution. Curves are refined in runs at the same
// resolution, so one entry per thread is enough: the table is rebuilt (in place, keeping its
// capacity) only when the resolution changes.
struct StepCache {
    int resolution = -1;
    std::vector<Matrix4> steps;
};

const std::vector<Matrix4>& stepMatrices(int resolution) {
    thread_local StepCache cache;
    if (cache.resolution == resolution) return cache.steps;

    Matrix4 basis;
    basis.m = kBSplineBasis;
    const Matrix4 basisInverse = inverse(basis);

    // Sub-span l covers t = (l + s) * d for s in [0, 1]. C re-expresses the powers of t as
    // powers of s, so M^-1 * C * M maps a span's CVs to the sub-span's CVs.
    const float d = 1.0f / static_cast<float>(resolution);
    const float d2 = d * d;
    const float d3 = d2 * d;
    cache.steps.resize(static_cast<size_t>(resolution));
    for (int l = 0; l < resolution; ++l) {
        const float lf = static_cast<float>(l);
        const float t = lf * d;
        Matrix4 c;
        // clang-format off
        c.m = {1.0f, t,    t * t,          t * t * t,
               0.0f, d,    2.0f * lf * d2, 3.0f * lf * lf * d3,
               0.0f, 0.0f, d2,             3.0f * lf * d3,
               0.0f, 0.0f, 0.0f,           d3};
        // clang-format on
        cache.steps[static_cast<size_t>(l)] = basisInverse * c * basis;
    }
    cache.resolution = resolution;
    return cache.steps;
}

// Row `row` of S applied to the four CVs starting at p.
Point3 applyRow(const Matrix4& s, int row, const Point3* p) {
    Point3 q;
    for (int k = 0; k < 4; ++k) q += s(row, k) * p[k];
    return q;
}

}  // namespace

int extendedCount(int n, bool freeStart, bool freeEnd, bool closed) {
    if (n <= 1) return 0;
    if (closed) return n + 3;
    return n + (freeStart ? 0 : 1) + (freeEnd ? 0 : 1);
}

void extendCurveInto(const Point3* cvs, int n, int stride, bool freeStart, bool freeEnd,
                     bool closed, Point3* out, int outStride) {
    if (n <= 1) return;
    auto cv = [&](int i) -> const Point3& { return cvs[static_cast<std::ptrdiff_t>(i) * stride]; };
    std::ptrdiff_t o = 0;
    auto emit = [&](const Point3& p) {
        out[o] = p;
        o += outStride;
    };
    if (closed) {
        emit(cv(n - 1));
        for (int i = 0; i < n; ++i) emit(cv(i));
        emit(cv(0));
        emit(cv(1));
        return;
    }
    // A phantom mirrored through the end CV makes the curve start exactly on that CV.
    if (!freeStart) emit(2.0f * cv(0) - cv(1));
    for (int i = 0; i < n; ++i) emit(cv(i));
    if (!freeEnd) emit(2.0f * cv(n - 1) - cv(n - 2));
}

PointArray extendCurve(const Point3* cvs, int n, int stride, bool freeStart, bool freeEnd,
                       bool closed) {
    PointArray out(static_cast<size_t>(extendedCount(n, freeStart, freeEnd, closed)));
    extendCurveInto(cvs, n, stride, freeStart, freeEnd, closed, out.data(), 1);
    return out;
}

void refinePolygon(const Point3* pts, int n, int resolution, PointArray& out) {
    out.clear();
    if (n < 4 || resolution < 1) return;
    const std::vector<Matrix4>& steps = stepMatrices(resolution);
    out.resize(static_cast<size_t>(resolution) * static_cast<size_t>(n - 3) + 3);
    size_t o = 0;
    for (int j = 0; j + 3 < n; ++j)
        for (int l = 0; l < resolution; ++l)
            out[o++] = applyRow(steps[static_cast<size_t>(l)], 0, pts + j);
    // The last sub-span contributes all four of its control points, closing the polygon.
    const Matrix4& last = steps.back();
    for (int k = 1; k < 4; ++k) out[o++] = applyRow(last, k, pts + (n - 4));
}

PointArray refinePolygon(const Point3* pts, int n, int resolution) {
    PointArray out;
    refinePolygon(pts, n, resolution, out);
    return out;
}

void limitPoints(const Point3* pts, int n, int resolution, PointArray& out) {
    out.clear();
    if (resolution < 1) {
        if (n < 3) return;
        out.assign(pts + 1, pts + (n - 1));
        return;
    }
    refinePolygon(pts, n, resolution, out);
    const size_t c = out.size();
    if (c <= 2) {
        out.clear();
        return;
    }
    // In place: point i only needs Q(i)..Q(i+2), and Q(i) is not read again afterwards.
    for (size_t i = 0; i + 2 < c; ++i)
        out[i] = (out[i] + 4.0f * out[i + 1] + out[i + 2]) * (1.0f / 6);
    out.resize(c - 2);
}

PointArray limitPoints(const Point3* pts, int n, int resolution) {
    PointArray out;
    limitPoints(pts, n, resolution, out);
    return out;
}

PointArray curvePoints(const Point3* cvs, int n, bool freeStart, bool freeEnd, bool closed,
                       int resolution) {
    const PointArray ext = extendCurve(cvs, n, 1, freeStart, freeEnd, closed);
    return limitPoints(ext.data(), static_cast<int>(ext.size()), resolution);
}

}  // namespace orv
