#include "output/mesh_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/object_list.h"
#include "model/objects.h"
#include "output/triangulate.h"

namespace orv {

float roundToGrid(float c) {
    // floor without a library call on the hot path: truncate, then step down for negatives.
    // Beyond 2^52 every double is already whole; NaN and infinities pass through unchanged.
    double s = static_cast<double>(c) * 10000.0 + 0.5;
    double f = s;
    if (std::abs(s) < 0x1p52) {
        f = static_cast<double>(static_cast<int64_t>(s));
        if (f > s) f -= 1.0;
    }
    return static_cast<float>(f * 0.0001);
}

bool prepareFacet(const Point3& a, const Point3& b, const Point3& c, Facet& out) {
    auto round = [](const Point3& p) {
        return Point3{roundToGrid(p.x), roundToGrid(p.y), roundToGrid(p.z)};
    };
    const Point3 v0 = round(a), v1 = round(b), v2 = round(c);
    for (const Point3& v : {v0, v1, v2})
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    const Point3 e1 = v1 - v0;
    const Point3 e2 = v2 - v0;
    constexpr float kMinSquared = 1e-16f;
    if (dot(e1, e1) < kMinSquared || dot(e2, e2) < kMinSquared) return false;
    const Point3 n = cross(e1, e2);
    const float nn = dot(n, n);
    if (nn < kMinSquared) return false;
    if (nn > tol::kNormalizeSquared && std::isfinite(nn)) {
        out.normal = normalize(n);
    } else {
        // Tiny facets (normalize() would leave the normal short) and huge ones (the float
        // square overflows) still get a unit normal: files promise unit normals.
        const double x = double{e1.y} * e2.z - double{e1.z} * e2.y;
        const double y = double{e1.z} * e2.x - double{e1.x} * e2.z;
        const double z = double{e1.x} * e2.y - double{e1.y} * e2.x;
        const double len = std::sqrt(x * x + y * y + z * z);
        out.normal = {static_cast<float>(x / len), static_cast<float>(y / len),
                      static_cast<float>(z / len)};
    }
    out.vertices = {v0, v1, v2};
    return true;
}

MeshExporter::MeshExporter(MeshWriter& writer, const MeshExportOptions& options)
    : writer_(writer), options_(options) {
    stack_.push_back({Matrix4::identity(), true, false});
}

void MeshExporter::pushMatrix(const Matrix4& m) {
    Placement p;
    p.m = m * stack_.back().m;
    p.identity = p.m == Matrix4::identity();
    p.mirrors = determinant(p.m, 3) < 0.0f;
    stack_.push_back(p);
}

void MeshExporter::popMatrix() {
    if (stack_.size() > 1) stack_.pop_back();
}

void MeshExporter::exportList(const ObjectList& objects) {
    objects.forEach([&](const ModelObject& o) {
        if (!o.visible()) return;
        if (o.layer < 0 || o.layer >= kLayerCount) return;
        if (!options_.layerOn[static_cast<size_t>(o.layer)]) return;
        exportObject(o);
    });
}

void MeshExporter::exportObject(const ModelObject& object) {
    // Booleans and gem chains nest; a hand-made cycle or absurd depth must not overflow.
    if (depth_ > kMaxBooleanDepth) return;
    ++depth_;
    if (auto* s = dynamic_cast<const SurfaceObject*>(&object))
        exportSurface(*s);
    else if (auto* f = dynamic_cast<const FacetObject*>(&object))
        exportFacets(*f);
    else if (auto* b = dynamic_cast<const BooleanObject*>(&object))
        exportBoolean(*b);
    else if (auto* g = dynamic_cast<const GemInstance*>(&object))
        exportGem(*g);
    --depth_;
}

void MeshExporter::exportSurface(const SurfaceObject& s) {
    PointGrid g = s.grid();
    if (g.empty()) return;
    const Placement& top = stack_.back();
    if (!top.identity)
        for (Point3& p : g.points) p = transformPoint(p, top.m);

    orientation_ = s.orientation >= 0 ? 1 : -1;
    gridTriangles(g, orientation_,
                  [&](const Point3& a, const Point3& b, const Point3& c) { emit(a, b, c); });

    // The caps close the open ends so that the mesh bounds a solid. Each boundary is wound
    // against the grid cells along it, which is why the second cap of a pair flips the flag.
    if (s.columnClosed == 0) {
        scratch_.clear();
        for (int r = 0; r < g.rows; ++r) scratch_.push_back(g.at(r, g.columns - 1));
        cap(scratch_);
        orientation_ = -orientation_;
        scratch_.clear();
        for (int r = 0; r < g.rows; ++r) scratch_.push_back(g.at(r, 0));
        cap(scratch_);
        orientation_ = -orientation_;
    }
    if (s.rowClosed == 0) {
        scratch_.assign(g.points.begin(), g.points.begin() + g.columns);
        cap(scratch_);
        orientation_ = -orientation_;
        scratch_.assign(g.points.end() - g.columns, g.points.end());
        cap(scratch_);
    }
}

void MeshExporter::cap(const std::vector<Point3>& polygon) {
    // Against the orientation the polygon is wound the other way round. Triangulating it as
    // given and turning each triangle over covers it the same way, and keeps the two
    // orientations of a surface exact mirror images of each other.
    const bool reversed = orientation_ < 0;
    // Triangulated where facet files put the points, so that points in line there are in line
    // for the triangulator too: it then never cuts a sliver that the writer would drop, which
    // would leave two boundary edges of the grid without a partner.
    rounded_.resize(polygon.size());
    std::transform(polygon.begin(), polygon.end(), rounded_.begin(), [](const Point3& p) {
        return Point3{roundToGrid(p.x), roundToGrid(p.y), roundToGrid(p.z)};
    });
    for (const TriangleIndices& t : triangulatePolygon(rounded_)) {
        if (reversed)
            emit(polygon[t[0]], polygon[t[2]], polygon[t[1]]);
        else
            emit(polygon[t[0]], polygon[t[1]], polygon[t[2]]);
    }
}

void MeshExporter::exportFacets(const FacetObject& f) {
    const Placement& top = stack_.back();
    const std::vector<Point3>* points = &f.cvs;
    if (!top.identity) {
        scratch_.resize(f.cvs.size());
        std::transform(f.cvs.begin(), f.cvs.end(), scratch_.begin(),
                       [&](const Point3& p) { return transformPoint(p, top.m); });
        points = &scratch_;
    }
    const std::vector<Point3>& p = *points;
    size_t at = 0;
    for (uint32_t k : f.faceSizes) {
        if (k > f.faceIndices.size() - at) return;  // sizes beyond the indices: corrupt
        const uint32_t* idx = f.faceIndices.data() + at;
        at += k;
        if (k < 3 || std::any_of(idx, idx + k, [&](uint32_t i) { return i >= p.size(); })) continue;
        for (uint32_t m = 1; m + 1 < k; ++m) emit(p[idx[0]], p[idx[m]], p[idx[m + 1]]);
    }
}

void MeshExporter::exportBoolean(const BooleanObject& b) {
    for (size_t i = 0; i < b.children.size(); ++i) {
        if (b.operation == kSubtract && !b.showSubtractors && i > 0) break;
        const ModelObject& child = b.children[i];
        if (child.visible()) exportObject(child);
    }
}

void MeshExporter::exportGem(const GemInstance& g) {
    Matrix4 composite;
    const ModelObject* o = g.resolve(composite);
    if (!o) return;
    pushMatrix(composite);
    exportObject(*o);
    popMatrix();
}

void writeMesh(const ObjectList& objects, MeshWriter& writer, const MeshExportOptions& options) {
    writer.begin();
    MeshExporter exporter(writer, options);
    exporter.exportList(objects);
    writer.end();
}

}  // namespace orv
