#include "output/triangulate.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

// One vertex of a ring in the projected plane. Rings are circular doubly linked lists over
// `Node` indices; a bridge to a hole duplicates the two nodes it joins.
struct Node {
    double x = 0.0, y = 0.0;
    uint32_t index = 0;
    int prev = -1, next = -1;
};

// Twice the area (mm^2) below which three points count as lying on one line: the limit under
// which facet files drop a triangle (|e1 x e2|^2 < 1e-16). Cutting such a sliver as an ear
// would leave its two boundary edges without a partner once it is dropped.
constexpr double kStraight = 1e-8;

// Twice the signed area of (p, q, r): positive when they turn counter-clockwise.
double orient(const Node& p, const Node& q, const Node& r) {
    return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
}

bool samePosition(const Node& a, const Node& b) {
    return a.x == b.x && a.y == b.y;
}

// Inside or on the border of the counter-clockwise triangle (a, b, c), within `slack`.
bool pointInTriangle(double ax, double ay, double bx, double by, double cx, double cy, double px,
                     double py, double slack = 0.0) {
    return (ax - px) * (by - py) - (bx - px) * (ay - py) >= -slack &&
           (bx - px) * (cy - py) - (cx - px) * (by - py) >= -slack &&
           (cx - px) * (ay - py) - (ax - px) * (cy - py) >= -slack;
}

class EarClipper {
  public:
    EarClipper(int axisX, int axisY, double mirror) : ax_(axisX), ay_(axisY), mirror_(mirror) {}

    enum class Turn { Keep, Clockwise };

    // Links the points of one boundary in their order or clockwise; -1 when it has no area.
    // Consecutive repeats are linked once.
    int linkRing(std::span<const Point3> points, uint32_t firstIndex, Turn turn) {
        size_t start = nodes_.size();
        for (size_t i = 0; i < points.size(); ++i) {
            Node nd;
            nd.x = mirror_ * points[i][ax_];
            nd.y = points[i][ay_];
            nd.index = firstIndex + static_cast<uint32_t>(i);
            if (nodes_.size() > start && samePosition(nodes_.back(), nd)) continue;
            nodes_.push_back(nd);
        }
        while (nodes_.size() - start > 1 && samePosition(nodes_.back(), nodes_[start]))
            nodes_.pop_back();
        size_t count = nodes_.size() - start;
        double area = 0.0;
        for (size_t i = 0; i < count; ++i) {
            const Node& p = nodes_[start + i];
            const Node& q = nodes_[start + (i + 1) % count];
            area += p.x * q.y - q.x * p.y;
        }
        if (count < 3 || std::abs(area) <= kStraight || !std::isfinite(area)) {
            nodes_.resize(start);
            return -1;
        }
        if (turn == Turn::Clockwise && area > 0.0)
            std::reverse(nodes_.begin() + static_cast<long>(start), nodes_.end());
        for (size_t i = 0; i < count; ++i) {
            nodes_[start + i].next = static_cast<int>(start + (i + 1) % count);
            nodes_[start + i].prev = static_cast<int>(start + (i + count - 1) % count);
        }
        return static_cast<int>(start);
    }

    // Joins each hole ring to the outer ring, left-most holes first, so later bridges can
    // cross neither the holes already joined nor their bridges.
    void joinHoles(int outer, std::vector<int>& holes) {
        for (int& h : holes) h = leftmost(h);
        std::sort(holes.begin(), holes.end(), [&](int a, int b) {
            const Node& p = nodes_[static_cast<size_t>(a)];
            const Node& q = nodes_[static_cast<size_t>(b)];
            return p.x < q.x || (p.x == q.x && p.y < q.y);
        });
        for (int h : holes) {
            int bridge = findBridge(h, outer);
            if (bridge < 0) continue;  // not inside the outer polygon
            int reverse = split(bridge, h);
            dropRepeat(reverse);
            dropRepeat(bridge);
        }
    }

    void clip(int ear, bool convex, std::vector<TriangleIndices>& out) {
        int stop = ear;
        while (at(ear).prev != at(ear).next) {
            int prev = at(ear).prev;
            int next = at(ear).next;
            if (isEar(ear, convex)) {
                out.push_back({at(prev).index, at(ear).index, at(next).index});
                unlink(ear);
                // Skipping one vertex avoids fans of slivers around a single vertex.
                ear = at(next).next;
                stop = ear;
                continue;
            }
            ear = next;
            if (ear == stop) {
                ear = force(ear, out);
                stop = ear;
            }
        }
    }

    bool allConvex(int start) const {
        int p = start;
        do {
            if (orient(at(at(p).prev), at(p), at(at(p).next)) <= kStraight) return false;
            p = at(p).next;
        } while (p != start);
        return true;
    }

  private:
    Node& at(int i) { return nodes_[static_cast<size_t>(i)]; }
    const Node& at(int i) const { return nodes_[static_cast<size_t>(i)]; }

    void unlink(int i) {
        at(at(i).prev).next = at(i).next;
        at(at(i).next).prev = at(i).prev;
    }

    // Removes the node after `i` when it lies on `i` (a zero-length edge left by a bridge).
    void dropRepeat(int i) {
        int n = at(i).next;
        if (n != i && samePosition(at(i), at(n)) && at(n).next != i) unlink(n);
    }

    int leftmost(int start) const {
        int best = start;
        for (int p = at(start).next; p != start; p = at(p).next) {
            const Node& a = at(p);
            const Node& b = at(best);
            if (a.x < b.x || (a.x == b.x && a.y < b.y)) best = p;
        }
        return best;
    }

    // The segment from a to b leaves a into the inside of the ring, not across its outside.
    bool locallyInside(int a, int b) const {
        const Node& p = at(a);
        const Node& prev = at(p.prev);
        const Node& next = at(p.next);
        const Node& q = at(b);
        if (orient(prev, p, next) > 0.0)
            return orient(p, q, next) <= 0.0 && orient(p, prev, q) <= 0.0;
        return orient(p, q, prev) > 0.0 || orient(p, next, q) > 0.0;
    }

    bool sectorContainsSector(int m, int p) const {
        return orient(at(at(m).prev), at(m), at(at(p).prev)) > 0.0 &&
               orient(at(at(p).next), at(m), at(at(m).next)) > 0.0;
    }

    // An outer vertex that sees the hole's left-most point: the nearest boundary crossing of
    // a ray to the left, then the visible vertex of smallest angle to that ray.
    int findBridge(int hole, int outer) const {
        const double hx = at(hole).x, hy = at(hole).y;
        double qx = -INFINITY;
        int m = -1;
        int p = outer;
        do {
            const Node& a = at(p);
            const Node& b = at(a.next);
            if (hy <= a.y && hy >= b.y && b.y != a.y) {
                double x = a.x + (hy - a.y) * (b.x - a.x) / (b.y - a.y);
                if (x <= hx && x > qx) {
                    qx = x;
                    m = a.x < b.x ? p : a.next;
                    if (x == hx) return m;  // the hole touches this edge
                }
            }
            p = a.next;
        } while (p != outer);
        if (m < 0) return -1;

        const int stop = m;
        const double mx = at(m).x, my = at(m).y;
        double tanMin = INFINITY;
        p = m;
        do {
            const Node& c = at(p);
            if (hx >= c.x && c.x >= mx && hx != c.x &&
                pointInTriangle(hy < my ? hx : qx, hy, mx, my, hy < my ? qx : hx, hy, c.x, c.y)) {
                double tan = std::abs(hy - c.y) / (hx - c.x);
                if (locallyInside(p, hole) &&
                    (tan < tanMin ||
                     (tan == tanMin &&
                      (c.x > at(m).x || (c.x == at(m).x && sectorContainsSector(m, p)))))) {
                    m = p;
                    tanMin = tan;
                }
            }
            p = c.next;
        } while (p != stop);
        return m;
    }

    // Joins a and b by two coincident edges; returns the copy of b on the far side.
    int split(int a, int b) {
        Node a2 = at(a), b2 = at(b);
        int ia2 = static_cast<int>(nodes_.size());
        int ib2 = ia2 + 1;
        nodes_.push_back(a2);
        nodes_.push_back(b2);
        int an = at(a).next;
        int bp = at(b).prev;
        at(a).next = b;
        at(b).prev = a;
        at(ia2).next = an;
        at(an).prev = ia2;
        at(ib2).next = ia2;
        at(ia2).prev = ib2;
        at(bp).next = ib2;
        at(ib2).prev = bp;
        return ib2;
    }

    bool isEar(int ear, bool convex) const {
        const Node& a = at(at(ear).prev);
        const Node& b = at(ear);
        const Node& c = at(b.next);
        if (orient(a, b, c) <= kStraight) return false;  // reflex or straight
        if (convex) return true;
        const double x0 = std::min({a.x, b.x, c.x}), x1 = std::max({a.x, b.x, c.x});
        const double y0 = std::min({a.y, b.y, c.y}), y1 = std::max({a.y, b.y, c.y});
        // Only a vertex that is not strictly convex can lie inside an ear of a simple polygon;
        // one on the ear's border blocks it too, so collinear vertices are never skipped over.
        for (int i = c.next; i != b.prev; i = at(i).next) {
            const Node& p = at(i);
            if (p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1) continue;
            if (samePosition(p, a)) continue;
            if (pointInTriangle(a.x, a.y, b.x, b.y, c.x, c.y, p.x, p.y, kStraight) &&
                orient(at(p.prev), p, at(p.next)) <= kStraight)
                return false;
        }
        return true;
    }

    // No ear could be proven: the ring is degenerate or not simple. Removes one vertex, in
    // order of preference: a repeated point, a straight or spike vertex (neither loses area),
    // a convex vertex cut regardless of what it covers, else any vertex without a triangle.
    int force(int start, std::vector<TriangleIndices>& out) {
        int straight = -1, convexAt = -1;
        int p = start;
        do {
            const Node& n = at(p);
            if (samePosition(n, at(n.next))) {
                straight = n.next;
                break;
            }
            double o = orient(at(n.prev), n, at(n.next));
            if (std::abs(o) <= kStraight && straight < 0) straight = p;
            if (o > kStraight && convexAt < 0) convexAt = p;
            p = n.next;
        } while (p != start);
        int victim = straight >= 0 ? straight : (convexAt >= 0 ? convexAt : start);
        if (straight < 0 && convexAt >= 0)
            out.push_back({at(at(victim).prev).index, at(victim).index, at(at(victim).next).index});
        int after = at(victim).next;
        unlink(victim);
        return after;
    }

    int ax_, ay_;
    double mirror_;
    std::vector<Node> nodes_;
};

bool allFinite(std::span<const Point3> points) {
    return std::all_of(points.begin(), points.end(), [](const Point3& p) {
        return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    });
}

}  // namespace

std::vector<TriangleIndices> triangulatePolygon(std::span<const Point3> outer,
                                                std::span<const PointArray> holes) {
    std::vector<TriangleIndices> out;
    if (outer.size() < 3 || !allFinite(outer)) return out;
    for (const PointArray& h : holes)
        if (!allFinite(h)) return out;

    // Newell's normal, in double so long thin rings keep their sign.
    double n[3] = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < outer.size(); ++i) {
        const Point3& p = outer[i];
        const Point3& q = outer[(i + 1) % outer.size()];
        n[0] += (double{p.y} - q.y) * (double{p.z} + q.z);
        n[1] += (double{p.z} - q.z) * (double{p.x} + q.x);
        n[2] += (double{p.x} - q.x) * (double{p.y} + q.y);
    }
    int k = 2;
    if (std::abs(n[0]) > std::abs(n[k])) k = 0;
    if (std::abs(n[1]) > std::abs(n[k])) k = 1;
    const int ax = (k + 1) % 3, ay = (k + 2) % 3;

    // The clipper works on a counter-clockwise ring: a polygon seen clockwise in the
    // projection is mirrored instead of reversed, so triangles taken in ring order keep the
    // polygon's own winding.
    double area = 0.0;
    for (size_t i = 0; i < outer.size(); ++i) {
        const Point3& p = outer[i];
        const Point3& q = outer[(i + 1) % outer.size()];
        area += double{p[ax]} * q[ay] - double{q[ax]} * p[ay];
    }
    if (std::abs(area) <= kStraight) return out;
    EarClipper clipper(ax, ay, area > 0.0 ? 1.0 : -1.0);
    using Turn = EarClipper::Turn;
    int ring = clipper.linkRing(outer, 0, Turn::Keep);
    if (ring < 0) return out;

    std::vector<int> holeRings;
    uint32_t first = static_cast<uint32_t>(outer.size());
    for (const PointArray& h : holes) {
        int r = clipper.linkRing(h, first, Turn::Clockwise);
        if (r >= 0) holeRings.push_back(r);
        first += static_cast<uint32_t>(h.size());
    }
    bool convex = false;
    if (holeRings.empty())
        convex = clipper.allConvex(ring);
    else
        clipper.joinHoles(ring, holeRings);

    size_t expected = outer.size();
    for (const PointArray& h : holes) expected += h.size() + 2;
    out.reserve(expected);
    clipper.clip(ring, convex, out);
    return out;
}

}  // namespace orv
