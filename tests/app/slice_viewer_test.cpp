#include "app/slice_viewer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "view/line_renderer.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class SliceViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv_viewer_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
        SlcWriter w(out);
        w.begin(true, {}, 0.01f);
        SlcBoundary square;
        square.points = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
        SlcBoundary triangle;
        triangle.points = {{2, 0}, {3, 0}, {2, 1}, {2, 0}};
        const std::vector<SlcBoundary> both = {square, triangle};
        for (int k = 0; k < 12; ++k) w.layer(0.01f * k, both);
        w.terminator(0.12f);
        std::ofstream(dir / "stack.slc", std::ios::binary) << out.str();
        std::ofstream(dir / "other.slc") << "solid Orivanta\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(SliceViewerTest, OpensStepsThroughAndTitlesItsLayers) {
    SliceViewer v;
    EXPECT_EQ(v.title(), "Show Slices");
    ASSERT_EQ(v.open(dir / "stack"), 12) << "the default extension is added";
    EXPECT_EQ(v.title(), "Show Slices : stack.slc [ 1 / 12 ]");
    EXPECT_FLOAT_EQ(v.factor, 25.4f) << "inch files are shown in millimetres";
    v.scroll(10);
    EXPECT_EQ(v.current, 10);
    v.scroll(10);
    EXPECT_EQ(v.title(), "Show Slices : stack.slc [ 12 / 12 ]");
    v.scroll(-100);
    EXPECT_EQ(v.current, 0);

    ASSERT_EQ(v.open(dir / "stack.slc", true), 12);
    EXPECT_FLOAT_EQ(v.factor, 1.0f) << "inch files on an inch display";

    EXPECT_EQ(v.open(dir / "other.slc"), kSlcNotSlc);
    EXPECT_FALSE(v.loaded);
    EXPECT_EQ(v.layerCount(), 0);
    EXPECT_EQ(v.open(dir / "none"), kSlcCannotOpen);
}

TEST_F(SliceViewerTest, DrawsEachContourClosedInItsColour) {
    SliceViewer v;
    ASSERT_EQ(v.open(dir / "stack.slc"), 12);
    RecordingCanvas canvas;
    {
        LineRenderer r(canvas);
        r.setViewTransform(Matrix4::scaling(1, -1, 1) * Matrix4::translation(100, 400, 0));
        r.setPen(0x123456);
        drawSliceLayer(v, 3, r);
        EXPECT_EQ(r.pen(), 0x123456u) << "the caller's pen is given back";
        drawSliceLayer(v, 12, r);  // outside the file: nothing
    }
    // A square and a triangle, each closed: 4 + 3 segments.
    EXPECT_EQ(canvas.countColour(kSliceColour), 7u);
    EXPECT_EQ(canvas.segments.size(), 7u);

    canvas.clear();
    {
        LineRenderer r(canvas);
        r.setViewTransform(Matrix4::scaling(1, -1, 1) * Matrix4::translation(100, 400, 0));
        drawAllSliceLayers(v, r);
    }
    EXPECT_EQ(canvas.countColour(kSliceColour), 7u * 12);
}

}  // namespace
}  // namespace orv
