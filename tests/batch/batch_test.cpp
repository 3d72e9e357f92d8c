#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../model/fixtures.h"
#include "batch/batch.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct BatchRun {
    int status;
    std::string out, err;
};

BatchRun batch(std::vector<std::string> args) {
    std::ostringstream out, err;
    BatchEnvironment env{fs::temp_directory_path()};
    int s = runBatch(args, env, out, err);
    return {s, out.str(), err.str()};
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_batch_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        Document doc;
        test::fillEveryClass(doc);
        doc.objects()[0].materialName = "Silver \"925\"";
        doc.objects()[2].state = objstate::kHidden;
        design = dir / "every.ovd";
        ASSERT_EQ(saveDesign(doc, design), FileStatus::Ok);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir, design;
};

TEST_F(Batch, InfoJsonListsObjectsInOrder) {
    BatchRun r = batch({"info", design.string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& j = r.out;
    EXPECT_EQ(j.rfind("{\"objects\": [", 0), 0u);
    EXPECT_NE(j.find("\"class\": 2, \"className\": \"curve\", \"state\": 1, \"layer\": 0, "
                     "\"cvCount\": 5, \"material\": \"Silver \\\"925\\\"\""),
              std::string::npos)
        << j;
    EXPECT_NE(j.find("\"class\": 4, \"className\": \"facet\", \"state\": 2"), std::string::npos);
    // A gem without a library has no geometry; a T-line has no CVs.
    EXPECT_NE(j.find("\"className\": \"gem\", \"state\": 1, \"layer\": 0, \"material\": "
                     "\"Gold\", \"bbox\": null"),
              std::string::npos)
        << j;
    EXPECT_NE(j.find("\"className\": \"tline\", \"state\": 1, \"layer\": 0, \"material\""),
              std::string::npos);
    size_t curve = j.find("curve"), surface = j.find("surface"), gem = j.find("gem");
    EXPECT_LT(curve, surface);
    EXPECT_LT(surface, gem);
}

TEST_F(Batch, ExportResavesByteForByteAndWritesViewerFile) {
    fs::path copy = dir / "copy.ovd", viewer = dir / "copy.ovv";
    ASSERT_EQ(batch({"export", design.string(), copy.string()}).status, 0);
    std::vector<uint8_t> a, b, v;
    ASSERT_TRUE(readFileBytes(design, a));
    ASSERT_TRUE(readFileBytes(copy, b));
    EXPECT_EQ(a, b);
    ASSERT_EQ(batch({"export", design.string(), viewer.string()}).status, 0);
    ASSERT_TRUE(readFileBytes(viewer, v));
    EXPECT_GT(v.size(), a.size());
}

TEST_F(Batch, FailuresSayWhyAndWriteNothing) {
    fs::path bad = dir / "bad.ovd", out = dir / "out.ovd";
    std::ofstream(bad) << "not a design at all";
    std::vector<uint8_t> cut;
    ASSERT_TRUE(readFileBytes(design, cut));
    cut.resize(cut.size() / 2);
    fs::path damaged = dir / "damaged.ovd";
    std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), cut.size());
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"info", bad.string()}, 1, "Invalid file format!"},
        {{"info", (dir / "missing.ovd").string()}, 1, "Cannot open file!"},
        {{"export", bad.string(), out.string()}, 1, "Invalid file format!"},
        {{"export", damaged.string(), out.string()}, 1, "damaged"},
        {{"export", design.string(), (dir / "x.xyz").string()}, 2, "unknown output format"},
        {{"export", design.string(), (dir / "no" / "such" / "dir.ovd").string()}, 1,
         "Cannot write to file!"},
        {{"frobnicate"}, 2, "unknown command"},
        {{}, 2, "usage"},
    };
    for (const auto& c : cases) {
        BatchRun r = batch(c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(out));
}

// The installed program itself: exit status and stderr as a pipeline sees them.
TEST_F(Batch, ProgramExitStatus) {
    std::string cmd = std::string(ORV_BATCH) + " info " + (dir / "bad.ovd").string() + " 2>&1";
    std::ofstream(dir / "bad.ovd") << "XXXXXXXXXXXXXXXXXXXX";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    int status = ::pclose(p);
    EXPECT_NE(status, 0);
    EXPECT_NE(std::string(buf, n).find("Invalid file format!"), std::string::npos);
}

}  // namespace
}  // namespace orv
