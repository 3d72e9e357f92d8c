#include "output/stl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>

#include "model/gem_library.h"
#include "model/object_list.h"
#include "model/objects.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// ---- building designs ----

// Distance of a ring of n CVs from its centre for the closed B-spline to pass through radius 1.
float ringFactor(int n) {
    return 3.0f / (std::cos(2.0f * std::numbers::pi_v<float> / n) + 2.0f);
}

std::unique_ptr<SurfaceObject> surface(int rows, int columns, bool rowClosed, bool columnClosed,
                                       int orientation, const std::function<Point3(int, int)>& cv) {
    auto s = std::make_unique<SurfaceObject>();
    s->rows = static_cast<uint32_t>(rows);
    s->columns = static_cast<uint32_t>(columns);
    s->rowClosed = rowClosed;
    s->columnClosed = columnClosed;
    s->orientation = orientation;
    std::vector<Point3> cvs;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) cvs.push_back(cv(r, c));
    s->setCvs(std::move(cvs));
    return s;
}

Point3 onRing(int i, int n, float radius, float z) {
    const float t = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / n;
    const float k = radius * ringFactor(n);
    return {k * std::cos(t), k * std::sin(t), z};
}

constexpr float kTubeRadius = 3.0f, kTubeHeight = 6.0f;

// Rows go round the axis (closed), columns up it: grid normals face out with orientation +1.
std::unique_ptr<SurfaceObject> tube(int orientation = 1) {
    return surface(8, 4, true, false, orientation,
                   [](int r, int c) { return onRing(r, 8, kTubeRadius, 2.0f * c); });
}

// The same tube with the directions swapped, which turns its grid inside out.
std::unique_ptr<SurfaceObject> columnTube() {
    return surface(4, 8, false, true, -1,
                   [](int r, int c) { return onRing(c, 8, kTubeRadius, 2.0f * r); });
}

constexpr float kTorusBig = 8.0f, kTorusSmall = 2.0f;

std::unique_ptr<SurfaceObject> torus() {
    return surface(12, 8, true, true, 1, [](int r, int c) {
        const Point3 section = onRing(c, 8, kTorusSmall, 0.0f);
        const Point3 around = onRing(r, 12, 1.0f, 0.0f);
        const float reach = kTorusBig + section.x;
        return Point3{around.x * reach, around.y * reach, section.y};
    });
}

// A revolved profile from pole to pole: both open ends collapse onto the axis.
std::unique_ptr<SurfaceObject> ball() {
    return surface(8, 5, true, false, 1, [](int r, int c) {
        if (c == 0 || c == 4) return Point3{0.0f, 0.0f, c == 0 ? -5.0f : 5.0f};
        const float psi = std::numbers::pi_v<float> * (c - 2) / 4.0f;
        return onRing(r, 8, 5.0f * std::cos(psi), 5.0f * std::sin(psi));
    });
}

std::unique_ptr<FacetObject> facets(std::vector<Point3> points, std::vector<uint32_t> sizes,
                                    std::vector<uint32_t> indices) {
    auto f = std::make_unique<FacetObject>();
    f->setCvs(std::move(points));
    f->faceSizes = std::move(sizes);
    f->faceIndices = std::move(indices);
    return f;
}

// One triangle with its corner at `at`, unit legs along x and y.
std::unique_ptr<FacetObject> triangleAt(Point3 at) {
    return facets({at, at + Point3{1, 0, 0}, at + Point3{0, 1, 0}}, {3}, {0, 1, 2});
}

ObjectList single(std::unique_ptr<ModelObject> object) {
    ObjectList list;
    list.append(std::move(object));
    return list;
}

// ---- reading the output back ----

struct StlFacet {
    Point3 normal;
    std::array<Point3, 3> v;
};

float floatAt(const std::string& b, size_t at) {
    uint32_t u = 0;
    for (int k = 3; k >= 0; --k) u = (u << 8) | static_cast<uint8_t>(b[at + k]);
    return std::bit_cast<float>(u);
}

uint32_t u32At(const std::string& b, size_t at) {
    return std::bit_cast<uint32_t>(floatAt(b, at));
}

std::vector<StlFacet> parseBinary(const std::string& b) {
    std::vector<StlFacet> out;
    if (b.size() < 84) {
        ADD_FAILURE() << "binary STL of " << b.size() << " bytes";
        return out;
    }
    const uint32_t count = u32At(b, 80);
    EXPECT_EQ(b.size(), 84 + 50 * size_t{count}) << "count at offset 80 disagrees with records";
    for (size_t at = 84; at + 50 <= b.size(); at += 50) {
        StlFacet f;
        for (int k = 0; k < 3; ++k) f.normal[k] = floatAt(b, at + 4 * k);
        for (int v = 0; v < 3; ++v)
            for (int k = 0; k < 3; ++k) f.v[v][k] = floatAt(b, at + 12 + 12 * v + 4 * k);
        EXPECT_EQ(b[at + 48], 0);
        EXPECT_EQ(b[at + 49], 0);
        out.push_back(f);
    }
    return out;
}

std::string binaryOf(const ObjectList& list, const MeshExportOptions& options = {}) {
    std::ostringstream out;
    EXPECT_GE(writeStlBinary(list, out, options), 0);
    return out.str();
}

std::string asciiOf(const ObjectList& list, const MeshExportOptions& options = {}) {
    std::ostringstream out;
    EXPECT_GE(writeStlAscii(list, out, options), 0);
    return out.str();
}

using Key = std::array<float, 3>;
Key key(const Point3& p) {
    return {p.x, p.y, p.z};
}

// Every edge is used exactly once in each direction: a closed, consistently wound mesh.
void expectClosed(const std::vector<StlFacet>& fs) {
    std::map<std::pair<Key, Key>, int> edges;
    for (const StlFacet& f : fs)
        for (int k = 0; k < 3; ++k) ++edges[{key(f.v[k]), key(f.v[(k + 1) % 3])}];
    int bad = 0;
    for (const auto& [e, n] : edges) {
        auto back = edges.find({e.second, e.first});
        if (n != 1 || back == edges.end() || back->second != 1) ++bad;
    }
    EXPECT_EQ(bad, 0) << "edges not matched by exactly one opposite edge";
}

double signedVolume(const std::vector<StlFacet>& fs) {
    double v = 0.0;
    for (const StlFacet& f : fs) {
        const Point3& a = f.v[0];
        const Point3& b = f.v[1];
        const Point3& c = f.v[2];
        v += a.x * (double{b.y} * c.z - double{b.z} * c.y) +
             a.y * (double{b.z} * c.x - double{b.x} * c.z) +
             a.z * (double{b.x} * c.y - double{b.y} * c.x);
    }
    return v / 6.0;
}

size_t gridTriangleCount(const SurfaceObject& s) {
    PointGrid g = s.grid();
    return 2 * static_cast<size_t>(g.rows - 1) * static_cast<size_t>(g.columns - 1);
}

// ---- file layouts ----

TEST(StlAscii, LayoutOfOneFacet) {
    // Rounded to the 0.0001 grid, printed as "%g": 1.23456789 -> 1.2346, -0.00004 -> 0,
    // 123456.7 -> 123457, 1e7 -> 1e+07. The normal's y is 0 * x - 0 * y of negative x and
    // positive y, a negative zero, which "%g" prints as it is.
    ObjectList list = single(
        facets({{1.23456789f, -0.00004f, 0}, {123456.7f, 0.5f, 0}, {0, 1e7f, 0}}, {3}, {0, 1, 2}));
    EXPECT_EQ(asciiOf(list),
              "solid Orivanta\r\n"
              "    facet normal 0 -0 1\r\n"
              "        outer loop\r\n"
              "            vertex 1.2346 0 0\r\n"
              "            vertex 123457 0.5 0\r\n"
              "            vertex 0 1e+07 0\r\n"
              "        endloop\r\n"
              "    endfacet\r\n"
              "endsolid\r\n");
}

TEST(StlAscii, NumbersMatchPrintfG) {
    // Coordinates across many magnitudes and signs, against a plain printf rendering of the
    // same cleaned facets.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-5, 7);
    std::vector<Point3> points;
    std::vector<uint32_t> sizes, indices;
    for (int i = 0; i < 3000; ++i) {
        auto coord = [&] {
            return static_cast<float>(mantissa(rng) * std::pow(10.0, exponent(rng)));
        };
        points.push_back({coord(), coord(), coord()});
    }
    for (uint32_t i = 0; i + 2 < points.size(); i += 3) {
        sizes.push_back(3);
        indices.insert(indices.end(), {i, i + 1, i + 2});
    }
    ObjectList list = single(facets(points, sizes, indices));

    std::string expected = "solid Orivanta\r\n";
    char line[200];
    auto triple = [&](const char* prefix, const Point3& p) {
        std::snprintf(line, sizeof line, "%s%g %g %g\r\n", prefix, p.x, p.y, p.z);
        expected += line;
    };
    for (size_t i = 0; i + 2 < points.size(); i += 3) {
        Facet f;
        if (!prepareFacet(points[i], points[i + 1], points[i + 2], f)) continue;
        triple("    facet normal ", f.normal);
        expected += "        outer loop\r\n";
        for (const Point3& v : f.vertices) triple("            vertex ", v);
        expected += "        endloop\r\n    endfacet\r\n";
    }
    expected += "endsolid\r\n";
    EXPECT_EQ(asciiOf(list), expected);
}

TEST(StlBinary, LayoutOfOneFacet) {
    ObjectList list = single(triangleAt({1, 2, 3}));
    const std::string b = binaryOf(list);
    ASSERT_EQ(b.size(), 134u);
    EXPECT_EQ(b.substr(0, 9), std::string("Orivanta\0", 9));
    EXPECT_EQ(b.substr(9, 71), std::string(71, ' '));
    EXPECT_EQ(u32At(b, 80), 1u);
    const float expected[12] = {0, 0, 1, 1, 2, 3, 2, 2, 3, 1, 3, 3};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(floatAt(b, 84 + 4 * k), expected[k]) << k;
    EXPECT_EQ(b.substr(132), std::string(2, '\0'));
}

TEST(StlBinary, CountMatchesRecordsAndAscii) {
    ObjectList list;
    list.append(tube());
    list.append(torus());
    list.append(triangleAt({20, 0, 0}));
    const std::string b = binaryOf(list);
    auto fromBinary = parseBinary(b);
    std::ostringstream out;
    EXPECT_EQ(writeStlBinary(list, out), static_cast<int64_t>(fromBinary.size()));

    // The ASCII file lists the same facets, to printf precision.
    std::istringstream text(asciiOf(list));
    std::string word;
    size_t facet = 0, vertex = 0;
    while (text >> word) {
        if (word == "normal") {
            ASSERT_LT(facet, fromBinary.size());
            Point3 n;
            text >> n.x >> n.y >> n.z;
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], fromBinary[facet].normal[k], 1e-5f);
            vertex = 0;
        } else if (word == "vertex") {
            Point3 v;
            text >> v.x >> v.y >> v.z;
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(v[k], fromBinary[facet].v[vertex][k], 1e-5f * (1 + std::abs(v[k])));
            ++vertex;
        } else if (word == "endfacet") {
            ++facet;
        }
    }
    EXPECT_EQ(facet, fromBinary.size());
}

TEST(StlExport, NothingShownGivesEmptyFiles) {
    // Hidden, hidden and picked, deleted, on a layer that is off, and classes that write nothing.
    auto hidden = triangleAt({0, 0, 0});
    hidden->state = objstate::kHidden;
    auto hiddenPicked = tube();
    hiddenPicked->state = objstate::kHiddenPicked;
    auto deleted = triangleAt({0, 0, 0});
    deleted->state = -objstate::kConsumedShift;
    auto offLayer = triangleAt({0, 0, 0});
    offLayer->layer = 3;
    auto curve = std::make_unique<CurveObject>();
    curve->setCvs({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    auto block = std::make_unique<BlockObject>();
    auto unresolved = std::make_unique<GemInstance>();  // no library
    auto tline = std::make_unique<TLineObject>();
    ObjectList list;
    list.append(std::move(hidden));
    list.append(std::move(hiddenPicked));
    list.append(std::move(deleted));
    list.append(std::move(offLayer));
    list.append(std::move(curve));
    list.append(std::move(block));
    list.append(std::move(unresolved));
    list.append(std::move(tline));

    MeshExportOptions options;
    options.layerOn[3] = false;
    EXPECT_EQ(asciiOf(list, options), "solid Orivanta\r\nendsolid\r\n");
    const std::string b = binaryOf(list, options);
    EXPECT_EQ(b.size(), 84u);
    EXPECT_EQ(u32At(b, 80), 0u);

    // Only the layer switch kept the last triangle out.
    EXPECT_EQ(parseBinary(binaryOf(list)).size(), 1u);
}

// ---- surfaces ----

TEST(StlExport, SurfaceCapsAndClosure) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<SurfaceObject>()> make;
        // Facets beyond the grid's own two per cell (negative: fewer, for collapsed cells).
        std::function<long(const PointGrid&)> extra;
        double volume;  // of the shape the CVs were laid out for; 0: only the sign is checked
    };
    const double tubeVolume = std::numbers::pi * kTubeRadius * kTubeRadius * kTubeHeight;
    const Case cases[] = {
        // Each cap of a closed ring of n grid points (first repeated last) takes n - 3 facets.
        {"tube closed across rows", [] { return tube(); },
         [](const PointGrid& g) { return 2L * (g.rows - 3); }, tubeVolume},
        {"tube closed along rows", columnTube,
         [](const PointGrid& g) { return 2L * (g.columns - 3); }, tubeVolume},
        {"torus closed both ways", torus, [](const PointGrid&) { return 0L; },
         2.0 * std::numbers::pi * std::numbers::pi * kTorusBig * kTorusSmall * kTorusSmall},
        // At each pole one triangle per cell degenerates, and the cap is a single point.
        {"ball with both ends on the axis", ball,
         [](const PointGrid& g) { return -2L * (g.rows - 1); }, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = c.make();
        const PointGrid g = s->grid();
        const long expected = static_cast<long>(gridTriangleCount(*s)) + c.extra(g);
        ObjectList list = single(std::move(s));
        auto fs = parseBinary(binaryOf(list));
        EXPECT_EQ(static_cast<long>(fs.size()), expected);
        expectClosed(fs);
        const double v = signedVolume(fs);
        EXPECT_GT(v, 0.0);
        if (c.volume > 0) {
            EXPECT_NEAR(v, c.volume, 0.03 * c.volume);
        }
        for (const StlFacet& f : fs) EXPECT_NEAR(length(f.normal), 1.0f, 1e-5f);
    }
}

std::array<Key, 3> canonical(std::array<Point3, 3> v) {
    std::array<Key, 3> k{key(v[0]), key(v[1]), key(v[2])};
    std::rotate(k.begin(), std::min_element(k.begin(), k.end()), k.end());
    return k;
}

TEST(StlExport, NegativeOrientationTurnsEveryFacetOver) {
    auto plus = parseBinary(binaryOf(single(tube(1))));
    auto minus = parseBinary(binaryOf(single(tube(-1))));
    ASSERT_EQ(plus.size(), minus.size());
    std::map<std::array<Key, 3>, Key> expected, actual;
    for (const StlFacet& f : plus) expected[canonical({f.v[0], f.v[2], f.v[1]})] = key(-f.normal);
    for (const StlFacet& f : minus) actual[canonical(f.v)] = key(f.normal);
    EXPECT_EQ(actual, expected);
    EXPECT_NEAR(signedVolume(minus), -signedVolume(plus), 1e-3);
}

// ---- facet cleaning ----

TEST(StlExport, FacetRoundingAndDegenerateFacets) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        std::array<Point3, 3> v;
        bool kept;
    } cases[] = {
        {"plain", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, true},
        {"two corners round together",
         {{{0, 0, 0}, {0.00004f, 0.00002f, -0.00003f}, {0, 1, 0}}},
         false},
        {"two corners round apart", {{{0, 0, 0}, {0.00006f, 0, 0}, {0, 1, 0}}}, true},
        {"third corner rounds onto the first",
         {{{5, 5, 5}, {6, 5, 5}, {5.00003f, 4.99996f, 5}}},
         false},
        {"corners on a line", {{{0, 0, 0}, {1, 1, 1}, {3, 3, 3}}}, false},
        {"on a line once rounded", {{{0, 0, 0}, {1, 0.00002f, 0}, {2, 0, 0}}}, false},
        {"tiny but real", {{{0, 0, 0}, {0.0003f, 0, 0}, {0, 0.0002f, 0}}}, true},
        {"not a number", {{{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}}}, false},
        {"infinite", {{{0, 0, 0}, {INFINITY, 0, 0}, {0, 1, 0}}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fs = parseBinary(binaryOf(single(facets({c.v[0], c.v[1], c.v[2]}, {3}, {0, 1, 2}))));
        ASSERT_EQ(fs.size(), c.kept ? 1u : 0u);
        if (!c.kept) continue;
        // Unit normal even where a plain normalize() would leave a tiny facet's normal short.
        EXPECT_NEAR(length(fs[0].normal), 1.0f, 1e-6f);
        EXPECT_GT(fs[0].normal.z, 0.99f);
        for (const Point3& v : fs[0].v)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(v[k], roundToGrid(v[k])) << "vertex not on the 0.0001 grid";
    }
}

TEST(StlExport, FacetObjectFacesAreFans) {
    // A pentagon, a quad with a bad index (skipped), a face cut short by the index list.
    std::vector<Point3> pts = {{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {1, 3, 0}, {-1, 1, 0}};
    auto f = facets(pts, {5, 4, 3}, {0, 1, 2, 3, 4, 0, 1, 9, 2, 0});
    f->orientation = -1;  // not applied to facet objects
    auto fs = parseBinary(binaryOf(single(std::move(f))));
    ASSERT_EQ(fs.size(), 3u);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(key(fs[m].v[0]), key(pts[0]));
        EXPECT_EQ(key(fs[m].v[1]), key(pts[m + 1]));
        EXPECT_EQ(key(fs[m].v[2]), key(pts[m + 2]));
        EXPECT_GT(fs[m].normal.z, 0.99f);
    }
}

// ---- Booleans and gems ----

TEST(StlExport, BooleanWritesItsShownChildren) {
    const struct {
        const char* name;
        uint32_t operation;
        bool showSubtractors;
        std::array<int, 4> states;
        std::vector<float> written;  // x of each written child, in order
    } cases[] = {
        {"union", kUnion, false, {0, 0, 2, 0}, {0, 10, 30}},
        {"intersection", kIntersect, false, {0, 1, 0, 0}, {0, 10, 20, 30}},
        {"subtraction, subtractors hidden", kSubtract, false, {0, 0, 0, 0}, {0}},
        {"subtraction, subtractors shown", kSubtract, true, {0, 0, 2, 1}, {0, 10, 30}},
        {"subtraction, first child hidden", kSubtract, false, {2, 0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = std::make_unique<BooleanObject>();
        b->operation = c.operation;
        b->showSubtractors = c.showSubtractors;
        for (int i = 0; i < 4; ++i) {
            auto child = triangleAt({10.0f * i, 0, 0});
            child->state = c.states[i];
            b->children.append(std::move(child));
        }
        std::vector<float> written;
        for (const StlFacet& f : parseBinary(binaryOf(single(std::move(b)))))
            written.push_back(f.v[0].x);
        EXPECT_EQ(written, c.written);
    }
}

class StlFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orv_output_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::shared_ptr<GemLibrary> library(const ObjectList& entries) {
        const std::vector<uint8_t> bytes = designBytes(entries);
        const fs::path file = dir / "gemlib";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return std::make_shared<GemLibrary>(file);
    }

    static std::string fileText(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir;
};

std::unique_ptr<GemInstance> gem(std::shared_ptr<GemLibrary> lib, uint32_t index,
                                 const Matrix4& placement) {
    auto g = std::make_unique<GemInstance>();
    g->library = std::move(lib);
    g->gemIndex = index;
    g->placement = placement;
    return g;
}

TEST_F(StlFiles, GemInstancesApplyEveryPlacementInnermostFirst) {
    // Entry 1 places entry 0 one step along x; the design scales entry 1 by two. Innermost
    // first puts the corner at 20; the other order would put it at 10.
    ObjectList entries;
    entries.append(triangleAt({0, 0, 0}));
    entries.append(gem(nullptr, 0, Matrix4::translation(10, 0, 0)));
    entries.append(gem(nullptr, 7, Matrix4::identity()));  // points outside the library
    auto lib = library(entries);

    ObjectList list;
    list.append(gem(lib, 1, Matrix4::scaling(2, 2, 2)));
    list.append(gem(lib, 2, Matrix4::identity()));
    list.append(gem(lib, 99, Matrix4::identity()));
    auto fs = parseBinary(binaryOf(list));
    ASSERT_EQ(fs.size(), 1u);
    EXPECT_EQ(key(fs[0].v[0]), (Key{20, 0, 0}));
    EXPECT_EQ(key(fs[0].v[1]), (Key{22, 0, 0}));
    EXPECT_EQ(key(fs[0].v[2]), (Key{20, 2, 0}));
}

TEST_F(StlFiles, MirroredGemStaysOutsideOut) {
    ObjectList entries;
    entries.append(tube());
    auto lib = library(entries);
    const Matrix4 mirror = Matrix4::scaling(-1, 1, 1) * Matrix4::translation(0, 0, 5);
    auto fs = parseBinary(binaryOf(single(gem(lib, 0, mirror))));
    expectClosed(fs);
    EXPECT_GT(signedVolume(fs), 0.0);
    for (const StlFacet& f : fs) EXPECT_GE(f.v[0].z, 5.0f);
}

// ---- files ----

TEST_F(StlFiles, FilesHoldTheStreamBytes) {
    ObjectList list;
    list.append(tube());
    list.append(triangleAt({9, 9, 9}));
    const fs::path ascii = dir / "ring.stl", binary = dir / "ring-b.stl";
    { std::ofstream(ascii) << "an older export"; }
    ASSERT_EQ(writeStlAscii(list, ascii), FileStatus::Ok);
    ASSERT_EQ(writeStlBinary(list, binary), FileStatus::Ok);
    EXPECT_EQ(fileText(ascii), asciiOf(list));
    EXPECT_EQ(fileText(binary), binaryOf(list));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
        << "a temporary file was left behind";
}

TEST_F(StlFiles, UnwritableTargetsReportFailure) {
    ObjectList list = single(tube());
    const fs::path missing = dir / "no such folder" / "ring.stl";
    EXPECT_EQ(writeStlAscii(list, missing), FileStatus::CannotWrite);
    EXPECT_EQ(writeStlBinary(list, missing), FileStatus::CannotWrite);
    EXPECT_FALSE(fs::exists(missing.parent_path()));

    const fs::path folder = dir / "folder.stl";
    fs::create_directories(folder / "inside");
    EXPECT_EQ(writeStlBinary(list, folder), FileStatus::CannotWrite);
    EXPECT_TRUE(fs::is_directory(folder / "inside"));

    const fs::path underFile = dir / "plain" / "ring.stl";
    { std::ofstream(dir / "plain") << "not a folder"; }
    EXPECT_EQ(writeStlAscii(list, underFile), FileStatus::CannotWrite);
    EXPECT_EQ(fileText(dir / "plain"), "not a folder");
}

// Accepts `limit` bytes, then fails every write; never seekable.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(size_t limit) : left_(limit) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        if (static_cast<size_t>(n) > left_) return 0;
        left_ -= static_cast<size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override {
        if (left_ == 0) return traits_type::eof();
        --left_;
        return traits_type::not_eof(c);
    }

private:
    size_t left_;
};

TEST(StlStreams, FailuresAreReported) {
    ObjectList list = single(torus());
    FailingBuffer smallDisk(100000);
    std::ostream out(&smallDisk);
    EXPECT_EQ(writeStlAscii(list, out), -1);

    // Binary goes back for the count; a stream that cannot seek cannot hold it.
    FailingBuffer pipe(size_t{1} << 30);
    std::ostream piped(&pipe);
    EXPECT_EQ(writeStlBinary(list, piped), -1);
}

TEST_F(StlFiles, AdmeshSeesOneClosedPart) {
    if (std::system("admesh --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no admesh";
    ObjectList list;
    list.append(tube());
    const fs::path file = dir / "tube.stl", report = dir / "report.txt";
    ASSERT_EQ(writeStlBinary(list, file), FileStatus::Ok);
    const std::string command =
        "admesh -e -d '" + file.string() + "' > '" + report.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = fileText(report);
    auto field = [&](const std::string& name) {
        size_t at = text.find(name);
        if (at == std::string::npos) return -1L;
        at = text.find(':', at);
        return std::strtol(text.c_str() + at + 1, nullptr, 10);
    };
    EXPECT_EQ(field("Number of parts"), 1) << text;
    EXPECT_EQ(field("Total disconnected facets"), 0) << text;
    EXPECT_EQ(field("Facets reversed"), 0) << text;
}

}  // namespace
}  // namespace orv
