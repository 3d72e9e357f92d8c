// orivanta-batch slice and the "Cut into Slices" command from a script.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/batch.h"
#include "model/design_file.h"
#include "model/objects.h"
#include "output/slc.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

const std::string kRing = (fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd").string();

class SliceBatch : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_slice_batch_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    int batch(std::vector<std::string> args) {
        std::ostringstream o, e;
        int s = runBatch(args, BatchEnvironment{dir}, o, e);
        out = o.str();
        err = e.str();
        return s;
    }
    std::string path(const char* name) const { return (dir / name).string(); }

    fs::path dir;
    std::string out, err;
};

TEST_F(SliceBatch, RefusesBadArgumentsBeforeWritingAnything) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"slice", kRing}, 2, "usage"},
        {{"slice", kRing, path("a.slc"), "--thickness"}, 2, "needs a value"},
        {{"slice", kRing, path("a.slc"), "--thickness", "0"}, 2, "0.0001 to 10000"},
        {{"slice", kRing, path("a.slc"), "--xy", "abc"}, 2, "0.0001 to 10000"},
        {{"slice", kRing, path("a.slc"), "--unit", "cm"}, 2, "mm or inch"},
        {{"slice", kRing, path("a.slc"), "--stl", "text"}, 2, "ascii or binary"},
        {{"slice", kRing, path("a.slc"), "--fast"}, 2, "unknown option"},
        {{"slice", path("missing.ovd"), path("a.slc")}, 1, "Cannot open file!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(batch(c.args), c.status) << c.args.back();
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(dir / "a.slc"));
    }
}

TEST_F(SliceBatch, DesignWithoutSolidsIsRefused) {
    Document doc;
    auto c = std::make_unique<CurveObject>();
    c->setCvs({{0, 0, 0}, {1, 1, 1}, {2, 0, 3}, {3, 1, 0}});
    doc.objects().append(std::move(c));
    ASSERT_EQ(saveDesign(doc, dir / "curves.ovd"), FileStatus::Ok);
    EXPECT_EQ(batch({"slice", path("curves.ovd"), path("c.slc")}), 1);
    EXPECT_NE(err.find("nothing to slice"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "c.slc"));
}

TEST_F(SliceBatch, WritesInchesWithAutoOffsetsAndAnAsciiStl) {
    ASSERT_EQ(batch({"slice", kRing, path("ring"), "--thickness", "0.1016", "--xy", "0.1", "--unit",
                     "inch", "--auto-z", "--auto-xy", "--stl", "ascii"}),
              0)
        << err;
    EXPECT_NE(out.find("layers"), std::string::npos);
    SliceFile f;
    ASSERT_GT(loadSlc(dir / "ring.slc", f), 0) << "the default extension is added";
    EXPECT_TRUE(f.inch);
    EXPECT_NEAR(f.thickness(), 0.004, 1e-7);
    EXPECT_FLOAT_EQ(f.layers.front().z, 0.0f);
    const float minX = f.layers.front().boundaries.front().points.front().x;
    EXPECT_GT(minX, 2000 * 0.1 / 25.4 - 0.01) << "2000 cells from the origin";
    std::ifstream stl(dir / "ring.stl");
    std::string first;
    std::getline(stl, first);
    EXPECT_EQ(first, "solid Orivanta\r");
}

// A script answers the dialog by its labels; files appear only when the script succeeds.
TEST_F(SliceBatch, CutIntoSlicesFromAScript) {
    std::ofstream(dir / "s.ovs")
        << "open " << kRing << "\n"
        << "command 9110 \"Slice File\"=" << path("cut")
        << " \"Slice thickness\"=0.1 \"Advanced Settings\"=on"
           " \"XY resolution\"=0.1 \"Also output STL file\"=on Binary=on\n";
    ASSERT_EQ(batch({"script", path("s.ovs")}), 0) << err;
    SliceFile f;
    ASSERT_GT(loadSlc(dir / "cut.slc", f), 0);
    EXPECT_FLOAT_EQ(f.thickness(), 0.1f);
    std::vector<uint8_t> stl;
    ASSERT_TRUE(readFileBytes(dir / "cut.stl", stl));
    EXPECT_EQ(std::string(stl.begin(), stl.begin() + 8), "Orivanta");

    // Without advanced settings no STL is made; a thickness out of range is refused.
    std::ofstream(dir / "t.ovs") << "open " << kRing << "\n"
                                 << "command \"Cut into Slices\" \"Slice File\"=" << path("plain")
                                 << " \"Advanced Settings\"=off\n"
                                 << "command 9110 \"Slice thickness\"=0\n";
    EXPECT_EQ(batch({"script", path("t.ovs")}), 1);
    EXPECT_NE(err.find("Slice thickness must be between"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "plain.slc")) << "a failed script writes nothing";
}

}  // namespace
}  // namespace orv
