#include "output/slicer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "model/object_list.h"
#include "model/objects.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// ---- dialog values ----

TEST(SliceSettings, StartsWithTheDialogsInitialValues) {
    SliceSettings s;
    EXPECT_EQ(s.fileName, "orva");
    EXPECT_EQ(s.unit, ThicknessUnit::Mm);
    EXPECT_DOUBLE_EQ(s.thickness, 0.0127);
    EXPECT_EQ(s.machine, 0);
    EXPECT_FALSE(s.advanced);
    EXPECT_DOUBLE_EQ(s.xyResolution, 0.0254);
    EXPECT_EQ(s.stlFormat, StlFormat::Ascii);
    for (const auto& f : SliceSettings::fields()) EXPECT_EQ(f.defaultValue, f.get(s)) << f.label;
}

TEST(SliceSettings, MachinePresets) {
    struct Row {
        const char* name;
        std::vector<double> mm;
    } table[] = {
        {"Solidscape", {0.0127, 0.0254, 0.0381, 0.0508, 0.0762}},
        {"3D Systems Viper", {0.01, 0.02, 0.05, 0.1, 0.2, 0.5}},
        {"3D Systems Invision HR", {0.0254}},
        {"EnvisionTec Perfactory", {0.01, 0.015, 0.02, 0.025, 0.05}},
        {"OBJET Eden System", {0.016}},
        {"Next Factory DigitalWax", {0.02, 0.03, 0.04, 0.05, 0.06}},
    };
    ASSERT_EQ(rpMachines().size(), std::size(table));
    for (size_t i = 0; i < std::size(table); ++i) {
        EXPECT_EQ(rpMachines()[i].name, table[i].name);
        EXPECT_EQ(thicknessPresets(static_cast<int>(i), ThicknessUnit::Mm), table[i].mm);
        auto inch = thicknessPresets(static_cast<int>(i), ThicknessUnit::Inch);
        ASSERT_EQ(inch.size(), table[i].mm.size());
        for (size_t k = 0; k < inch.size(); ++k) EXPECT_DOUBLE_EQ(inch[k] * 25.4, table[i].mm[k]);
    }
    EXPECT_TRUE(thicknessPresets(6, ThicknessUnit::Mm).empty());
}

TEST(SliceSettings, MachineSetsThicknessUnitKeepsIt) {
    SliceSettings s;
    ASSERT_EQ(setField(s, "RP Machine", "3D Systems Viper"), "");
    EXPECT_EQ(s.machine, 1);
    EXPECT_DOUBLE_EQ(s.thickness, 0.01);
    // The text is not converted when only the unit changes: 0.01 now means 0.01 inch.
    ASSERT_EQ(setField(s, "Unit", "inch"), "");
    EXPECT_DOUBLE_EQ(s.thickness, 0.01);
    EXPECT_DOUBLE_EQ(s.thicknessMm(), 0.254);
    // A machine chosen while in inches gets its first preset in inches.
    ASSERT_EQ(setField(s, "RP Machine", "4"), "");
    EXPECT_DOUBLE_EQ(s.thickness, 0.016 / 25.4);
    // A thickness that is not positive is replaced by the first preset when the unit changes.
    s.thickness = 0;
    ASSERT_EQ(setField(s, "Unit", "mm"), "");
    EXPECT_DOUBLE_EQ(s.thickness, 0.016);

    EXPECT_NE(setField(s, "RP Machine", "Nonesuch"), "");
    EXPECT_NE(setField(s, "Unit", "cm"), "");
    EXPECT_EQ(s.machine, 4);
}

TEST(SliceSettings, AdvancedValuesCountOnlyWhileChecked) {
    SliceSettings s;
    for (auto [label, value] : {std::pair{"XY resolution", "0.05"},
                                {"Auto XY offset", "on"},
                                {"Auto  Z  offset", "on"},
                                {"Also output STL file", "on"},
                                {"Binary", "on"}})
        ASSERT_EQ(setField(s, label, value), "") << label;
    EXPECT_EQ(s.stlFormat, StlFormat::Binary);
    SliceJob off = SliceJob::from(s);
    EXPECT_DOUBLE_EQ(off.xy, 0.0254);
    EXPECT_FALSE(off.autoXyOffset || off.autoZOffset || s.effectiveStl());

    ASSERT_EQ(setField(s, "Advanced Settings", "on"), "");
    SliceJob on = SliceJob::from(s);
    EXPECT_DOUBLE_EQ(on.xy, 0.05);
    EXPECT_TRUE(on.autoXyOffset && on.autoZOffset && s.effectiveStl());
}

TEST(SliceSettings, ValidationRefusesValuesOutOfRange) {
    struct Case {
        double thickness, xy;
        bool advanced, ok;
    } cases[] = {
        {0.0127, 0.0254, false, true}, {0.0001, 10000, true, true}, {0.00009, 0.0254, false, false},
        {10001, 0.0254, false, false}, {NAN, 0.0254, false, false}, {0.05, 0.00001, true, false},
        {0.05, 0.00001, false, true},  // XY is not used without advanced settings
    };
    for (const Case& c : cases) {
        SliceSettings s;
        s.thickness = c.thickness;
        s.xyResolution = c.xy;
        s.advanced = c.advanced;
        EXPECT_EQ(validate(s).empty(), c.ok) << c.thickness << " " << c.xy << " " << validate(s);
    }
    SliceSettings inch;
    inch.unit = ThicknessUnit::Inch;
    inch.thickness = 0.002;
    EXPECT_NEAR(SliceJob::from(inch).thickness, 0.0508, 1e-12);
    EXPECT_TRUE(SliceJob::from(inch).inch);
}

// ---- contour tracing ----

double area(std::span<const SlcPoint> ring) {
    double a = 0;
    for (size_t i = 0; i + 1 < ring.size(); ++i)
        a += static_cast<double>(ring[i].x) * ring[i + 1].y -
             static_cast<double>(ring[i + 1].x) * ring[i].y;
    return a / 2;
}

std::vector<std::vector<SlcPoint>> contours(const ContourTracer& t) {
    std::vector<std::vector<SlcPoint>> out;
    for (size_t c = 0; c < t.contourCount(); ++c) {
        const size_t from = t.starts()[c];
        const size_t to = c + 1 < t.contourCount() ? t.starts()[c + 1] : t.points().size();
        out.emplace_back(t.points().begin() + static_cast<std::ptrdiff_t>(from),
                         t.points().begin() + static_cast<std::ptrdiff_t>(to));
    }
    return out;
}

// Intervals of one row; ends on straight vertical segments unless given.
TraceInterval iv(float lo, float hi, uint32_t loSeg, uint32_t hiSeg, float loDx = 0,
                 float hiDx = 0) {
    return {{lo, loDx, loSeg}, {hi, hiDx, hiSeg}};
}

std::vector<std::vector<SlcPoint>> trace(const std::vector<std::vector<TraceInterval>>& rows,
                                         int firstRow = 0) {
    ContourTracer t;
    t.clear();
    for (size_t r = 0; r < rows.size(); ++r)
        if (!rows[r].empty()) t.addRow(firstRow + static_cast<int>(r), rows[r]);
    t.finish();
    return contours(t);
}

TEST(ContourTracer, RectangleIsOneAnticlockwiseContourOfFourCorners) {
    auto c = trace({{iv(1, 5, 1, 2)}, {iv(1, 5, 1, 2)}, {iv(1, 5, 1, 2)}, {iv(1, 5, 1, 2)}}, 10);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].size(), 5u) << "collinear vertices merged, first repeated";
    EXPECT_EQ(c[0].front(), c[0].back());
    EXPECT_DOUBLE_EQ(area(c[0]), 4 * 3);
    for (const SlcPoint& p : c[0]) {
        EXPECT_TRUE(p.x == 1 || p.x == 5);
        EXPECT_TRUE(p.y == 10 || p.y == 13);
    }
}

TEST(ContourTracer, ShapesGiveOuterContoursAnticlockwiseAndHolesClockwise) {
    const std::vector<TraceInterval> full = {iv(0, 10, 1, 2)};
    const std::vector<TraceInterval> split = {iv(0, 3, 1, 3), iv(7, 10, 4, 2)};
    struct Case {
        const char* name;
        std::vector<std::vector<TraceInterval>> rows;
        std::vector<double> areas;  // signed, in output order
    } cases[] = {
        {"frame with a hole", {full, split, split, split, full}, {40, -8}},
        {"U", {full, split, split}, {2 * 3 + 2 * 3 + 4}},
        {"upside-down U", {split, split, full}, {2 * 3 + 2 * 3 + 4}},
        {"two parts", {split, split}, {3, 3}},
        {"a gap of rows", {full, full, {}, full, full}, {10, 10}},
        {"one row only: two vertices, not written", {full}, {}},
    };
    for (const Case& c : cases) {
        auto got = trace(c.rows);
        ASSERT_EQ(got.size(), c.areas.size()) << c.name;
        std::vector<double> areas;
        for (const auto& ring : got) areas.push_back(area(ring));
        std::sort(areas.rbegin(), areas.rend());
        std::vector<double> want = c.areas;
        std::sort(want.rbegin(), want.rend());
        for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(areas[i], want[i], 1e-9) << c.name;
    }
}

TEST(ContourTracer, CornerSitsWhereTheTwoSegmentsMeet) {
    // Right-hand side: x = 4 + 0.5 r up to the corner, then x = 5.25 - 0.5 r; they meet at
    // r = 1.25, x = 4.625.
    auto c = trace({{iv(0, 4, 1, 2, 0, 0.5f)},
                    {iv(0, 4.5f, 1, 2, 0, 0.5f)},
                    {iv(0, 4.25f, 1, 3, 0, -0.5f)},
                    {iv(0, 3.75f, 1, 3, 0, -0.5f)}});
    ASSERT_EQ(c.size(), 1u);
    bool corner = false;
    for (const SlcPoint& p : c[0])
        corner |= std::fabs(p.x - 4.625f) < 1e-5f && std::fabs(p.y - 1.25f) < 1e-5f;
    EXPECT_TRUE(corner);
    // Corners (0,0), (4,0), the meeting point, (3.75,3), (0,3), and the repeat.
    EXPECT_EQ(c[0].size(), 6u);

    // A change of segment whose lines meet outside the two rows keeps the crossing itself.
    auto d = trace({{iv(0, 4, 1, 2)}, {iv(0, 6, 1, 3, 0, 0.1f)}, {iv(0, 6.1f, 1, 3, 0, 0.1f)}});
    ASSERT_EQ(d.size(), 1u);
    bool kept = false;
    for (const SlcPoint& p : d[0]) kept |= p.x == 6 && p.y == 1;
    EXPECT_TRUE(kept);
}

// ---- slicing real objects ----

// An axis-aligned box as a facet object with outward faces.
std::unique_ptr<FacetObject> box(Point3 lo, Point3 hi) {
    auto f = std::make_unique<FacetObject>();
    std::vector<Point3> p;
    for (int k = 0; k < 8; ++k)
        p.push_back({k & 1 ? hi.x : lo.x, k & 2 ? hi.y : lo.y, k & 4 ? hi.z : lo.z});
    f->setCvs(p);
    f->faceSizes = {4, 4, 4, 4, 4, 4};
    f->faceIndices = {0, 2, 3, 1, 4, 5, 7, 6, 0, 1, 5, 4, 2, 6, 7, 3, 0, 4, 6, 2, 1, 3, 7, 5};
    return f;
}

SliceFile sliceToMemory(const ObjectList& list, const SliceJob& job,
                        SliceReport* report = nullptr) {
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    SliceReport r = sliceObjects(list, job, out, nullptr);
    if (report) *report = r;
    EXPECT_EQ(r.status, OutputStatus::Ok);
    SliceFile f;
    const std::string s = out.str();
    EXPECT_GE(readSlc(std::vector<uint8_t>(s.begin(), s.end()), f), 0);
    return f;
}

std::vector<float> levels(const SliceFile& f) {
    std::vector<float> z;
    for (const auto& l : f.layers) z.push_back(l.z);
    return z;
}

TEST(Slicer, BoxSlicesIntoRectanglesAtWholeMultiplesOfTheThickness) {
    ObjectList list;
    list.append(box({0, 0, 5}, {2, 1, 6}));
    SliceJob job;
    job.thickness = 0.25;
    job.xy = 0.1;
    SliceReport report;
    SliceFile f = sliceToMemory(list, job, &report);
    ASSERT_EQ(f.layers.size(), 4u);
    EXPECT_EQ(report.layersWritten, 4);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(f.layers[k].z, 5.0 + 0.25 * k, 1e-5);
        ASSERT_EQ(f.layers[k].boundaries.size(), 1u);
        const auto& pts = f.layers[k].boundaries[0].points;
        EXPECT_EQ(pts.size(), 5u);
        EXPECT_GT(area(pts), 0) << "outer boundaries run anticlockwise";
        for (const SlcPoint& p : pts) {
            EXPECT_TRUE(std::fabs(p.x) < 1e-4f || std::fabs(p.x - 2) < 1e-4f) << p.x;
            EXPECT_TRUE(std::fabs(p.y) < 1e-4f || std::fabs(p.y - 0.9f) < 1e-4f) << p.y;
        }
    }
    EXPECT_NEAR(f.terminatorZ, 6.0, 1e-5);
    EXPECT_FLOAT_EQ(f.thickness(), 0.25f);
    EXPECT_FALSE(f.inch);
    // The rewritten header: what was written, widened by one cell; Z over the whole grid.
    const SlcExtents want = {-0.1f, 2.1f, -0.1f, 1.0f, 5.0f, 6.0f};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(f.extents[i], want[i], 1e-3) << i;
}

TEST(Slicer, AutoOffsetsMoveTheFileOriginNotTheShape) {
    ObjectList list;
    list.append(box({-7, 3, 5}, {-6, 4, 5.5f}));
    SliceJob job;
    job.thickness = 0.25;
    job.xy = 0.0254;
    job.autoZOffset = true;
    job.autoXyOffset = true;
    SliceFile f = sliceToMemory(list, job);
    ASSERT_EQ(f.layers.size(), 2u);
    EXPECT_FLOAT_EQ(f.layers[0].z, 0.0f) << "the first layer lands at Z = 0";
    EXPECT_FLOAT_EQ(f.layers[1].z, 0.25f);
    float minX = 1e9f, minY = 1e9f;
    for (const auto& p : f.layers[0].boundaries.at(0).points) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
    }
    EXPECT_NEAR(minX, 2000 * 0.0254, 1e-3);
    EXPECT_NEAR(minY, 2000 * 0.0254, 1e-3);
}

TEST(Slicer, PartsWithAGapGetOneEmptyRecordAboveTheLowerPart) {
    for (bool autoZ : {false, true}) {
        ObjectList list;
        list.append(box({0, 0, 5}, {1, 1, 6}));
        list.append(box({0, 0, 7}, {1, 1, 8}));
        SliceJob job;
        job.thickness = 0.25;
        job.xy = 0.1;
        job.autoZOffset = autoZ;
        SliceFile f = sliceToMemory(list, job);
        const float base = autoZ ? 0.0f : 5.0f;
        // Four layers of the lower box, the empty record one layer above it, four of the upper.
        std::vector<float> want;
        for (float z : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 2.0f, 2.25f, 2.5f, 2.75f})
            want.push_back(base + z);
        ASSERT_EQ(levels(f).size(), want.size()) << autoZ;
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(levels(f)[i], want[i], 1e-5) << autoZ << i;
        EXPECT_TRUE(f.layers[4].boundaries.empty());
        EXPECT_NEAR(f.terminatorZ, base + 3.0f, 1e-5);
    }
}

TEST(Slicer, InchFilesWriteInches) {
    ObjectList list;
    list.append(box({0, 0, 0}, {1, 1, 0.2f}));
    SliceJob job;
    job.inch = true;
    job.thickness = 0.002 * 25.4;
    job.xy = 0.05;
    SliceFile f = sliceToMemory(list, job);
    EXPECT_TRUE(f.inch);
    EXPECT_NEAR(f.thickness(), 0.002, 1e-7);
    ASSERT_EQ(f.layers.size(), 4u);  // 0.2 mm in layers of 0.0508 mm
    for (size_t k = 0; k < f.layers.size(); ++k) EXPECT_NEAR(f.layers[k].z, 0.002 * k, 1e-7);
    float maxX = 0;
    for (const auto& p : f.layers[0].boundaries.at(0).points) maxX = std::max(maxX, p.x);
    EXPECT_NEAR(maxX, 1 / 25.4, 1e-5);
}

TEST(Slicer, NothingSolidIsRefusedAndLeavesNoFile) {
    ObjectList curves;
    auto c = std::make_unique<CurveObject>();
    c->setCvs({{0, 0, 0}, {1, 1, 1}, {2, 0, 3}, {3, 1, 0}});
    curves.append(std::move(c));
    ObjectList flat;
    flat.append(box({0, 0, 1}, {1, 1, 1}));
    ObjectList hidden;
    hidden.append(box({0, 0, 0}, {1, 1, 1}));
    hidden[0].state = objstate::kHidden;

    const fs::path path =
        fs::temp_directory_path() / ("orv_slice_" + std::to_string(::getpid()) + ".slc");
    for (const ObjectList* list : {&curves, &flat, &hidden}) {
        EXPECT_EQ(sliceToFile(*list, SliceJob{}, path).status, OutputStatus::NothingToSlice);
        EXPECT_FALSE(fs::exists(path));
    }
    ObjectList one;
    one.append(box({0, 0, 0}, {1, 1, 1}));
    SliceJob thin;
    thin.thickness = 0.000001;
    EXPECT_EQ(sliceToFile(one, thin, path).status, OutputStatus::BadSettings);
    EXPECT_FALSE(fs::exists(path));
}

class Collect final : public MeshWriter {
  public:
    void begin() override {}
    void triangle(const Point3& a, const Point3& b, const Point3& c) override {
        volume += dot(a, cross(b, c)) / 6.0;
        for (const Point3& p : {a, b, c}) bounds.grow(p);
    }
    void end() override {}
    double volume = 0;
    BoundingBox bounds;
};

TEST(Slicer, SideFrameSlicesAcrossXAndConvertsBackInPlace) {
    ObjectList list;
    list.append(box({1, 0, 0}, {3, 1, 0.5f}));
    SliceJob job;
    job.thickness = 0.25;
    job.xy = 0.05;
    job.frame = SliceFrame::AcrossX;
    SliceFile f = sliceToMemory(list, job);
    ASSERT_EQ(f.layers.size(), 8u);
    EXPECT_NEAR(f.layers.front().z, -3.0f, 1e-5) << "levels are the model's -x";
    Collect mesh;
    ASSERT_TRUE(slicesToMesh(f, mesh, true, SliceFrame::AcrossX));
    EXPECT_NEAR(mesh.bounds.lo.x, 1, 1e-4);
    EXPECT_NEAR(mesh.bounds.hi.x, 3, 1e-4);
    EXPECT_NEAR(mesh.bounds.lo.z, 0, 1e-4);
    EXPECT_NEAR(mesh.bounds.hi.z, 0.5, 1e-4);
    // Rows sample from y = 0 to one cell below the top.
    EXPECT_NEAR(mesh.volume, 2 * 0.95 * 0.5, 1e-3);
}

class CancelAfter final : public Progress {
  public:
    explicit CancelAfter(int n) : left_(n) {}
    bool update(double) override { return --left_ > 0; }

  private:
    int left_;
};

TEST(Slicer, CancelledSliceLeavesTheEarlierFileWhole) {
    ObjectList one;
    one.append(box({0, 0, 0}, {1, 1, 1}));
    const fs::path path =
        fs::temp_directory_path() / ("orv_cancel_" + std::to_string(::getpid()) + ".slc");
    SliceJob job;
    job.thickness = 0.1;
    job.xy = 0.1;
    ASSERT_EQ(sliceToFile(one, job, path).status, OutputStatus::Ok);
    std::vector<uint8_t> before, after;
    ASSERT_TRUE(readFileBytes(path, before));
    job.thickness = 0.05;
    CancelAfter cancel(3);
    EXPECT_EQ(sliceToFile(one, job, path, &cancel).status, OutputStatus::Cancelled);
    ASSERT_TRUE(readFileBytes(path, after));
    EXPECT_EQ(before, after);

    // Converting is cancelled the same way and leaves no mesh file behind.
    const fs::path stl = fs::path(path).replace_extension(".stl");
    CancelAfter stop(2);
    EXPECT_EQ(
        convertSliceFile(path, stl, SliceMeshFormat::StlBinary, true, SliceFrame::AcrossZ, &stop),
        OutputStatus::Cancelled);
    EXPECT_FALSE(fs::exists(stl));
    fs::remove(path);
}

}  // namespace
}  // namespace orv
