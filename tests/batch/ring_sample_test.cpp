// The shipped samples, end to end: each script makes its shipped design byte for byte, and
// the designs export to closed, outward-facing STL files of the volume they describe.
//
// ORV_REGENERATE=1 rewrites examples/*.ovd from their scripts instead of comparing;
// look at the result (orivanta-batch info) before committing it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <sstream>

#include "batch/batch.h"
#include "common/shell.h"
#include "kernel/bspline.h"
#include "model/design_file.h"
#include "model/objects.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(ORV_SOURCE_DIR) / "examples";

int batch(std::vector<std::string> args, std::string* err = nullptr) {
    std::ostringstream out, e;
    int s = runBatch(args, BatchEnvironment{fs::temp_directory_path()}, out, e);
    if (err) *err = e.str();
    return s;
}

std::string run(const std::string& cmd) {
    return test::commandOutput(cmd);
}

class RingSample : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_ring_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

// Both shipped samples: the ring made with dialogs, the pendant drawn with mouse lines.
TEST_F(RingSample, ScriptsMakeTheShippedDesigns) {
    for (const char* name : {"ring", "pendant"}) {
        SCOPED_TRACE(name);
        const std::string design = std::string(name) + ".ovd";
        fs::path made = dir / design;
        std::string err;
        ASSERT_EQ(batch({"script", (kExamples / (std::string(name) + ".ovs")).string(), "--save",
                         made.string()},
                        &err),
                  0)
            << err;
        std::vector<uint8_t> mine, shipped;
        ASSERT_TRUE(readFileBytes(made, mine));
        if (std::getenv("ORV_REGENERATE")) {
            fs::copy_file(made, kExamples / design, fs::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(readFileBytes(kExamples / design, shipped));
        EXPECT_EQ(mine, shipped) << "examples/" << design
                                 << " is stale: rerun with ORV_REGENERATE=1";
    }
}

// The pendant is one closed solid: its mesh and the exact estimate agree on the volume.
TEST_F(RingSample, PendantIsOneSolidOfTheExpectedVolume) {
    const fs::path design = kExamples / "pendant.ovd", stl = dir / "pendant.stl";
    ASSERT_EQ(batch({"export", design.string(), stl.string()}), 0);
    std::ostringstream out, e;
    ASSERT_EQ(runBatch({"estimate", design.string(), "--json"}, BatchEnvironment{dir}, out, e), 0)
        << e.str();
    const std::string json = out.str();
    const size_t at = json.find("\"volume\"");
    ASSERT_NE(at, std::string::npos) << json;
    const double volume = std::strtod(json.c_str() + json.find(':', at) + 1, nullptr);
    // Plate: the cushion's area (about 235 mm2) times 1.6 mm; the bail adds the part of its
    // ring that stands above the plate.
    EXPECT_GT(volume, 375.0);
    EXPECT_LT(volume, 400.0);
    if (run("command -v admesh").empty()) GTEST_SKIP() << "admesh is not installed";
    const std::string report = run("admesh -e -d " + stl.string());
    EXPECT_NE(report.find("Total disconnected facets        :     0"), std::string::npos) << report;
    EXPECT_NE(report.find("Facets reversed       :     0"), std::string::npos) << report;
}

// Volume of the ring the profile describes, by Pappus: the profile curve, sampled finely,
// turned once about Z.
double intendedVolume(const CurveObject& profile) {
    PointArray pts = curvePoints(profile.cvs.data(), profile.cvCount(), false, false, true, 512);
    double area = 0, moment = 0;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        double x0 = pts[i].x, z0 = pts[i].z, x1 = pts[i + 1].x, z1 = pts[i + 1].z;
        double cross = x0 * z1 - x1 * z0;
        area += cross / 2;
        moment += (x0 + x1) * cross / 6;
    }
    return 2 * std::numbers::pi * std::fabs(moment);
}

TEST_F(RingSample, ExportsAClosedOutwardRingOfTheRightVolume) {
    Document doc;
    ASSERT_EQ(openDesign(doc, kExamples / "ring.ovd"), FileStatus::Ok);
    const CurveObject* profile = nullptr;
    doc.objects().forEach([&](const ModelObject& o) {
        if (o.classNumber() == kClassCurve) profile = static_cast<const CurveObject*>(&o);
    });
    ASSERT_NE(profile, nullptr);
    BoundingBox box = profile->boundingBox(Matrix4::identity());
    EXPECT_NEAR(box.lo.x, 17.3 / 2, 1e-4);  // inner diameter 17.3 mm
    EXPECT_NEAR(box.hi.x - box.lo.x, 2.0, 1e-4);
    EXPECT_NEAR(box.hi.z - box.lo.z, 4.0, 1e-4);
    double intended = intendedVolume(*profile);

    fs::path stl = dir / "ring.stl";
    ASSERT_EQ(batch({"export", (kExamples / "ring.ovd").string(), stl.string()}), 0);
    std::vector<uint8_t> b;
    ASSERT_TRUE(readFileBytes(stl, b));
    ASSERT_GE(b.size(), 84u);
    uint32_t n;
    std::memcpy(&n, b.data() + 80, 4);
    ASSERT_EQ(b.size(), 84u + 50u * n);
    double signedVolume = 0;
    for (uint32_t i = 0; i < n; ++i) {
        float v[9];
        std::memcpy(v, b.data() + 84 + 50 * i + 12, 36);
        signedVolume += (v[0] * (v[4] * v[8] - v[5] * v[7]) - v[1] * (v[3] * v[8] - v[5] * v[6]) +
                         v[2] * (v[3] * v[7] - v[4] * v[6])) /
                        6.0;
    }
    EXPECT_GT(signedVolume, 0.0) << "facets must face outwards";
    EXPECT_NEAR(signedVolume, intended, 0.01 * intended);

    if (run("command -v admesh").empty()) GTEST_SKIP() << "admesh is not installed";
    std::string report = run("admesh -e -d " + stl.string());
    EXPECT_NE(report.find("Number of parts       :     1"), std::string::npos) << report;
    EXPECT_NE(report.find("Total disconnected facets        :     0"), std::string::npos) << report;
    auto at = report.find("Volume   :");
    ASSERT_NE(at, std::string::npos) << report;
    double admeshVolume = std::atof(report.c_str() + at + 10);
    EXPECT_NEAR(admeshVolume, intended, 0.01 * intended);
}

}  // namespace
}  // namespace orv
