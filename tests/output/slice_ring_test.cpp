// The shipped sample ring, sliced and converted back to a mesh: the slice file follows the
// stored layout layer by layer, and the slabs make a closed, outward mesh of the ring's volume.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "common/shell.h"
#include "model/design_file.h"
#include "output/slicer.h"
#include "output/stl.h"
#include "slc_parse.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string run(const std::string& cmd) {
    return test::commandOutput(cmd);
}

double stlVolume(const std::vector<uint8_t>& b) {
    uint32_t n = 0;
    std::memcpy(&n, b.data() + 80, 4);
    double v = 0;
    for (uint32_t i = 0; i < n; ++i) {
        float p[9];
        std::memcpy(p, b.data() + 84 + 50 * size_t{i} + 12, 36);
        v += (p[0] * (p[4] * p[8] - p[5] * p[7]) - p[1] * (p[3] * p[8] - p[5] * p[6]) +
              p[2] * (p[3] * p[7] - p[4] * p[6])) /
             6.0;
    }
    return v;
}

class SliceRing : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_slice_ring_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ASSERT_EQ(openDesign(doc, fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd"),
                  FileStatus::Ok);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    Document doc;
};

TEST_F(SliceRing, SlicesFollowTheStoredLayoutAndConvertToAClosedRingOfItsVolume) {
    // Coarse enough to stay quick.
    SliceJob job;
    job.thickness = 0.05;
    job.xy = 0.05;
    const fs::path slc = dir / "ring.slc";
    const SliceReport report = sliceToFile(doc.objects(), job, slc);
    ASSERT_EQ(report.status, OutputStatus::Ok);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(slc, bytes));
    const test::Parsed p = test::parse(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(p.size, bytes.size());

    const BoundingBox box = sliceBox(doc.objects(), job);
    EXPECT_EQ(p.header.rfind("-SLCVER 2.0 -UNIT MM -TYPE PART -PACKAGE Orivanta 4.0 -EXTENTS ", 0),
              0u)
        << p.header;
    float e[6];
    ASSERT_EQ(std::sscanf(p.header.c_str() + p.header.find("-EXTENTS") + 8, "%f,%f,%f,%f,%f,%f",
                          &e[0], &e[1], &e[2], &e[3], &e[4], &e[5]),
              6);
    // X and Y: what was written, one cell wider on every side.
    EXPECT_NEAR(e[0], box.lo.x - 0.05, 0.051);
    EXPECT_NEAR(e[1], box.hi.x + 0.05, 0.051);
    EXPECT_NEAR(e[2], box.lo.y - 0.05, 0.051);
    EXPECT_NEAR(e[3], box.hi.y + 0.05, 0.051);
    EXPECT_LE(e[4], box.lo.z + 0.001);  // three decimals
    EXPECT_GE(e[5], box.hi.z - 0.05);

    ASSERT_EQ(p.sampling.size(), 1u);
    EXPECT_FLOAT_EQ(p.sampling[0][1], 0.05f);
    ASSERT_EQ(p.layers.size(), static_cast<size_t>(report.layersWritten))
        << "no empty records in a ring";
    ASSERT_GT(p.layers.size(), 70u);
    for (size_t k = 0; k < p.layers.size(); ++k) {
        const float z = p.layers[k].z;
        EXPECT_NEAR(z / 0.05, std::round(z / 0.05), 1e-3) << "whole multiples of the thickness";
        if (k > 0) {
            EXPECT_NEAR(z - p.layers[k - 1].z, 0.05, 1e-5);
        }
        EXPECT_EQ(p.layers[k].boundaries.size(), 2u) << "outside and inside of the band at " << z;
    }
    EXPECT_NEAR(p.terminatorZ, p.layers.back().z + 0.05f, 1e-5);

    const fs::path stl = dir / "ring.stl";
    ASSERT_EQ(convertSliceFile(slc, stl, SliceMeshFormat::StlBinary, true, SliceFrame::AcrossZ),
              OutputStatus::Ok);
    std::vector<uint8_t> slabs, exported;
    ASSERT_TRUE(readFileBytes(stl, slabs));
    std::stringstream ref(std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_GT(writeStlBinary(doc.objects(), ref), 0);
    const std::string refBytes = ref.str();
    exported.assign(refBytes.begin(), refBytes.end());
    const double want = stlVolume(exported);
    EXPECT_NEAR(stlVolume(slabs), want, 0.01 * want);

    if (run("command -v admesh").empty()) GTEST_SKIP() << "admesh is not installed";
    const std::string r = run("admesh -e -d " + stl.string());
    EXPECT_NE(r.find("Total disconnected facets        :     0"), std::string::npos) << r;
    EXPECT_NE(r.find("Facets reversed       :     0"), std::string::npos) << r;
    // Each slab is its own closed shell; stacked slabs touch along their cap planes.
    char parts[64];
    std::snprintf(parts, sizeof parts, "Number of parts       : %5zu", p.layers.size());
    EXPECT_NE(r.find(parts), std::string::npos) << r;
    const auto at = r.find("Volume   :");
    ASSERT_NE(at, std::string::npos) << r;
    EXPECT_NEAR(std::atof(r.c_str() + at + 10), want, 0.01 * want);
}

}  // namespace
}  // namespace orv
