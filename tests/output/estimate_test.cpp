#include "output/estimate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "common/shell.h"
#include "model/design_file.h"
#include "model/document.h"
#include "solids.h"

namespace orv {
namespace {

using test::listOf;

using test::box;

constexpr double kPi = std::numbers::pi;

SolidEstimate estimate(const ObjectList& list, bool centre = true, Progress* progress = nullptr) {
    EstimateOptions options;
    options.centre = centre;
    return estimateSolid(list, options, progress);
}

TEST(Estimate, CubeOnTheGridHasItsExactVolume) {
    ObjectList list = listOf(box({1.5f, 2.0f, -3.0f}, {11.5f, 12.0f, 7.0f}));
    const SolidEstimate e = estimate(list);
    ASSERT_TRUE(e.ok());
    EXPECT_EQ(e.slices, 200);
    EXPECT_EQ(e.rows, 200);
    EXPECT_DOUBLE_EQ(e.length, 200.0 * 200.0 * 200.0);
    EXPECT_NEAR(e.volume, 1000.0, 1e-3);
    EXPECT_NEAR(e.weight(19.3), 19.3, 1e-5);
}

// Rows and slices count at their sample positions (x = min.x + j * cell), runs at the middle
// of each interval, so two cubes side by side balance midway in X and half a cell low in X
// and Y.
TEST(Estimate, CentreOfTwoCubesLiesBetweenThem) {
    ObjectList list = listOf(box({0, 0, 0}, {2, 2, 2}), box({4, 0, 0}, {6, 2, 2}));
    const SolidEstimate e = estimate(list);
    ASSERT_TRUE(e.ok());
    EXPECT_NEAR(e.volume, 16.0, 1e-4);
    EXPECT_NEAR(e.centre.x, 3.0f - 0.025f, 1e-4);
    EXPECT_NEAR(e.centre.y, 1.0f - 0.025f, 1e-4);
    EXPECT_NEAR(e.centre.z, 1.0f, 1e-4);
}

// Ring of inner radius 8, outer radius 10, 3 mm wide; the volume must not depend on how the
// design is turned in the grid.
TEST(Estimate, VolumeDoesNotDependOnTheDesignsOrientation) {
    const double exact = kPi * (10.0 * 10.0 - 8.0 * 8.0) * 3.0;
    const Matrix4 turns[] = {
        Matrix4::identity(),
        axisRotation(0, 90.0),
        axisRotation(0, 33.0) * axisRotation(2, 71.0),
        axisRotation(1, 45.0) * axisRotation(0, -20.0) * Matrix4::translation(3.3f, -7.1f, 12.9f),
    };
    double first = 0.0;
    for (size_t k = 0; k < std::size(turns); ++k) {
        SCOPED_TRACE(testing::Message() << "turn " << k);
        ObjectList list = listOf(test::bandRing(8, 10, -1.5f, 1.5f));
        list[0].transform(turns[k], true);
        const SolidEstimate e = estimate(list, false);
        ASSERT_TRUE(e.ok());
        EXPECT_NEAR(e.volume, exact, exact * 0.003);
        if (k == 0) first = e.volume;
        EXPECT_NEAR(e.volume, first, first * 0.003);
    }
}

// A cylinder made by sweeping a circle, flagged as a super subtractor, cuts the inner half of
// the band's lower half away; a jewel set into the cut adds exactly its own volume.
TEST(Estimate, SuperSubtractedCylinderAndJewelChangeTheVolumeAsExpected) {
    auto cylinder = test::tube(9.0f, 0.0f, 5.0f);
    ASSERT_NE(cylinder, nullptr);
    const BoundingBox cb = cylinder->boundingBox(Matrix4::identity());
    ASSERT_NEAR(cb.lo.z, 0.0f, 1e-4);
    ASSERT_NEAR(cb.hi.z, 5.0f, 1e-4);
    ASSERT_NEAR(cb.hi.x, 9.0f, 0.02f);
    cylinder->superSubtractor = true;

    ObjectList list = listOf(test::bandRing(8, 10, -1.5f, 1.5f), std::move(cylinder));
    const double ring = kPi * (10.0 * 10.0 - 8.0 * 8.0) * 3.0;
    const double cut = kPi * (9.0 * 9.0 - 8.0 * 8.0) * 1.5;
    const SolidEstimate cutRing = estimate(list);
    ASSERT_TRUE(cutRing.ok());
    EXPECT_NEAR(cutRing.volume, ring - cut, (ring - cut) * 0.003);
    // The cut is the upper inner half: the centre moves down.
    EXPECT_LT(cutRing.centre.z, -0.1f);
    EXPECT_NEAR(cutRing.centre.x, 0.0f, 0.01f);

    // A jewel inside the cut is not cut by the super subtractor.
    list.append(test::flagged(box({8.2f, -0.3f, 0.2f}, {8.8f, 0.3f, 1.2f}), true, false));
    const SolidEstimate withJewel = estimate(list);
    ASSERT_TRUE(withJewel.ok());
    EXPECT_NEAR(withJewel.volume - cutRing.volume, 0.36, 0.36 * 0.02);
}

TEST(Estimate, NoSolidFlatDesignsAndEmptyShells) {
    struct Case {
        const char* name;
        ObjectList list;
        SolidEstimate::Status status;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", ObjectList{}, SolidEstimate::Status::NoBox});
    {
        auto curve = std::make_unique<CurveObject>();
        curve->setCvs({{0, 0, 0}, {5, 5, 5}, {9, 0, 3}, {2, 7, 1}});
        cases.push_back({"only a curve", listOf(std::move(curve)), SolidEstimate::Status::NoBox});
    }
    cases.push_back({"flat", listOf(box({0, 0, 1}, {4, 4, 1})), SolidEstimate::Status::NoBox});
    {
        // One slanted triangle has a box but encloses nothing.
        auto f = std::make_unique<FacetObject>();
        f->setCvs({{0, 0, 0}, {3, 0, 1}, {0, 3, 2}});
        f->faceSizes = {3};
        f->faceIndices = {0, 1, 2};
        cases.push_back({"open sheet", listOf(std::move(f)), SolidEstimate::Status::Ok});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SolidEstimate e = estimate(c.list);
        EXPECT_EQ(e.status, c.status);
        EXPECT_EQ(e.volume, 0.0);
        EXPECT_EQ(e.centre, (Point3{0, 0, 0}));
    }
}

class CountingProgress : public Progress {
  public:
    explicit CountingProgress(int cancelAt = -1) : cancelAt_(cancelAt) {}
    bool update(double fraction) override {
        fractions.push_back(fraction);
        return static_cast<int>(fractions.size()) != cancelAt_;
    }
    std::vector<double> fractions;

  private:
    int cancelAt_;
};

TEST(Estimate, ReportsEverySliceAndStopsWhenCancelled) {
    ObjectList list = listOf(box({0, 0, 0}, {1, 1, 1}));
    CountingProgress all;
    const SolidEstimate done = estimate(list, true, &all);
    ASSERT_TRUE(done.ok());
    ASSERT_EQ(all.fractions.size(), 20u);
    EXPECT_TRUE(std::is_sorted(all.fractions.begin(), all.fractions.end()));
    EXPECT_DOUBLE_EQ(all.fractions.back(), 1.0);

    CountingProgress stop(3);
    const SolidEstimate cancelled = estimate(list, true, &stop);
    EXPECT_EQ(cancelled.status, SolidEstimate::Status::Cancelled);
    EXPECT_EQ(stop.fractions.size(), 3u);
    EXPECT_EQ(cancelled.volume, 0.0);
}

TEST(SpecificGravity, ListEntriesAndTypedTexts) {
    EXPECT_EQ(specificGravityText(kSpecificGravities[0]), "19.300  [Gold(24K) 19.3]");
    EXPECT_EQ(specificGravityText(kSpecificGravities[1]), "18.180  [Gold(22K) 18.4]");
    EXPECT_EQ(specificGravityText(kSpecificGravities[6]), "21.400  [Platinum 21.4]");
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"19.300  [Gold(24K) 19.3]", 19.3},
        {"  16.4765  [Gold(18K) 16.9]", 16.4765},
        {"10.5", 10.5},
        {".5 anything", 0.5},
        {"12,5", 12.0},
        {"Silver 10.5", 0.0},
        {"", 0.0},
        {"   ", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"1e999", 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(parseSpecificGravity(c.text), c.value) << c.text;
    // Every list entry reads back as its own number.
    for (const SpecificGravity& g : kSpecificGravities)
        EXPECT_NEAR(parseSpecificGravity(specificGravityText(g)), g.value, 5e-4);
}

TEST(EstimateMessages, ReadAsTheResultBoxesShowThem) {
    EXPECT_EQ(volumeMessage(812.5), "Volume = 812.5 cubic mm");
    EXPECT_EQ(weightMessage(0.0), "Weight = 0 grams");
    EXPECT_EQ(weightMessage(999.5), "Weight = 999.5 grams");
    EXPECT_EQ(weightMessage(1000.0), "Weight = 1 kilograms");
    EXPECT_EQ(weightMessage(2500.0), "Weight = 2.5 kilograms");
    EXPECT_EQ(centreMessage({1.234f, -5.0f, 0.0f}),
              "Center of Gravity\n\n    X =     1.23\n    Y =    -5.00\n    Z =     0.00");
    EXPECT_EQ(estimateProgressText(estimatemsg::kWeight), "Estimating Weight...");
}

// The sample ring against the volume an independent reader measures on its exported mesh.
TEST(Estimate, SampleRingMatchesTheVolumeOfItsMesh) {
    if (std::system("command -v admesh >/dev/null 2>&1") != 0) GTEST_SKIP() << "admesh missing";
    namespace fs = std::filesystem;
    const fs::path ring = fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd";
    const fs::path stl =
        fs::temp_directory_path() / ("orv_estimate_ring_" + std::to_string(::getpid()) + ".stl");
    const std::string exportCall =
        std::string(ORV_BATCH) + " export '" + ring.string() + "' '" + stl.string() + "'";
    ASSERT_EQ(std::system(exportCall.c_str()), 0);
    const std::string report = test::commandOutput("admesh -e -d '" + stl.string() + "'");
    fs::remove(stl);
    // "Number of parts       :     1        Volume   :  379.536957" (the original column).
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report, m, std::regex(R"(Volume\s*:\s*([0-9.]+))"))) << report;
    const double meshVolume = std::stod(m[1]);
    ASSERT_GT(meshVolume, 0.0);

    Document doc;
    ASSERT_EQ(openDesign(doc, ring), FileStatus::Ok);
    const SolidEstimate e = estimate(doc.objects());
    ASSERT_TRUE(e.ok());
    EXPECT_NEAR(e.volume, meshVolume, meshVolume * 0.003);
    // The ring is centred on the origin.
    EXPECT_NEAR(e.centre.x, 0.0f, 0.03f);
    EXPECT_NEAR(e.centre.y, 0.0f, 0.03f);
    EXPECT_NEAR(e.centre.z, 0.0f, 0.03f);
}

}  // namespace
}  // namespace orv
