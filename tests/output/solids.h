#pragma once
// Closed test solids with known volumes, and a small helper that samples a design.
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "curves/ready_made.h"
#include "kernel/view_axes.h"
#include "model/object_list.h"
#include "model/objects.h"
#include "output/scanline.h"
#include "surfaces/sweep_surfaces.h"

namespace orv::test {

// A list owning the given objects, in order.
inline ObjectList listOf(std::vector<std::unique_ptr<ModelObject>> objects) {
    ObjectList list;
    for (auto& o : objects) list.append(std::move(o));
    return list;
}

template <class... T>
ObjectList listOf(std::unique_ptr<T>... objects) {
    std::vector<std::unique_ptr<ModelObject>> v;
    (v.push_back(std::move(objects)), ...);
    return listOf(std::move(v));
}

// An axis-aligned box as a facet object of six outward quads.
inline std::unique_ptr<FacetObject> box(Point3 lo, Point3 hi) {
    auto f = std::make_unique<FacetObject>();
    std::vector<Point3> p;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                p.push_back({i ? hi.x : lo.x, j ? hi.y : lo.y, k ? hi.z : lo.z});
    f->setCvs(std::move(p));
    f->faceSizes = {4, 4, 4, 4, 4, 4};
    f->faceIndices = {0, 2, 3, 1, 4, 5, 7, 6, 0, 1, 5, 4, 2, 6, 7, 3, 0, 4, 6, 2, 1, 3, 7, 5};
    return f;
}

// A latitude-longitude sphere as a facet object (triangles at the poles, quads elsewhere).
inline std::unique_ptr<FacetObject> sphere(Point3 c, float radius, int stacks = 16,
                                           int around = 24) {
    auto f = std::make_unique<FacetObject>();
    std::vector<Point3> p;
    p.push_back(c + Point3{0, 0, -radius});
    for (int s = 1; s < stacks; ++s) {
        const double phi = std::numbers::pi * s / stacks - std::numbers::pi / 2;
        for (int a = 0; a < around; ++a) {
            const double t = 2 * std::numbers::pi * a / around;
            p.push_back(c + Point3{static_cast<float>(radius * std::cos(phi) * std::cos(t)),
                                   static_cast<float>(radius * std::cos(phi) * std::sin(t)),
                                   static_cast<float>(radius * std::sin(phi))});
        }
    }
    p.push_back(c + Point3{0, 0, radius});
    const uint32_t top = static_cast<uint32_t>(p.size() - 1);
    auto at = [&](int s, int a) {
        return static_cast<uint32_t>(1 + (s - 1) * around + (a % around));
    };
    for (int a = 0; a < around; ++a) {
        f->faceSizes.push_back(3);
        f->faceIndices.insert(f->faceIndices.end(), {0, at(1, a + 1), at(1, a)});
        f->faceSizes.push_back(3);
        f->faceIndices.insert(f->faceIndices.end(),
                              {top, at(stacks - 1, a), at(stacks - 1, a + 1)});
    }
    for (int s = 1; s + 1 < stacks; ++s)
        for (int a = 0; a < around; ++a) {
            f->faceSizes.push_back(4);
            f->faceIndices.insert(f->faceIndices.end(),
                                  {at(s, a), at(s, a + 1), at(s + 1, a + 1), at(s + 1, a)});
        }
    f->setCvs(std::move(p));
    return f;
}

// A band ring about the Z axis: inner radius r1, outer radius r2, from z0 to z1, revolved
// from a rectangular profile whose corners are tripled CVs (so its sides are straight).
inline std::unique_ptr<SurfaceObject> bandRing(float r1, float r2, float z0, float z1,
                                               int around = 24) {
    const Point3 corners[4] = {{r1, 0, z0}, {r2, 0, z0}, {r2, 0, z1}, {r1, 0, z1}};
    std::vector<Point3> profile;
    for (const Point3& c : corners) profile.insert(profile.end(), 3, c);
    const double step = 2 * std::numbers::pi / around;
    const float k = static_cast<float>(3.0 / (std::cos(step) + 2.0));
    auto s = std::make_unique<SurfaceObject>();
    std::vector<Point3> net;
    for (int r = 0; r < around; ++r)
        for (const Point3& p : profile) {
            const double t = step * r;
            net.push_back({static_cast<float>(k * p.x * std::cos(t)),
                           static_cast<float>(k * p.x * std::sin(t)), p.z});
        }
    s->setCvs(std::move(net));
    s->rows = static_cast<uint32_t>(around);
    s->columns = static_cast<uint32_t>(profile.size());
    s->rowClosed = 1;
    s->columnClosed = 1;
    return s;
}

// An open tube about the Z axis (a circle swept from z0 to z1), made the way the extend
// command makes it; its ends are open.
inline std::unique_ptr<SurfaceObject> tube(float radius, float z0, float z1, int cvs = 24) {
    CircleArgs args;
    args.noOfCvs = cvs;
    args.diameter = 2.0 * radius;
    ViewAxes top;  // X right, Y up, Z depth
    top.axis[0] = 0;
    top.axis[1] = 1;
    top.axis[2] = 2;
    CurveObject curve;
    std::vector<Point3> ring = circleCvs(top, args);
    for (Point3& p : ring) p.z = z0;
    curve.setCvs(std::move(ring));
    curve.closed = 1;
    return sweepNet(curve, 2, Matrix4::translation(0, 0, z1 - z0), {1, 1, 1}, false);
}

template <class T>
std::unique_ptr<T> flagged(std::unique_ptr<T> o, bool jewel, bool superSubtractor) {
    o->jewel = jewel;
    o->superSubtractor = superSubtractor;
    return o;
}

// Slices along Z, rows along Y, runs along X, cells of `cell` mm from `origin`.
inline ScanFrame zyxFrame(Point3 origin, float cell, int rows) {
    return ScanFrame::grid(2, 1, 0, origin, {cell, cell, cell}, rows);
}

// Sampled volume in mm^3 of `objects` over slices 0 .. slices-1 of `frame` (cubic cells).
inline double sampledVolume(const ObjectList& objects, const ScanFrame& frame, int slices) {
    SolidEvaluator e;
    if (!e.build(objects, frame)) return 0.0;
    double length = 0.0;
    for (int s = 0; s < slices; ++s) {
        e.advance(s);
        for (int r = e.firstRow(); r <= e.lastRow(); ++r)
            for (const ScanInterval& i : e.intervals(r)) length += i.length();
    }
    const double cell = 1.0 / frame.scale[0];
    return length * cell * cell * cell;
}

}  // namespace orv::test
