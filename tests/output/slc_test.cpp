#include "output/slc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "output/dxf_faces.h"
#include "output/slicer.h"
#include "slc_parse.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> toVector(const std::string& s) {
    return {s.begin(), s.end()};
}

SlcBoundary square(float x0, float y0, float x1, float y1, bool anticlockwise = true) {
    SlcBoundary b;
    if (anticlockwise)
        b.points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    else
        b.points = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
    return b;
}

// A small file: two layers of a square with a square hole, then a gap, then a lone square.
std::string sampleFile(bool holeAnticlockwise = false, bool outerAnticlockwise = true) {
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    SlcWriter w(out);
    w.begin(false, {0, 10, 0, 10, 0, 0.5f}, 0.1f);
    const std::vector<SlcBoundary> framed = {square(0, 0, 10, 10, outerAnticlockwise),
                                             square(3, 3, 7, 7, holeAnticlockwise)};
    w.layer(0.0f, framed);
    w.layer(0.1f, framed);
    w.emptyLayer(0.2f);
    const std::vector<SlcBoundary> lone = {square(2, 2, 4, 4)};
    w.layer(0.4f, lone);
    w.terminator(0.5f);
    w.rewriteHeader(false, {-1, 11, -1, 11, 0, 0.5f});
    EXPECT_TRUE(w.ok());
    return out.str();
}

TEST(SlcWriter, LayoutFieldByField) {
    const std::string b = sampleFile();
    test::Parsed p = test::parse(b);
    EXPECT_EQ(p.header,
              "-SLCVER 2.0 -UNIT MM -TYPE PART -PACKAGE Orivanta 4.0 -EXTENTS     -1.000,    "
              "11.000,    -1.000,    11.000,     0.000,     0.500 \r\n\x1a");
    ASSERT_EQ(p.sampling.size(), 1u);
    EXPECT_EQ(p.sampling[0], (std::array<float, 4>{0, 0.1f, 0, 0}));
    ASSERT_EQ(p.layers.size(), 4u);
    EXPECT_EQ(p.layers[0].boundaries.size(), 2u);
    EXPECT_EQ(p.layers[0].boundaries[1].size(), 5u);
    EXPECT_FLOAT_EQ(p.layers[1].z, 0.1f);
    EXPECT_TRUE(p.layers[2].boundaries.empty());
    EXPECT_FLOAT_EQ(p.layers[3].z, 0.4f);
    EXPECT_FLOAT_EQ(p.terminatorZ, 0.5f);
    EXPECT_EQ(p.size, b.size()) << "nothing after the terminator";
}

TEST(SlcWriter, HeaderKeepsItsLengthWhateverTheExtents) {
    for (bool inch : {false, true}) {
        const size_t expected = inch ? 134 : 132;
        for (float v : {0.0f, -99999.999f, 999999.999f, -1e9f, 1e9f, NAN, INFINITY})
            EXPECT_EQ(slcHeaderText(inch, {v, v, v, v, v, v}).size(), expected) << v;
    }
    EXPECT_NE(slcHeaderText(true, {}).find("-UNIT INCH -TYPE"), std::string::npos);
}

TEST(SlcReader, ReadsBackWhatWasWritten) {
    SliceFile f;
    ASSERT_EQ(readSlc(toVector(sampleFile()), f), 4);
    EXPECT_FALSE(f.inch);
    EXPECT_EQ(f.extents, (SlcExtents{-1, 11, -1, 11, 0, 0.5f}));
    EXPECT_FLOAT_EQ(f.thickness(), 0.1f);
    ASSERT_EQ(f.layers.size(), 4u);
    EXPECT_EQ(f.layers[0].boundaries[0].points, square(0, 0, 10, 10).points);
    EXPECT_FLOAT_EQ(f.terminatorZ, 0.5f);

    std::stringstream inch(std::ios::in | std::ios::out | std::ios::binary);
    SlcWriter w(inch);
    w.begin(true, {}, 0.002f);
    w.terminator(0);
    ASSERT_EQ(readSlc(toVector(inch.str()), f), 0);
    EXPECT_TRUE(f.inch);
    EXPECT_FLOAT_EQ(f.toMillimetres(), 25.4f);
}

TEST(SlcReader, RefusesDamagedFilesWithoutTrustingCounts) {
    const std::string good = sampleFile();
    SliceFile f;
    // Every cut short of the terminator is refused.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_LT(readSlc(toVector(good.substr(0, n)), f), 0) << "cut at " << n;

    // Not a slice file, and a header without its end mark.
    EXPECT_EQ(readSlc(toVector("solid Orivanta\r\n"), f), kSlcNotSlc);
    EXPECT_EQ(readSlc(toVector("-SLCVER 2.0 " + std::string(4000, 'x')), f), kSlcNotSlc);

    // Huge counts: a boundary count and a vertex count that the remaining bytes cannot hold.
    const size_t firstLayer = good.find('\x1a') + 1 + 256 + 1 + 16;
    std::string boundaries = good;
    std::memset(boundaries.data() + firstLayer + 4, 0xFF, 3);
    EXPECT_EQ(readSlc(toVector(boundaries), f), kSlcBadCount);
    std::string vertices = good;
    std::memset(vertices.data() + firstLayer + 8, 0x7F, 4);
    EXPECT_EQ(readSlc(toVector(vertices), f), kSlcBadCount);
    // A sampling table without entries.
    std::string noEntries = good;
    noEntries[good.find('\x1a') + 1 + 256] = 0;
    EXPECT_EQ(readSlc(toVector(noEntries), f), kSlcBadCount);

    EXPECT_EQ(loadSlc("/nonexistent/file.slc", f), kSlcCannotOpen);
}

TEST(SlcNames, DefaultExtensionRule) {
    struct Case {
        const char* in;
        const char* withExt;
        const char* without;
    } cases[] = {
        {"orva", "orva.slc", "orva"},
        {"ring.slc", "ring.slc", "ring"},
        {"dir/ring.s", "dir/ring.s", "dir/ring"},
        {"my.design", "my.design.slc", "my.design"},
        {"a.b/ring", "a.b/ring.slc", "a.b/ring"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withDefaultExtension(c.in, "slc").string(), c.withExt);
        EXPECT_EQ(withoutShortExtension(c.in).string(), c.without);
    }
}

// ---- slabs ----

struct Tri {
    Point3 a, b, c;
};

class Collect final : public MeshWriter {
  public:
    void begin() override { ++begins; }
    void triangle(const Point3& a, const Point3& b, const Point3& c) override {
        tris.push_back({a, b, c});
    }
    void end() override { ++ends; }
    std::vector<Tri> tris;
    int begins = 0, ends = 0;
};

double signedVolume(const std::vector<Tri>& tris) {
    double v = 0;
    for (const Tri& t : tris) v += dot(t.a, cross(t.b, t.c)) / 6.0;
    return v;
}

// Every directed edge must be matched by as many edges running the other way: the mesh is made
// of closed, consistently wound shells (stacked slabs share their cap planes).
void expectClosed(const std::vector<Tri>& tris) {
    std::map<std::array<float, 6>, int> edges;
    auto add = [&](const Point3& p, const Point3& q) { ++edges[{p.x, p.y, p.z, q.x, q.y, q.z}]; };
    for (const Tri& t : tris) {
        add(t.a, t.b);
        add(t.b, t.c);
        add(t.c, t.a);
    }
    int bad = 0;
    for (const auto& [e, n] : edges) {
        auto back = edges.find({e[3], e[4], e[5], e[0], e[1], e[2]});
        if (back == edges.end() || back->second != n) ++bad;
    }
    EXPECT_EQ(bad, 0) << "edges without an opposite partner";
}

TEST(SlcToMesh, SlabsAreClosedAndFaceOutWhateverTheWinding) {
    // (100 - 16) per framed layer, 4 for the lone square; thickness 0.1.
    const double expected = (84 * 2 + 4) * 0.1;
    for (bool holeCcw : {false, true})
        for (bool outerCcw : {true, false}) {
            SliceFile f;
            ASSERT_EQ(readSlc(toVector(sampleFile(holeCcw, outerCcw)), f), 4);
            Collect mesh;
            ASSERT_TRUE(slicesToMesh(f, mesh, true, SliceFrame::AcrossZ));
            EXPECT_EQ(mesh.begins, 1);
            EXPECT_EQ(mesh.ends, 1);
            expectClosed(mesh.tris);
            // The lone square after the gap starts at its own level: no material is made up
            // in the empty slices below it.
            EXPECT_NEAR(signedVolume(mesh.tris), expected, 1e-3) << holeCcw << outerCcw;
            auto inLone = [](const Point3& p) {
                return p.x >= 2 && p.x <= 4 && p.y >= 2 && p.y <= 4;
            };
            float lowest = 1e9f;
            for (const Tri& t : mesh.tris)
                if (inLone(t.a) && inLone(t.b) && inLone(t.c))
                    lowest = std::min({lowest, t.a.z, t.b.z, t.c.z});
            EXPECT_FLOAT_EQ(lowest, 0.4f);
        }
}

TEST(SlcToMesh, InchFilesComeOutInMillimetresAndTheSideFrameMapsBack) {
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    SlcWriter w(out);
    w.begin(true, {}, 0.5f);
    const std::vector<SlcBoundary> one = {square(0, 0, 1, 2)};
    w.layer(1.0f, one);
    w.terminator(1.5f);
    SliceFile f;
    ASSERT_EQ(readSlc(toVector(out.str()), f), 1);

    Collect flat;
    slicesToMesh(f, flat, true, SliceFrame::AcrossZ);
    expectClosed(flat.tris);
    EXPECT_NEAR(signedVolume(flat.tris), 1 * 2 * 0.5 * 25.4 * 25.4 * 25.4, 1e-2);

    // Across X: file (x, y) and level Z are model (-Z, y, x).
    Collect side;
    slicesToMesh(f, side, true, SliceFrame::AcrossX);
    expectClosed(side.tris);
    EXPECT_NEAR(signedVolume(side.tris), 1 * 2 * 0.5 * 25.4 * 25.4 * 25.4, 1e-2);
    for (const Tri& t : side.tris)
        for (const Point3& p : {t.a, t.b, t.c}) {
            EXPECT_GE(p.x, -1.5f * 25.4f - 1e-3f);
            EXPECT_LE(p.x, -1.0f * 25.4f + 1e-3f);
            EXPECT_GE(p.z, 0.0f);
            EXPECT_LE(p.z, 25.4f + 1e-3f);
        }

    Collect wallsOnly;
    slicesToMesh(f, wallsOnly, false, SliceFrame::AcrossZ);
    EXPECT_EQ(wallsOnly.tris.size(), 8u);
}

TEST(SlcToMesh, ConvertsFilesToStlAndDxfFaces) {
    const fs::path dir = fs::temp_directory_path() / ("orv_slc_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string b = sampleFile();
    {
        std::ofstream(dir / "a.slc", std::ios::binary)
            .write(b.data(), static_cast<std::streamsize>(b.size()));
    }
    EXPECT_EQ(convertSliceFile(dir / "a.slc", dir / "a.stl", SliceMeshFormat::StlBinary, true,
                               SliceFrame::AcrossZ),
              OutputStatus::Ok);
    std::vector<uint8_t> stl;
    ASSERT_TRUE(readFileBytes(dir / "a.stl", stl));
    ASSERT_GE(stl.size(), 84u);
    uint32_t n;
    std::memcpy(&n, stl.data() + 80, 4);
    EXPECT_EQ(stl.size(), 84u + 50u * n);

    EXPECT_EQ(convertSliceFile(dir / "a.slc", dir / "a.dxf", SliceMeshFormat::DxfFaces, false,
                               SliceFrame::AcrossZ),
              OutputStatus::Ok);
    std::vector<uint8_t> dxf;
    ASSERT_TRUE(readFileBytes(dir / "a.dxf", dxf));
    const std::string text(dxf.begin(), dxf.end());
    EXPECT_EQ(text.rfind("0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n1\n10\n   0.000\n20\n   "
                         "0.000\n30\n   0.000\n11\n  10.000\n",
                         0),
              0u)
        << text.substr(0, 200);
    EXPECT_TRUE(text.ends_with("0\nENDSEC\n0\nEOF\n"));

    // A damaged input writes nothing.
    { std::ofstream(dir / "bad.slc", std::ios::binary) << b.substr(0, b.size() - 3); }
    EXPECT_EQ(convertSliceFile(dir / "bad.slc", dir / "bad.stl", SliceMeshFormat::StlAscii, true,
                               SliceFrame::AcrossZ),
              OutputStatus::InvalidFormat);
    EXPECT_FALSE(fs::exists(dir / "bad.stl"));
    EXPECT_EQ(convertSliceFile(dir / "none.slc", dir / "none.stl", SliceMeshFormat::StlAscii, true,
                               SliceFrame::AcrossZ),
              OutputStatus::CannotOpen);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace orv
