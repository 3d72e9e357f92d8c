#include "output/triangulate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numbers>
#include <string>
#include <utility>

#include "kernel/matrix4.h"
#include "output/mesh_writer.h"

namespace orv {
namespace {

using Ring = std::vector<std::pair<double, double>>;

struct PolygonCase {
    std::string name;
    Ring outer;
    std::vector<Ring> holes;
};

double shoelace(const Ring& r) {
    double a = 0.0;
    for (size_t i = 0; i < r.size(); ++i) {
        const auto& p = r[i];
        const auto& q = r[(i + 1) % r.size()];
        a += p.first * q.second - q.first * p.second;
    }
    return a / 2.0;
}

Ring square(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

Ring reversed(Ring r) {
    std::reverse(r.begin(), r.end());
    return r;
}

Ring regular(int n, double radius, double phase, double cx = 0.0, double cy = 0.0) {
    Ring r;
    for (int i = 0; i < n; ++i) {
        double t = phase + 2.0 * std::numbers::pi * i / n;
        r.push_back({cx + radius * std::cos(t), cy + radius * std::sin(t)});
    }
    return r;
}

Ring star(int spikes) {
    Ring r;
    for (int i = 0; i < 2 * spikes; ++i) {
        double t = std::numbers::pi * i / spikes;
        double radius = i % 2 ? 1.0 : 3.0;
        r.push_back({radius * std::cos(t), radius * std::sin(t)});
    }
    return r;
}

// Teeth pointing up from a bar: many reflex vertices in a row.
Ring comb(int teeth) {
    Ring r{{0, 0}, {2.0 * teeth, 0}};
    for (int i = teeth; i > 0; --i) {
        r.push_back({2.0 * i, 3});
        r.push_back({2.0 * i - 1, 3});
        r.push_back({2.0 * i - 1, 1});
        r.push_back({2.0 * i - 2, 1});
    }
    r.back().second = 3;  // the last tooth reaches the left end
    return r;
}

std::vector<PolygonCase> cases() {
    return {
        {"square", square(0, 0, 1, 1), {}},
        {"clockwise square", reversed(square(0, 0, 1, 1)), {}},
        {"L shape", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {}},
        {"U shape", {{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {}},
        {"collinear midpoints",
         {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}},
         {}},
        {"collinear run on one side", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {2, 3}}, {}},
        {"64-gon", regular(64, 5.0, 0.1), {}},
        {"star", star(7), {}},
        {"comb", comb(6), {}},
        {"one hole", square(0, 0, 4, 4), {reversed(square(1.5, 1.5, 2.5, 2.5))}},
        {"one hole wound like the outer", square(0, 0, 4, 4), {square(1.5, 1.5, 2.5, 2.5)}},
        {"two holes", square(0, 0, 6, 4), {reversed(square(1, 1, 2, 3)), square(4, 1.5, 5, 2.5)}},
        {"holes side by side at one height",
         square(0, 0, 9, 3),
         {square(1, 1, 2, 2), square(4, 1, 5, 2), regular(12, 0.5, 0.0, 7.0, 1.5)}},
        {"U shape with a hole in its base",
         {{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}},
         {square(1.25, 0.25, 1.75, 0.75)}},
        {"round hole in a clockwise outer",
         reversed(regular(40, 5.0, 0.0)),
         {regular(17, 2.0, 0.3)}},
    };
}

// Planes the 2D cases are laid into: each must come out wound like the polygon.
struct Frame {
    std::string name;
    Matrix4 m;
};

std::vector<Frame> frames() {
    Matrix4 yz;  // (u, v) -> (w, u, v): seen along +x
    yz(0, 1) = 1;
    yz(1, 2) = 1;
    yz(3, 3) = 1;
    Matrix4 tilted = Matrix4::identity();
    const float c = std::cos(0.7f), s = std::sin(0.7f);
    tilted(1, 1) = c;  // about x by 0.7, then about z by 0.4, then moved away
    tilted(1, 2) = s;
    tilted(2, 1) = -s;
    tilted(2, 2) = c;
    Matrix4 spin = Matrix4::identity();
    spin(0, 0) = std::cos(0.4f);
    spin(0, 1) = std::sin(0.4f);
    spin(1, 0) = -std::sin(0.4f);
    spin(1, 1) = std::cos(0.4f);
    tilted = tilted * spin * Matrix4::translation(3, -2, 7);
    return {{"xy", Matrix4::identity()},
            {"yz", yz},
            {"xz seen from below", Matrix4{{1, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 1}}},
            {"tilted", tilted}};
}

std::vector<Point3> place(const Ring& r, const Matrix4& m) {
    std::vector<Point3> out;
    for (const auto& [u, v] : r)
        out.push_back(transformPoint({static_cast<float>(u), static_cast<float>(v), 0.0f}, m));
    return out;
}

Point3 planeNormal(const Matrix4& m) {
    return normalize(cross(transformVector({1, 0, 0}, m), transformVector({0, 1, 0}, m)));
}

TEST(TriangulatePolygon, CoversThePolygonExactlyOnceWoundLikeIt) {
    for (const PolygonCase& pc : cases()) {
        for (const Frame& frame : frames()) {
            SCOPED_TRACE(pc.name + " in " + frame.name);
            std::vector<Point3> points = place(pc.outer, frame.m);
            std::vector<PointArray> holes;
            double area = std::abs(shoelace(pc.outer));
            size_t vertexCount = pc.outer.size();
            for (const Ring& h : pc.holes) {
                holes.push_back(place(h, frame.m));
                points.insert(points.end(), holes.back().begin(), holes.back().end());
                area -= std::abs(shoelace(h));
                vertexCount += h.size() + 2;
            }
            const Point3 n = planeNormal(frame.m);
            const float winding = shoelace(pc.outer) > 0 ? 1.0f : -1.0f;

            auto tris = triangulatePolygon(place(pc.outer, frame.m), holes);
            // Ear clipping of a simple polygon: one triangle per vertex but two, and each hole
            // bridge adds two vertices.
            EXPECT_EQ(tris.size(), vertexCount - 2);

            double sum = 0.0;
            std::map<std::pair<uint32_t, uint32_t>, int> edges;
            for (const auto& t : tris) {
                ASSERT_LT(std::max({t[0], t[1], t[2]}), points.size());
                const Point3 c = cross(points[t[1]] - points[t[0]], points[t[2]] - points[t[0]]);
                const float along = dot(c, n) * winding;
                // Collinear input points leave slivers whose sign is float noise once the
                // plane is tilted; a triangle really turned over shows in the area sum.
                EXPECT_GT(along, -1e-5f) << "triangle turned over";
                sum += 0.5 * along;
                for (int k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
            }
            EXPECT_NEAR(sum, area, 1e-4 * (1.0 + area));

            // Inner edges come in opposite pairs; what is left is the boundary, each edge once
            // and in the direction of its ring, collinear vertices included.
            std::map<std::pair<uint32_t, uint32_t>, int> boundary;
            for (const auto& [e, count] : edges) {
                EXPECT_EQ(count, 1) << "edge " << e.first << "-" << e.second << " used twice";
                if (!edges.count({e.second, e.first})) boundary[e] = count;
            }
            std::map<std::pair<uint32_t, uint32_t>, int> expected;
            uint32_t base = 0;
            auto addRing = [&](const Ring& r, bool forward) {
                const uint32_t k = static_cast<uint32_t>(r.size());
                for (uint32_t i = 0; i < k; ++i) {
                    uint32_t a = base + i, b = base + (i + 1) % k;
                    expected[forward ? std::make_pair(a, b) : std::make_pair(b, a)] = 1;
                }
                base += k;
            };
            addRing(pc.outer, true);
            // Holes run against the outer ring, whichever way they were given.
            for (const Ring& h : pc.holes)
                addRing(h, (shoelace(h) > 0) != (shoelace(pc.outer) > 0));
            EXPECT_EQ(boundary, expected);
        }
    }
}

TEST(TriangulatePolygon, RepeatedPointsCountOnce) {
    // The first corner repeated, a corner doubled and the ring closed on itself.
    const std::vector<Point3> ring = {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0},
                                      {2, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    auto tris = triangulatePolygon(ring);
    ASSERT_EQ(tris.size(), 2u);
    float area = 0.0f;
    for (const auto& t : tris) {
        const Point3 c = cross(ring[t[1]] - ring[t[0]], ring[t[2]] - ring[t[0]]);
        EXPECT_GT(c.z, 0.0f);
        area += 0.5f * c.z;
    }
    EXPECT_FLOAT_EQ(area, 2.0f);
}

TEST(TriangulatePolygon, StraightRunOnTheFileGridIsFannedNotSliced) {
    // Points of a straight line on the 0.0001 grid are not exactly collinear as floats (their
    // turns here are up to 6e-9 mm^2 either way); a triangle of three of them would be a sliver
    // that facet files drop.
    std::vector<Point3> ring;
    for (int k = 0; k <= 12; ++k)
        ring.push_back({roundToGrid(static_cast<float>(1.2345 + 0.0123 * k)),
                        roundToGrid(static_cast<float>(0.5432 + 0.0457 * k)), 3.0001f});
    ring.push_back({0.1f, 2.7f, 3.0001f});
    auto tris = triangulatePolygon(ring);
    ASSERT_EQ(tris.size(), ring.size() - 2);
    const uint32_t apex = static_cast<uint32_t>(ring.size() - 1);
    for (const auto& t : tris) EXPECT_TRUE(t[0] == apex || t[1] == apex || t[2] == apex);
}

TEST(TriangulatePolygon, NoAreaGivesNoTriangles) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        std::vector<Point3> ring;
    } cases[] = {
        {"empty", {}},
        {"two points", {{0, 0, 0}, {1, 0, 0}}},
        {"collapsed to a point", std::vector<Point3>(65, Point3{0, 0, 5})},
        {"two points repeated", {{0, 0, 0}, {1, 1, 1}, {1, 1, 1}, {0, 0, 0}}},
        {"all on a line", {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {1.5f, 1.5f, 0}}},
        {"a slit there and back", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 0, 0}}},
        {"non-finite", {{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(triangulatePolygon(c.ring).empty());
    }
}

TEST(TriangulatePolygon, HoleWithoutAreaIsIgnored) {
    const std::vector<Point3> outer = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    const std::vector<PointArray> holes = {{{1, 1, 0}, {2, 2, 0}, {3, 3, 0}},
                                           PointArray(5, Point3{2, 2, 0})};
    auto tris = triangulatePolygon(outer, holes);
    ASSERT_EQ(tris.size(), 2u);
    for (const auto& t : tris) EXPECT_LT(std::max({t[0], t[1], t[2]}), 4u);
}

TEST(TriangulatePolygon, SelfIntersectingInputTerminates) {
    // A bow tie and a pentagram: no valid answer exists, but the clipper must stop with at
    // most one triangle per vertex.
    const std::vector<Point3> bowTie = {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}};
    EXPECT_LE(triangulatePolygon(bowTie).size(), bowTie.size());
    std::vector<Point3> pentagram;
    for (int i = 0; i < 5; ++i) {
        double t = 4.0 * std::numbers::pi * i / 5;
        pentagram.push_back({static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), 0});
    }
    EXPECT_LE(triangulatePolygon(pentagram).size(), pentagram.size());
}

}  // namespace
}  // namespace orv
