#include "view/shaded_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kernel/surface_grid.h"
#include "model/layers.h"
#include "model/object_list.h"
#include "model/objects.h"
#include "view/view_camera.h"
#include "view/view_drawing.h"

namespace orv {

void ShadedMesh::clear() {
    positions.clear();
    normals.clear();
    indices.clear();
    object = nullptr;
    colour = 0;
}

size_t ShadedScene::triangleCount() const {
    size_t n = 0;
    for (const ShadedMesh& m : meshes) n += m.triangleCount();
    return n;
}

ShadingSetup shadingSetup(const ViewCamera& camera, const DisplayColours& colours) {
    ShadingSetup s;
    s.width = camera.width;
    s.height = camera.height;
    const float c = camera.zoom / camera.halfHeight;
    const float aspect = static_cast<float>(std::max(camera.height, 1)) /
                         static_cast<float>(std::max(camera.width, 1));
    s.projection = {};
    s.projection[0] = c * aspect;
    s.projection[5] = c;
    s.projection[10] = 0.02f * c;
    s.projection[15] = 1.0f;
    s.modelView = camera.viewMatrix.m;
    s.clearColour = colourToFloats(colours.back);
    const float rows = static_cast<float>(std::max(camera.height - 1, 1));
    s.depthToWindowZ = rows * camera.zoom * 0.5f / camera.halfHeight / s.projection[10];
    return s;
}

namespace {

const LayerTable& defaultLayers() {
    static const LayerTable table;
    return table;
}

bool tiny(const Point3& n) {
    return std::fabs(n.x) < 0.0001f && std::fabs(n.y) < 0.0001f && std::fabs(n.z) < 0.0001f;
}

// Twice the area vector of a polygon (Newell's method): along the normal of a polygon that
// turns counter-clockwise around it.
template <class At>
Point3 newell(size_t n, At&& at) {
    Point3 s{0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const Point3& a = at(i);
        const Point3& b = at((i + 1) % n);
        s.x += (a.y - b.y) * (a.z + b.z);
        s.y += (a.z - b.z) * (a.x + b.x);
        s.z += (a.x - b.x) * (a.y + b.y);
    }
    return s;
}

// Writes geometry into a mesh through an object-to-world transform. Normals follow by the
// inverse transpose; a mirroring transform turns the triangles over so that they keep
// facing their normals.
class Emitter {
public:
    Emitter(ShadedMesh& mesh, const Matrix4& M) : mesh_(mesh), M_(M) {
        identity_ = M == Matrix4::identity();
        Matrix4 inv = inverse(M, 3);
        N_ = Matrix4::identity();
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) N_(r, c) = inv(c, r);
        mirror_ = determinant(M, 3) < 0.0f;
    }
    Emitter(const Emitter& outer, const Matrix4& inner) : Emitter(outer.mesh_, inner * outer.M_) {}

    const Matrix4& matrix() const { return M_; }

    uint32_t vertex(const Point3& p, const Point3& n) {
        const auto index = static_cast<uint32_t>(mesh_.positions.size() / 3);
        Point3 q = identity_ ? p : transformPoint(p, M_);
        Point3 m = identity_ ? n : normalize(transformVector(n, N_));
        auto& pos = mesh_.positions;
        auto& nrm = mesh_.normals;
        pos.push_back(q.x), pos.push_back(q.y), pos.push_back(q.z);
        nrm.push_back(m.x), nrm.push_back(m.y), nrm.push_back(m.z);
        return index;
    }
    // a, b, c counter-clockwise around their normals in object coordinates.
    void triangle(uint32_t a, uint32_t b, uint32_t c) {
        if (mirror_) std::swap(b, c);
        auto& ids = mesh_.indices;
        ids.push_back(a), ids.push_back(b), ids.push_back(c);
    }
    void reserve(size_t vertices, size_t triangles) {
        mesh_.positions.reserve(mesh_.positions.size() + 3 * vertices);
        mesh_.normals.reserve(mesh_.normals.size() + 3 * vertices);
        mesh_.indices.reserve(mesh_.indices.size() + 3 * triangles);
    }

private:
    ShadedMesh& mesh_;
    Matrix4 M_, N_;
    bool identity_ = true, mirror_ = false;
};

// Ear clipping of one simple polygon (no holes), in its own plane. Triangles turn the way
// the polygon does. When no ear can be proven (self-intersecting input) one is cut anyway,
// so the loop always ends.
std::vector<std::array<uint32_t, 3>> earClip(std::span<const Point3> pts) {
    std::vector<std::array<uint32_t, 3>> tris;
    const size_t n = pts.size();
    if (n < 3) return tris;
    Point3 normal = newell(n, [&](size_t i) -> const Point3& { return pts[i]; });
    int k = 2;
    if (std::fabs(normal.x) >= std::fabs(normal.y) && std::fabs(normal.x) >= std::fabs(normal.z)) k = 0;
    else if (std::fabs(normal.y) >= std::fabs(normal.z)) k = 1;
    if (std::fabs(normal[k]) <= 0.0f) return tris;
    const int u = (k + 1) % 3, v = (k + 2) % 3;
    const double sense = normal[k] > 0 ? 1.0 : -1.0;
    auto cross2 = [&](uint32_t a, uint32_t b, uint32_t c) {
        return sense * ((double(pts[b][u]) - pts[a][u]) * (double(pts[c][v]) - pts[a][v]) -
                        (double(pts[b][v]) - pts[a][v]) * (double(pts[c][u]) - pts[a][u]));
    };
    std::vector<uint32_t> ring(n);
    for (size_t i = 0; i < n; ++i) ring[i] = static_cast<uint32_t>(i);
    size_t guard = 0, i = 0;
    while (ring.size() > 3) {
        const size_t m = ring.size();
        uint32_t a = ring[(i + m - 1) % m], b = ring[i % m], c = ring[(i + 1) % m];
        bool ear = cross2(a, b, c) > 0.0;
        for (size_t j = 0; ear && j < m; ++j) {
            uint32_t p = ring[j];
            if (p == a || p == b || p == c) continue;
            ear = !(cross2(a, b, p) >= 0.0 && cross2(b, c, p) >= 0.0 && cross2(c, a, p) >= 0.0);
        }
        if (ear || guard >= m) {
            tris.push_back({a, b, c});
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i % m));
            guard = 0;
            if (i >= ring.size()) i = 0;
        } else {
            ++guard;
            i = (i + 1) % m;
        }
    }
    tris.push_back({ring[0], ring[1], ring[2]});
    return tris;
}

// Points of a closed outline without the repeated closing point and without consecutive
// duplicates.
PointArray loopPoints(std::span<const Point3> pts) {
    PointArray out;
    out.reserve(pts.size());
    for (const Point3& p : pts)
        if (out.empty() || !samePoint(out.back(), p)) out.push_back(p);
    while (out.size() > 1 && samePoint(out.front(), out.back())) out.pop_back();
    return out;
}

// A planar cap over `outer` minus `holes`, facing `facing`, with a flat normal.
void emitCap(Emitter& e, const PointArray& outer, std::span<const PointArray> holes,
             const Point3& facing, const ShadedSceneOptions& options) {
    if (outer.size() < 3) return;
    std::vector<std::array<uint32_t, 3>> tris =
        options.triangulate ? options.triangulate(outer, holes) : earClip(outer);
    if (tris.empty()) return;
    Point3 turn = newell(outer.size(), [&](size_t i) -> const Point3& { return outer[i]; });
    bool flip = dot(turn, facing) < 0.0f;
    Point3 n = normalize(facing);
    std::vector<uint32_t> ids;
    ids.reserve(outer.size());
    for (const Point3& p : outer) ids.push_back(e.vertex(p, n));
    if (options.triangulate)
        for (const PointArray& h : holes)
            for (const Point3& p : h) ids.push_back(e.vertex(p, n));
    for (const auto& t : tris) {
        if (t[0] >= ids.size() || t[1] >= ids.size() || t[2] >= ids.size()) continue;
        if (flip)
            e.triangle(ids[t[0]], ids[t[2]], ids[t[1]]);
        else
            e.triangle(ids[t[0]], ids[t[1]], ids[t[2]]);
    }
}

void appendGeometry(const ModelObject& o, Emitter& e, const ShadedSceneOptions& options);

// ---- surfaces ----

// Caps an end loop of a surface that is closed around it. A loop without area (a pole) or
// lying in the plane of the whole surface (a flat ring) gets none. The cap faces away from
// the rest of the surface.
void surfaceCap(Emitter& e, const PointGrid& g, bool alongRows, int line,
                const ShadedSceneOptions& options) {
    PointArray loop;
    if (alongRows) {
        for (int j = 0; j < g.columns; ++j) loop.push_back(g.at(line, j));
    } else {
        for (int i = 0; i < g.rows; ++i) loop.push_back(g.at(i, line));
    }
    loop = loopPoints(loop);
    if (loop.size() < 3) return;
    Point3 area = newell(loop.size(), [&](size_t i) -> const Point3& { return loop[i]; });
    if (tiny(normalize(area)) || length(area) < 1e-8f) return;
    Point3 n = normalize(area);
    Point3 c{0, 0, 0};
    for (const Point3& p : loop) c += p;
    c = c / static_cast<float>(loop.size());
    double side = 0.0, reach = 0.0;
    for (const Point3& p : g.points) {
        double d = dot(p - c, n);
        side += d;
        reach = std::max(reach, std::fabs(d));
    }
    double size = std::sqrt(double(length(area)));
    if (reach <= 1e-3 * size) return;
    emitCap(e, loop, {}, side > 0.0 ? -n : n, options);
}

void shadeSurface(const SurfaceObject& s, Emitter& e, const ShadedSceneOptions& options) {
    if (!s.netValid() || s.rows < 2 || s.columns < 2) return;
    const int rows = static_cast<int>(s.rows), cols = static_cast<int>(s.columns);
    int rowLevel = static_cast<int>(std::min<uint32_t>(s.rowResolution, kMaxEvaluationResolution));
    int colLevel = static_cast<int>(std::min<uint32_t>(s.columnResolution, kMaxEvaluationResolution));
    const int64_t limit = options.maxPointsPerDirection;
    while (rowLevel > 1 && int64_t{rows} * rowLevel > limit) --rowLevel;
    while (colLevel > 1 && int64_t{cols} * colLevel > limit) --colLevel;

    NetEnds ends{s.rowFreeStart != 0,    s.rowFreeEnd != 0,    s.rowClosed != 0,
                 s.columnFreeStart != 0, s.columnFreeEnd != 0, s.columnClosed != 0};
    ExtendedNet net = extendNet(s.cvs.data(), rows, cols, ends);
    if (net.rows < 4 || net.columns < 4) return;
    // Kept between surfaces and redraws: a scene evaluates hundreds of grids in a row.
    thread_local PointGrid g;
    thread_local std::vector<Point3> normal;
    thread_local std::vector<uint8_t> bad;
    evaluateGrid(kBSplineBasis, net, rowLevel, colLevel, true, g);
    fixSeams(g, ends.rowClosed, ends.columnClosed);
    if (g.empty()) return;

    const float orient = s.orientation < 0 ? -1.0f : 1.0f;
    const size_t count = g.points.size();
    normal.resize(count);
    bad.assign(count, 0);
    bool anyGood = false;
    for (size_t k = 0; k < count; ++k) {
        normal[k] = orient * normalize(cross(g.du[k], g.dv[k]));
        bad[k] = tiny(normal[k]);
        anyGood |= !bad[k];
    }
    // Where the derivatives vanish (poles, collapsed edges) a neighbour's normal stands in.
    auto idx = [&](int i, int j) { return static_cast<size_t>(i) * g.columns + j; };
    Point3 fallback{0, 0, 1};
    for (size_t k = 0; anyGood && k < count; ++k)
        if (!bad[k]) {
            fallback = normal[k];
            break;
        }
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.columns; ++j) {
            if (!bad[idx(i, j)]) continue;
            bool found = false;
            for (int r = 1; r <= 3 && !found; ++r)
                for (int di = -r; di <= r && !found; ++di)
                    for (int dj = -r; dj <= r && !found; ++dj) {
                        if (std::max(std::abs(di), std::abs(dj)) != r) continue;
                        int a = i + di, b = j + dj;
                        if (a < 0 || b < 0 || a >= g.rows || b >= g.columns || bad[idx(a, b)]) continue;
                        normal[idx(i, j)] = normal[idx(a, b)];
                        found = true;
                    }
            if (!found) normal[idx(i, j)] = fallback;
        }

    const size_t cells = static_cast<size_t>(g.rows - 1) * (g.columns - 1);
    e.reserve(count, 2 * cells);
    uint32_t base = 0;
    for (size_t k = 0; k < count; ++k) {
        uint32_t id = e.vertex(g.points[k], normal[k]);
        if (k == 0) base = id;
    }
    auto at = [&](int i, int j) { return base + static_cast<uint32_t>(idx(i, j)); };
    for (int i = 0; i + 1 < g.rows; ++i)
        for (int j = 0; j + 1 < g.columns; ++j) {
            uint32_t p00 = at(i, j), p10 = at(i + 1, j), p11 = at(i + 1, j + 1), p01 = at(i, j + 1);
            if (orient > 0) {
                e.triangle(p00, p10, p11);
                e.triangle(p00, p11, p01);
            } else {
                e.triangle(p00, p11, p10);
                e.triangle(p00, p01, p11);
            }
        }

    if (ends.columnClosed && !ends.rowClosed) {
        surfaceCap(e, g, true, 0, options);
        surfaceCap(e, g, true, g.rows - 1, options);
    } else if (ends.rowClosed && !ends.columnClosed) {
        surfaceCap(e, g, false, 0, options);
        surfaceCap(e, g, false, g.columns - 1, options);
    }
}

// ---- facet objects ----

void shadeFacets(const FacetObject& o, Emitter& e) {
    const size_t nv = o.cvs.size(), ni = o.faceIndices.size();
    const float orient = o.orientation < 0 ? -1.0f : 1.0f;
    auto faceNormal = [&](size_t offset, size_t size) {
        return orient * newell(size, [&](size_t k) -> const Point3& {
                   return o.cvs[o.faceIndices[offset + k]];
               });
    };
    // Calls f(offset, size) for every face of three or more valid indices.
    auto forEachFace = [&](auto&& f) {
        size_t offset = 0;
        for (uint32_t size : o.faceSizes) {
            if (size > ni - offset) return;
            bool valid = size >= 3;
            for (size_t k = 0; k < size && valid; ++k) valid = o.faceIndices[offset + k] < nv;
            if (valid) f(offset, size_t{size});
            offset += size;
        }
    };
    auto fan = [&](const uint32_t* ids, size_t size) {
        for (size_t k = 1; k + 1 < size; ++k) {
            if (orient > 0)
                e.triangle(ids[0], ids[k], ids[k + 1]);
            else
                e.triangle(ids[0], ids[k + 1], ids[k]);
        }
    };

    std::vector<uint32_t> ids;
    if (o.flatShaded) {
        forEachFace([&](size_t offset, size_t size) {
            Point3 n = normalize(faceNormal(offset, size));
            if (tiny(n)) return;  // a face without area shows nothing
            ids.clear();
            for (size_t k = 0; k < size; ++k) ids.push_back(e.vertex(o.cvs[o.faceIndices[offset + k]], n));
            fan(ids.data(), size);
        });
        return;
    }
    // Smooth: every vertex once, with the area-weighted mean of its faces' normals.
    std::vector<Point3> sum(nv, Point3{0, 0, 0});
    forEachFace([&](size_t offset, size_t size) {
        Point3 n = faceNormal(offset, size);
        for (size_t k = 0; k < size; ++k) sum[o.faceIndices[offset + k]] += n;
    });
    e.reserve(nv, ni);
    std::vector<uint32_t> vertexId(nv);
    for (size_t v = 0; v < nv; ++v) {
        Point3 n = normalize(sum[v]);
        vertexId[v] = e.vertex(o.cvs[v], tiny(n) ? Point3{0, 0, 1} : n);
    }
    forEachFace([&](size_t offset, size_t size) {
        ids.clear();
        for (size_t k = 0; k < size; ++k) ids.push_back(vertexId[o.faceIndices[offset + k]]);
        fan(ids.data(), size);
    });
}

// ---- blocks ----

bool insideLoop(const Point3& p, const PointArray& loop, int u, int v) {
    bool in = false;
    for (size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        const Point3& a = loop[i];
        const Point3& b = loop[j];
        if ((a[v] > p[v]) != (b[v] > p[v]) &&
            p[u] < (b[u] - a[u]) * (p[v] - a[v]) / (b[v] - a[v]) + a[u])
            in = !in;
    }
    return in;
}

// The end faces of a block: its end outlines grouped by their depth, each group split into
// outer outlines with the outlines nested directly inside them as holes.
void shadeBlockCaps(const BlockObject& b, Emitter& e, const ShadedSceneOptions& options) {
    const int d = static_cast<int>(std::min<uint32_t>(b.axes[2], 2));
    int u = static_cast<int>(std::min<uint32_t>(b.axes[0], 2));
    int v = static_cast<int>(std::min<uint32_t>(b.axes[1], 2));
    if (u == d || v == d || u == v) {
        u = (d + 1) % 3;
        v = (d + 2) % 3;
    }
    struct Outline {
        PointArray points;
        float depth;
    };
    std::vector<Outline> outlines;
    b.generatedEnds.forEach([&](const ModelObject& o) {
        if (!o.visible() || o.classNumber() != kClassCurve) return;
        PointArray loop = loopPoints(static_cast<const CurveObject&>(o).points());
        if (loop.size() >= 3) outlines.push_back({std::move(loop), 0.0f});
    });
    if (outlines.empty()) return;
    float lowest = 0, highest = 0;
    for (size_t i = 0; i < outlines.size(); ++i) {
        float sum = 0;
        for (const Point3& p : outlines[i].points) sum += p[d];
        outlines[i].depth = sum / static_cast<float>(outlines[i].points.size());
        lowest = i == 0 ? outlines[i].depth : std::min(lowest, outlines[i].depth);
        highest = i == 0 ? outlines[i].depth : std::max(highest, outlines[i].depth);
    }
    auto sameDepth = [](float a, float c) {
        return std::fabs(a - c) <= 1e-4f * (1.0f + std::max(std::fabs(a), std::fabs(c)));
    };
    std::vector<bool> done(outlines.size(), false);
    for (size_t g = 0; g < outlines.size(); ++g) {
        if (done[g]) continue;
        std::vector<size_t> group;
        for (size_t i = g; i < outlines.size(); ++i)
            if (!done[i] && sameDepth(outlines[i].depth, outlines[g].depth)) {
                group.push_back(i);
                done[i] = true;
            }
        // The end with the lower depth faces down the depth axis, the other one up it.
        Point3 facing{0, 0, 0};
        bool nearEnd = !sameDepth(lowest, highest) && sameDepth(outlines[g].depth, lowest);
        facing[d] = nearEnd ? -1.0f : 1.0f;
        // Nesting depth of every outline within its group: even ones are outer boundaries.
        std::vector<int> level(group.size(), 0);
        std::vector<int> parent(group.size(), -1);
        for (size_t a = 0; a < group.size(); ++a)
            for (size_t c = 0; c < group.size(); ++c) {
                if (a == c) continue;
                if (insideLoop(outlines[group[a]].points.front(), outlines[group[c]].points, u, v))
                    ++level[a];
            }
        for (size_t a = 0; a < group.size(); ++a) {
            if (level[a] % 2 == 0) continue;
            for (size_t c = 0; c < group.size(); ++c)
                if (level[c] == level[a] - 1 &&
                    insideLoop(outlines[group[a]].points.front(), outlines[group[c]].points, u, v))
                    parent[a] = static_cast<int>(c);
        }
        for (size_t a = 0; a < group.size(); ++a) {
            if (level[a] % 2 != 0) continue;
            std::vector<PointArray> holes;
            for (size_t c = 0; c < group.size(); ++c)
                if (parent[c] == static_cast<int>(a)) holes.push_back(outlines[group[c]].points);
            emitCap(e, outlines[group[a]].points, holes, facing, options);
        }
    }
}

void appendGeometry(const ModelObject& o, Emitter& e, const ShadedSceneOptions& options) {
    switch (o.classNumber()) {
        case kClassSurface: shadeSurface(static_cast<const SurfaceObject&>(o), e, options); break;
        case kClassFacet: shadeFacets(static_cast<const FacetObject&>(o), e); break;
        case kClassBoolean: {
            const auto& b = static_cast<const BooleanObject&>(o);
            for (size_t i = 0; i < b.children.size(); ++i) {
                if (b.operation == kSubtract && !b.showSubtractors && i > 0) break;
                if (b.children[i].visible()) appendGeometry(b.children[i], e, options);
            }
            break;
        }
        case kClassBlock: {
            const auto& b = static_cast<const BlockObject&>(o);
            Emitter placed(e, b.placement);
            b.generatedSides.forEach([&](const ModelObject& side) {
                if (side.visible()) appendGeometry(side, placed, options);
            });
            shadeBlockCaps(b, placed, options);
            break;
        }
        case kClassGem: {
            Matrix4 composite;
            const ModelObject* stone = static_cast<const GemInstance&>(o).resolve(composite);
            if (!stone) break;
            Emitter placed(e, composite);
            appendGeometry(*stone, placed, options);
            break;
        }
        default: break;  // curves and T-lines are drawn as wires
    }
}

}  // namespace

void appendShadedGeometry(const ModelObject& object, const Matrix4& M, ShadedMesh& mesh,
                          const ShadedSceneOptions& options) {
    Emitter e(mesh, M);
    appendGeometry(object, e, options);
}

void buildShadedScene(const ViewCamera& camera, const ObjectList& objects,
                      const ShadedSceneOptions& options, ShadedScene& scene) {
    scene.setup = shadingSetup(camera, options.colours);
    scene.overlay.clear();
    const LayerTable& layers = options.layers ? *options.layers : defaultLayers();
    size_t used = 0;
    auto nextMesh = [&]() -> ShadedMesh& {
        if (used == scene.meshes.size()) scene.meshes.emplace_back();
        ShadedMesh& m = scene.meshes[used];
        m.clear();
        return m;
    };
    objects.forEach([&](const ModelObject& o) {
        if (!o.visible() || !layers.visible(o.layer)) return;
        if (!isInView(o, camera, rendermode::kFastShading)) return;
        uint32_t colour = o.state == objstate::kPicked ? options.colours.pick : layers.unpickedColour(o.layer);
        if (o.classNumber() == kClassCurve || o.classNumber() == kClassTLine) {
            scene.overlay.push_back({&o, colour});
            return;
        }
        ShadedMesh& m = nextMesh();
        m.object = &o;
        m.colour = colour;
        appendShadedGeometry(o, Matrix4::identity(), m, options);
        if (!m.indices.empty()) ++used;
    });
    if (options.preview) {
        for (const ModelObject* o : options.preview->objects) {
            if (!o) continue;
            ShadedMesh& m = nextMesh();
            m.colour = options.colours.pick;
            appendShadedGeometry(*o, options.preview->transform, m, options);
            if (!m.indices.empty()) ++used;
        }
    }
    scene.meshes.resize(used);
}

ShadedScene buildShadedScene(const ViewCamera& camera, const ObjectList& objects,
                             const ShadedSceneOptions& options) {
    ShadedScene scene;
    buildShadedScene(camera, objects, options, scene);
    return scene;
}

}  // namespace orv
