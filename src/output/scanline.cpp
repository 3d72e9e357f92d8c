#include "output/scanline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "model/object_list.h"
#include "model/objects.h"
#include "output/mesh_writer.h"
#include "output/triangulate.h"

namespace orv {

// ---- frame ----

ScanFrame ScanFrame::grid(int sliceAxis, int rowAxis, int runAxis, const Point3& origin,
                          const std::array<float, 3>& cell, int rowCount, const Matrix4& matrix) {
    ScanFrame f;
    f.matrix = matrix;
    f.axis = {sliceAxis, rowAxis, runAxis};
    for (int k = 0; k < 3; ++k) {
        f.scale[k] = 1.0f / cell[k];
        f.offset[k] = -origin[f.axis[k]] * f.scale[k];
    }
    f.rowCount = rowCount;
    return f;
}

FramePoint ScanFrame::toFrame(const Point3& model) const {
    const Point3 p = transformPoint(model, matrix);
    return {p[axis[0]] * scale[0] + offset[0], p[axis[1]] * scale[1] + offset[1],
            p[axis[2]] * scale[2] + offset[2]};
}

Point3 ScanFrame::toModel(const FramePoint& f) const {
    Point3 p;
    const float c[3] = {f.slice, f.row, f.run};
    for (int k = 0; k < 3; ++k) p[axis[k]] = (c[k] - offset[k]) / scale[k];
    return transformPoint(p, inverse(matrix));
}

Matrix4 ScanFrame::composite() const {
    Matrix4 m;  // turned point -> frame
    for (int k = 0; k < 3; ++k) {
        m(axis[k], k) = scale[k];
        m(3, k) = offset[k];
    }
    m(3, 3) = 1.0f;
    return matrix * m;
}

// ---- tree ----

namespace {

int gEvaluations = 0;

// Frame coordinates closer than this along the slice axis make an edge that is not stepped;
// a facet whose whole slice extent is below it lies in a slice plane.
constexpr float kFlatEdge = 0.001f;
// A cut whose ends differ by less than this in row coordinate lies along a row.
constexpr float kFlatSegment = 0.00001f;
// Added before truncation when a slice or row index is taken: a vertex a hair below a sample
// line still counts on it.
constexpr double kSampleReach = 0.9999;

// Indices stay far inside int: a wild coordinate (a design scaled beyond reason) must not
// overflow the conversion; it only makes a facet reach beyond every slice or row asked for.
constexpr double kIndexLimit = 1e9;

inline int sampleIndex(float c) {
    const double i = std::floor(double{c} + kSampleReach);
    return static_cast<int>(std::clamp(i, -kIndexLimit, kIndexLimit));
}

// A triangle in frame coordinates, its corners sorted by slice coordinate (p0 lowest). Between
// its slices it is cut along the long edge p0-p2 and one of the short edges: p0-p1 below
// `middle`, p1-p2 from there on.
// Invariant: first < end; the long edge is not flat.
struct ScanFacet {
    float s0, s1;                  // slice coordinates of p0 and p1
    float row0, run0, row1, run1;  // p0 and p1 within their slices
    float dRow02, dRun02;          // change per slice along p0-p2
    float dRow01, dRun01;          // along p0-p1 (zero when that edge is flat)
    float dRow12, dRun12;          // along p1-p2 (zero when that edge is flat)
    int first, middle, end;        // slices [first, end); the p1-p2 edge from `middle` on
    bool flat01, flat12;
    int16_t winding;  // +1 / -1: which way the cut runs across the rows
    uint32_t id;
};

// The cut of one facet by the current slice, from its lower-row end on.
struct Segment {
    float row, run;  // lower-row end
    float runPerRow;
    int firstRow, endRow;  // rows [firstRow, endRow), already clipped to the frame
    int16_t winding;
    uint32_t id;
};

// Where a segment meets a row: position data, the segment's identity and, in rendering mode,
// where its interpolated attributes are kept (kNoAttributes until a renderer fills them).
struct Crossing {
    float run;
    float runPerRow;
    uint32_t id;
    int16_t winding;
    uint32_t attributes = kNoAttributes;
};

enum class Kind { Leaf, Union, Intersect, Subtract };

struct Node {
    Kind kind = Kind::Leaf;
    // Leaf rule: inside where the crossings so far are odd in number (blocks) instead of
    // where their windings do not sum to zero.
    bool evenOdd = false;
    int first = 0, last = -1;  // slice range, inclusive
    std::vector<int> children;
    // Union: the children that have rows in the current slice.
    std::vector<int> live;
    // Leaf data: all facets, sorted by first slice, and the scan state of the current slice.
    std::vector<ScanFacet> facets;
    size_t nextFacet = 0;
    std::vector<uint32_t> activeFacets;
    std::vector<Segment> segments;
    std::vector<Crossing> crossings;  // grouped by row
    std::vector<uint32_t> rowStart;   // rowLo .. rowHi + 1
    // Per slice: is the node in range, and which rows may hold intervals.
    bool active = false;
    int rowLo = 0, rowHi = -1;
    // Answers of the last intervals() call and scratch, reused from row to row.
    std::vector<ScanInterval> out, work;
    std::vector<Crossing> sorted;
};

// Collects triangles for one leaf, placed in model coordinates by the exporter and mapped
// into the frame here.
class FacetCollector final : public MeshWriter {
  public:
    FacetCollector(const Matrix4& frame, std::vector<ScanFacet>& facets, uint32_t& nextId)
        : frame_(frame), facets_(facets), nextId_(nextId) {}
    void begin() override {}
    void end() override {}
    void triangle(const Point3& a, const Point3& b, const Point3& c) override {
        add(transformPoint(a, frame_), transformPoint(b, frame_), transformPoint(c, frame_));
    }

  private:
    void add(const Point3& a, const Point3& b, const Point3& c) {
        for (const Point3* p : {&a, &b, &c})
            if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) return;
        // In frame coordinates x = slice, y = row, z = run. The cut of a plane facet by a
        // slice runs along slice-axis x normal; its row component has the sign of -n.run,
        // the same for every slice, so the winding is the facet's.
        const Point3 n = cross(b - a, c - a);
        if (n.z == 0.0f) return;  // every cut lies along a row
        const Point3* p[3] = {&a, &b, &c};
        std::sort(p, p + 3, [](const Point3* u, const Point3* v) { return u->x < v->x; });
        const Point3 &p0 = *p[0], &p1 = *p[1], &p2 = *p[2];
        if (p2.x - p0.x < kFlatEdge) return;  // lies in a slice plane
        ScanFacet f{};
        f.first = sampleIndex(p0.x);
        f.middle = sampleIndex(p1.x);
        f.end = sampleIndex(p2.x);
        if (f.first >= f.end) return;  // between two slices
        f.s0 = p0.x;
        f.s1 = p1.x;
        f.row0 = p0.y;
        f.run0 = p0.z;
        f.row1 = p1.y;
        f.run1 = p1.z;
        const float ds02 = p2.x - p0.x;
        f.dRow02 = (p2.y - p0.y) / ds02;
        f.dRun02 = (p2.z - p0.z) / ds02;
        f.flat01 = p1.x - p0.x < kFlatEdge;
        f.flat12 = p2.x - p1.x < kFlatEdge;
        if (!f.flat01) {
            f.dRow01 = (p1.y - p0.y) / (p1.x - p0.x);
            f.dRun01 = (p1.z - p0.z) / (p1.x - p0.x);
        }
        if (!f.flat12) {
            f.dRow12 = (p2.y - p1.y) / (p2.x - p1.x);
            f.dRun12 = (p2.z - p1.z) / (p2.x - p1.x);
        }
        f.winding = n.z > 0.0f ? int16_t{-1} : int16_t{1};
        f.id = nextId_++;
        facets_.push_back(f);
    }

    Matrix4 frame_;
    std::vector<ScanFacet>& facets_;
    uint32_t& nextId_;
};

bool isJewel(const ModelObject& o) {
    const uint32_t c = o.classNumber();
    if (c == kClassCurve || c == kClassTLine) return false;
    if (c == kClassGem || o.jewel) return true;
    if (c != kClassBoolean) return false;
    const auto& b = static_cast<const BooleanObject&>(o);
    if (b.children.empty()) return false;
    if (b.operation == kSubtract) return isJewel(b.children[0]);
    if (b.operation != kUnion && b.operation != kIntersect) return false;
    for (size_t i = 0; i < b.children.size(); ++i)
        if (!isJewel(b.children[i])) return false;
    return true;
}

PointArray outlineLoop(const CurveObject& c) {
    PointArray out;
    for (const Point3& p : c.points())
        if (out.empty() || !samePoint(out.back(), p)) out.push_back(p);
    while (out.size() > 1 && samePoint(out.front(), out.back())) out.pop_back();
    return out;
}

}  // namespace

struct SolidEvaluator::Impl {
    ScanFrame frame;
    Matrix4 composite;
    ScanOptions options;
    std::vector<Node> nodes;
    int root = -1;
    int current = 0;
    bool advanced = false;
    uint32_t nextId = 0;
    // Build state: routing of jewels and super subtractors met inside Booleans.
    std::vector<int> jewels, supers;
    std::vector<ScanFacet> collected;
    int toolDepth = 0;
    int depth = 0;

    // ---- build ----

    int newNode(Kind kind) {
        nodes.emplace_back();
        nodes.back().kind = kind;
        return static_cast<int>(nodes.size()) - 1;
    }

    // Moves the collected facets into leaf `n`, sorted by first slice (ids break ties, so the
    // order does not depend on the sort), or drops the leaf when there are none.
    int finishLeaf(int n) {
        if (collected.empty()) {
            nodes.pop_back();  // always the newest node
            return -1;
        }
        std::sort(collected.begin(), collected.end(), [](const ScanFacet& a, const ScanFacet& b) {
            return a.first != b.first ? a.first < b.first : a.id < b.id;
        });
        Node& node = nodes[static_cast<size_t>(n)];
        node.facets.assign(collected.begin(), collected.end());
        node.first = node.facets.front().first;
        int end = node.first;
        for (const ScanFacet& f : node.facets) end = std::max(end, f.end);
        node.last = end - 1;
        return n;
    }

    // A leaf of the triangles that `emit` sends to an exporter placed by `place`. They are
    // gathered in one array shared by all leaves, which then grows only for the largest.
    template <class Emit>
    int leaf(const Matrix4& place, Emit&& emit) {
        const int n = newNode(Kind::Leaf);
        collected.clear();
        FacetCollector collector(composite, collected, nextId);
        MeshExporter exporter(collector);
        exporter.pushMatrix(place);
        emit(exporter, collector);
        return finishLeaf(n);
    }

    int combine(Kind kind, std::vector<int> parts) {
        if (parts.empty()) return -1;
        if (parts.size() == 1) return parts.front();
        const int n = newNode(kind);
        Node& node = nodes[static_cast<size_t>(n)];
        node.children = std::move(parts);
        if (kind != Kind::Subtract)
            std::stable_sort(node.children.begin(), node.children.end(),
                             [&](int a, int b) { return nodes[a].first < nodes[b].first; });
        const Node& head = nodes[static_cast<size_t>(node.children.front())];
        node.first = head.first;
        node.last = head.last;
        for (int c : node.children) {
            const Node& child = nodes[static_cast<size_t>(c)];
            if (kind == Kind::Union) {
                node.first = std::min(node.first, child.first);
                node.last = std::max(node.last, child.last);
            } else if (kind == Kind::Intersect) {
                node.first = std::max(node.first, child.first);
                node.last = std::min(node.last, child.last);
            }
        }
        return n;
    }

    int convert(const ModelObject& o, const Matrix4& place) {
        if (depth > kMaxBooleanDepth) return -1;
        ++depth;
        int n = -1;
        switch (o.classNumber()) {
            case kClassSurface:
            case kClassFacet:
                n = leaf(place, [&](MeshExporter& e, FacetCollector&) { e.exportObject(o); });
                break;
            case kClassBlock:
                n = convertBlock(static_cast<const BlockObject&>(o), place);
                break;
            case kClassGem: {
                Matrix4 composed;
                if (const ModelObject* stone = static_cast<const GemInstance&>(o).resolve(composed))
                    n = convert(*stone, composed * place);
                break;
            }
            case kClassBoolean:
                n = convertBoolean(static_cast<const BooleanObject&>(o), place);
                break;
            default:
                break;
        }
        --depth;
        return n;
    }

    // A block is one closed shell made of pieces whose orientations nothing ties together
    // (walls, fillets and chamfers open along the depth axis, end faces from the outlines,
    // holes among them), so it is read with the even-odd rule: every piece counts once,
    // whichever way it faces, and a hole's end face cancels the outer face it lies on.
    int convertBlock(const BlockObject& b, const Matrix4& outer) {
        const Matrix4 place = b.placement * outer;
        const int n = leaf(place, [&](MeshExporter&, FacetCollector& collector) {
            auto emit = [&](const Point3& p, const Point3& q, const Point3& r) {
                collector.triangle(transformPoint(p, place), transformPoint(q, place),
                                   transformPoint(r, place));
            };
            b.generatedSides.forEach([&](const ModelObject& side) {
                if (!side.visible() || side.classNumber() != kClassSurface) return;
                // The walls only: their open ends are closed by the block's end faces.
                gridTriangles(static_cast<const SurfaceObject&>(side).grid(), 1, emit);
            });
            b.generatedEnds.forEach([&](const ModelObject& o) {
                if (!o.visible() || o.classNumber() != kClassCurve) return;
                const PointArray loop = outlineLoop(static_cast<const CurveObject&>(o));
                for (const TriangleIndices& t : triangulatePolygon(loop))
                    emit(loop[t[0]], loop[t[1]], loop[t[2]]);
            });
        });
        if (n >= 0) nodes[static_cast<size_t>(n)].evenOdd = true;
        return n;
    }

    int convertBoolean(const BooleanObject& b, const Matrix4& place) {
        const uint32_t op = b.operation;
        if (op != kUnion && op != kIntersect && op != kSubtract) return -1;  // taken apart
        if (b.children.empty()) return -1;
        if (op == kSubtract && !b.children[0].visible()) return -1;
        const bool selfJewel = isJewel(b);
        std::vector<int> kept;
        bool baseKept = false;
        for (size_t i = 0; i < b.children.size(); ++i) {
            const ModelObject& child = b.children[i];
            if (!child.visible()) continue;
            const bool tool = op == kSubtract && i > 0;
            // Tools only cut what this subtraction keeps as its base: with no base there
            // is nothing to cut (and a tool must never become the base).
            if (tool && !baseKept) break;
            // A tool, and everything inside it, stays where it is: what the user subtracts
            // cuts, even when it is a jewel or a super subtractor.
            if (tool) ++toolDepth;
            const int n = convert(child, place);
            const bool routable = toolDepth == 0;
            if (tool) --toolDepth;
            if (n < 0) continue;
            const bool jewel = isJewel(child);
            if (jewel && !selfJewel && routable) {
                jewels.push_back(n);
                continue;
            }
            if (child.superSubtractor && !jewel && routable) {
                supers.push_back(n);
                continue;
            }
            if (op == kSubtract && i == 0) baseKept = true;
            kept.push_back(n);
        }
        if (op == kSubtract) {
            if (!baseKept) return -1;
            if (kept.size() <= 1) return kept.empty() ? -1 : kept.front();
            const int first = kept.front();
            const int tools = combine(Kind::Union, std::vector<int>(kept.begin() + 1, kept.end()));
            return combine(Kind::Subtract, {first, tools});
        }
        return combine(op == kUnion ? Kind::Union : Kind::Intersect, std::move(kept));
    }

    bool build(const ObjectList& objects) {
        std::vector<int> ordinary;
        objects.forEach([&](const ModelObject& o) {
            if (options.pickedOnly ? o.state != objstate::kPicked : !o.visible()) return;
            if (o.layer < 0 || o.layer >= kLayerCount) return;
            if (!options.layerOn[static_cast<size_t>(o.layer)]) return;
            const int n = convert(o, Matrix4::identity());
            if (n < 0) return;
            if (isJewel(o))
                jewels.push_back(n);
            else if (o.superSubtractor)
                supers.push_back(n);
            else
                ordinary.push_back(n);
        });
        int a = combine(Kind::Union, std::move(ordinary));
        if (a >= 0 && !supers.empty())
            a = combine(Kind::Subtract, {a, combine(Kind::Union, supers)});
        if (a >= 0) jewels.push_back(a);
        root = combine(Kind::Union, std::move(jewels));
        jewels.clear();
        supers.clear();
        std::vector<ScanFacet>().swap(collected);
        current = root >= 0 ? nodes[static_cast<size_t>(root)].first - 1 : 0;
        return root >= 0;
    }

    // ---- per slice ----

    void advanceNode(int n, int s) {
        Node& node = nodes[static_cast<size_t>(n)];
        node.active = s >= node.first && s <= node.last;
        node.rowLo = 0;
        node.rowHi = -1;
        if (node.kind == Kind::Leaf) {
            advanceLeaf(node, s);
            return;
        }
        if (!node.active) return;  // children catch up when (if) the node becomes active
        for (int c : node.children) advanceNode(c, s);
        auto rowsOf = [&](int c, int& lo, int& hi) {
            const Node& child = nodes[static_cast<size_t>(c)];
            lo = child.rowLo;
            hi = child.active ? child.rowHi : -1;
            return lo <= hi;
        };
        int lo = 0, hi = -1;
        if (node.kind == Kind::Subtract) {
            rowsOf(node.children.front(), node.rowLo, node.rowHi);
        } else if (node.kind == Kind::Union) {
            bool any = false;
            node.live.clear();
            for (int c : node.children) {
                if (!rowsOf(c, lo, hi)) continue;
                node.live.push_back(c);
                node.rowLo = any ? std::min(node.rowLo, lo) : lo;
                node.rowHi = any ? std::max(node.rowHi, hi) : hi;
                any = true;
            }
        } else {  // intersection: rows that every child has
            node.rowLo = std::numeric_limits<int>::min();
            node.rowHi = std::numeric_limits<int>::max();
            for (int c : node.children) {
                if (!rowsOf(c, lo, hi)) {
                    node.rowLo = 0;
                    node.rowHi = -1;
                    break;
                }
                node.rowLo = std::max(node.rowLo, lo);
                node.rowHi = std::min(node.rowHi, hi);
            }
        }
    }

    void advanceLeaf(Node& node, int s) {
        node.segments.clear();
        node.crossings.clear();
        if (!node.active) {
            if (s > node.last) {
                node.activeFacets.clear();
                node.nextFacet = node.facets.size();
            }
            return;
        }
        while (node.nextFacet < node.facets.size() && node.facets[node.nextFacet].first <= s) {
            if (node.facets[node.nextFacet].end > s)
                node.activeFacets.push_back(static_cast<uint32_t>(node.nextFacet));
            ++node.nextFacet;
        }
        std::erase_if(node.activeFacets, [&](uint32_t i) { return node.facets[i].end <= s; });

        const int rows = frame.rowCount;
        const float sf = static_cast<float>(s);
        int lo = rows, hi = 0;
        for (uint32_t i : node.activeFacets) {
            const ScanFacet& f = node.facets[i];
            const float t0 = sf - f.s0;
            float aRow = f.row0 + t0 * f.dRow02, aRun = f.run0 + t0 * f.dRun02;
            float bRow, bRun;
            if (s < f.middle && !f.flat01) {
                bRow = f.row0 + t0 * f.dRow01;
                bRun = f.run0 + t0 * f.dRun01;
            } else if (!f.flat12) {
                const float t1 = sf - f.s1;
                bRow = f.row1 + t1 * f.dRow12;
                bRun = f.run1 + t1 * f.dRun12;
            } else {
                bRow = f.row1;
                bRun = f.run1;
            }
            if (bRow < aRow) {
                std::swap(aRow, bRow);
                std::swap(aRun, bRun);
            }
            if (bRow - aRow < kFlatSegment) continue;
            int firstRow = sampleIndex(aRow), endRow = sampleIndex(bRow);
            if (firstRow >= endRow || endRow <= 0 || firstRow >= rows) continue;
            firstRow = std::max(firstRow, 0);
            endRow = std::min(endRow, rows);
            const float d = (bRun - aRun) / (bRow - aRow);
            node.segments.push_back({aRow, aRun, d, firstRow, endRow, f.winding, f.id});
            lo = std::min(lo, firstRow);
            hi = std::max(hi, endRow);
        }
        if (node.segments.empty()) return;
        node.rowLo = lo;
        node.rowHi = hi - 1;

        // Crossings grouped by row: count, then place, in arrays that keep their capacity
        // from slice to slice.
        const size_t span = static_cast<size_t>(hi - lo);
        node.rowStart.assign(span + 1, 0);
        for (const Segment& g : node.segments)
            for (int r = g.firstRow; r < g.endRow; ++r)
                ++node.rowStart[static_cast<size_t>(r - lo) + 1];
        for (size_t r = 0; r < span; ++r) node.rowStart[r + 1] += node.rowStart[r];
        node.crossings.resize(node.rowStart[span]);
        std::vector<uint32_t>& fill = scratchStart;
        fill.assign(node.rowStart.begin(), node.rowStart.end() - 1);
        for (const Segment& g : node.segments)
            for (int r = g.firstRow; r < g.endRow; ++r) {
                const float run = g.run + (static_cast<float>(r) - g.row) * g.runPerRow;
                node.crossings[fill[static_cast<size_t>(r - lo)]++] = {run, g.runPerRow, g.id,
                                                                       g.winding};
            }
    }

    // ---- per row ----

    static IntervalEnd endOf(const Crossing& c) {
        return {c.run, c.runPerRow, c.id, kNoAttributes};
    }

    std::span<const ScanInterval> rowIntervals(int n, int row) {
        Node& node = nodes[static_cast<size_t>(n)];
        node.out.clear();
        if (!node.active || row < node.rowLo || row > node.rowHi) return {};
        switch (node.kind) {
            case Kind::Leaf:
                leafRow(node, row);
                break;
            case Kind::Union: {
                node.work.clear();
                for (int c : node.live) {
                    auto part = rowIntervals(c, row);
                    node.work.insert(node.work.end(), part.begin(), part.end());
                }
                fuse(node.work, node.out);
                break;
            }
            case Kind::Intersect: {
                auto first = rowIntervals(node.children.front(), row);
                node.out.assign(first.begin(), first.end());
                for (size_t i = 1; i < node.children.size() && !node.out.empty(); ++i) {
                    auto part = rowIntervals(node.children[i], row);
                    intersect(node.out, part, node.work);
                    node.out.swap(node.work);
                }
                break;
            }
            case Kind::Subtract: {
                auto first = rowIntervals(node.children.front(), row);
                node.out.assign(first.begin(), first.end());
                for (size_t i = 1; i < node.children.size() && !node.out.empty(); ++i) {
                    auto part = rowIntervals(node.children[i], row);
                    subtract(node.out, part, node.work);
                    node.out.swap(node.work);
                }
                break;
            }
        }
        return node.out;
    }

    // The leaf's rule over the crossings of one row, walked from the highest run position.
    static void leafRow(Node& node, int row) {
        const size_t r = static_cast<size_t>(row - node.rowLo);
        const Crossing* b = node.crossings.data() + node.rowStart[r];
        const Crossing* e = node.crossings.data() + node.rowStart[r + 1];
        node.sorted.assign(b, e);
        std::sort(node.sorted.begin(), node.sorted.end(),
                  [](const Crossing& x, const Crossing& y) { return x.run > y.run; });
        int sum = 0;
        const Crossing* open = nullptr;
        for (const Crossing& c : node.sorted) {
            const int before = sum;
            sum = node.evenOdd ? sum ^ 1 : sum + c.winding;
            if (before == 0 && sum != 0) {
                open = &c;
            } else if (before != 0 && sum == 0 && open) {
                if (open->run > c.run) node.out.push_back({endOf(*open), endOf(c)});
                open = nullptr;
            }
        }
    }

    // Sorts `in` by upper end and merges overlapping or touching intervals into `out`.
    static void fuse(std::vector<ScanInterval>& in, std::vector<ScanInterval>& out) {
        out.clear();
        if (in.empty()) return;
        std::sort(in.begin(), in.end(),
                  [](const ScanInterval& x, const ScanInterval& y) { return x.hi.run > y.hi.run; });
        ScanInterval cur = in.front();
        for (size_t i = 1; i < in.size(); ++i) {
            const ScanInterval& nx = in[i];
            if (nx.hi.run >= cur.lo.run) {
                if (nx.lo.run < cur.lo.run) cur.lo = nx.lo;
            } else {
                out.push_back(cur);
                cur = nx;
            }
        }
        out.push_back(cur);
    }

    // Both inputs ordered from the top and disjoint.
    static void intersect(const std::vector<ScanInterval>& a, std::span<const ScanInterval> b,
                          std::vector<ScanInterval>& out) {
        out.clear();
        size_t i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            const IntervalEnd& hi = a[i].hi.run < b[j].hi.run ? a[i].hi : b[j].hi;
            const IntervalEnd& lo = a[i].lo.run > b[j].lo.run ? a[i].lo : b[j].lo;
            if (hi.run > lo.run) out.push_back({hi, lo});
            if (a[i].lo.run > b[j].lo.run)
                ++i;
            else
                ++j;
        }
    }

    static void subtract(const std::vector<ScanInterval>& a, std::span<const ScanInterval> b,
                         std::vector<ScanInterval>& out) {
        out.clear();
        size_t j = 0;
        for (const ScanInterval& x : a) {
            while (j < b.size() && b[j].lo.run >= x.hi.run) ++j;  // wholly above x
            IntervalEnd hi = x.hi;
            bool covered = false;
            for (size_t k = j; k < b.size() && b[k].hi.run > x.lo.run; ++k) {
                const ScanInterval& cut = b[k];
                if (cut.hi.run < hi.run) out.push_back({hi, cut.hi});
                if (cut.lo.run <= x.lo.run) {
                    covered = true;
                    break;
                }
                if (cut.lo.run < hi.run) hi = cut.lo;
            }
            if (!covered && hi.run > x.lo.run) out.push_back({hi, x.lo});
        }
    }

    std::vector<uint32_t> scratchStart;
};

SolidEvaluator::SolidEvaluator() = default;
SolidEvaluator::~SolidEvaluator() {
    release();
}

bool SolidEvaluator::build(const ObjectList& objects, const ScanFrame& frame,
                           const ScanOptions& options) {
    release();
    if (frame.rowCount < 1) return false;
    auto impl = std::make_unique<Impl>();
    impl->frame = frame;
    impl->composite = frame.composite();
    impl->options = options;
    if (!impl->build(objects)) return false;
    impl_ = std::move(impl);
    ++gEvaluations;
    return true;
}

void SolidEvaluator::release() {
    if (!impl_) return;
    impl_.reset();
    --gEvaluations;
}

bool SolidEvaluator::empty() const {
    return !impl_;
}

int SolidEvaluator::firstSlice() const {
    return impl_ ? impl_->nodes[static_cast<size_t>(impl_->root)].first : 0;
}

int SolidEvaluator::lastSlice() const {
    return impl_ ? impl_->nodes[static_cast<size_t>(impl_->root)].last : -1;
}

bool SolidEvaluator::advance(int slice) {
    if (!impl_ || (impl_->advanced && slice <= impl_->current)) return false;
    impl_->advanced = true;
    impl_->current = slice;
    impl_->advanceNode(impl_->root, slice);
    return true;
}

int SolidEvaluator::currentSlice() const {
    return impl_ ? impl_->current : -1;
}

int SolidEvaluator::firstRow() const {
    if (!impl_ || !impl_->advanced) return 0;
    const Node& r = impl_->nodes[static_cast<size_t>(impl_->root)];
    return r.active && r.rowLo <= r.rowHi ? r.rowLo : 0;
}

int SolidEvaluator::lastRow() const {
    if (!impl_ || !impl_->advanced) return -1;
    const Node& r = impl_->nodes[static_cast<size_t>(impl_->root)];
    return r.active && r.rowLo <= r.rowHi ? r.rowHi : -1;
}

std::span<const ScanInterval> SolidEvaluator::intervals(int row) {
    if (!impl_ || !impl_->advanced) return {};
    return impl_->rowIntervals(impl_->root, row);
}

std::span<const ScanAttributes> SolidEvaluator::attributes() const {
    return {};
}

ScanCounts SolidEvaluator::counts() const {
    ScanCounts c;
    if (!impl_) return c;
    c.nodes = impl_->nodes.size();
    for (const Node& n : impl_->nodes) {
        c.poolBytes +=
            n.segments.capacity() * sizeof(Segment) + n.crossings.capacity() * sizeof(Crossing) +
            n.rowStart.capacity() * sizeof(uint32_t) +
            (n.out.capacity() + n.work.capacity()) * sizeof(ScanInterval) +
            n.sorted.capacity() * sizeof(Crossing) + n.activeFacets.capacity() * sizeof(uint32_t);
        if (n.kind != Kind::Leaf) continue;
        ++c.leaves;
        c.facets += n.facets.size();
        if (n.active) {
            c.activeFacets += n.activeFacets.size();
            c.crossings += n.crossings.size();
        }
    }
    return c;
}

std::string SolidEvaluator::describe() const {
    if (!impl_) return {};
    std::string s;
    auto walk = [&](auto&& self, int n) -> void {
        const Node& node = impl_->nodes[static_cast<size_t>(n)];
        static constexpr const char* kNames[] = {"leaf", "union", "intersect", "subtract"};
        s += kNames[static_cast<int>(node.kind)];
        if (node.kind == Kind::Leaf) return;
        s += '(';
        for (size_t i = 0; i < node.children.size(); ++i) {
            if (i) s += ',';
            self(self, node.children[i]);
        }
        s += ')';
    };
    walk(walk, impl_->root);
    return s;
}

namespace {

BoundingBox solidBox(const ModelObject& o) {
    switch (o.classNumber()) {
        case kClassCurve:
        case kClassTLine:
        case kClassNcPath:
            return {};
        case kClassBoolean: {
            const auto& b = static_cast<const BooleanObject&>(o);
            BoundingBox box;
            for (size_t i = 0; i < b.children.size(); ++i) {
                if (b.operation == kSubtract && i > 0) break;
                if (b.children[i].visible()) box.grow(solidBox(b.children[i]));
            }
            return box;
        }
        default:
            return o.boundingBox(Matrix4::identity());
    }
}

}  // namespace

BoundingBox solidBoundingBox(const ObjectList& objects, const ScanOptions& options) {
    BoundingBox box;
    objects.forEach([&](const ModelObject& o) {
        if (options.pickedOnly ? o.state != objstate::kPicked : !o.visible()) return;
        if (o.layer < 0 || o.layer >= kLayerCount) return;
        if (!options.layerOn[static_cast<size_t>(o.layer)]) return;
        box.grow(solidBox(o));
    });
    return box;
}

bool validSolidBox(const BoundingBox& box) {
    for (int k = 0; k < 3; ++k) {
        const float extent = box.hi[k] - box.lo[k];
        if (!(extent > 0.0f) || !std::isfinite(extent)) return false;
    }
    return true;
}

int solidEvaluationsInProgress() {
    return gEvaluations;
}

}  // namespace orv
