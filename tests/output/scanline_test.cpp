#include "output/scanline.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "model/design_file.h"
#include "model/gem_library.h"
#include "solids.h"

namespace orv {
namespace {

using test::listOf;

using test::box;
using test::flagged;
using test::zyxFrame;

struct Span {
    float hi, lo;
    friend bool operator==(const Span&, const Span&) = default;
};

std::ostream& operator<<(std::ostream& os, const Span& s) {
    return os << "[" << s.hi << " .. " << s.lo << "]";
}

std::vector<Span> spans(SolidEvaluator& e, int row) {
    std::vector<Span> out;
    for (const ScanInterval& i : e.intervals(row)) out.push_back({i.hi.run, i.lo.run});
    return out;
}

// Unit cells, frame point 0 at the model origin.
ScanFrame unitFrame(int rows = 100) {
    return zyxFrame({0, 0, 0}, 1.0f, rows);
}

// ---- frame ----

TEST(ScanFrame, MapsIntoCellsAndBack) {
    const Matrix4 turn = axisRotation(1, 90.0);
    const ScanFrame f = ScanFrame::grid(2, 1, 0, {-3, 1, 2}, {0.5f, 0.25f, 0.1f}, 10, turn);
    const Point3 p{1.5f, -2.0f, 4.0f};
    const FramePoint q = f.toFrame(p);
    const Point3 turned = transformPoint(p, turn);
    EXPECT_NEAR(q.slice, (turned.z - 2) / 0.5f, 1e-4);
    EXPECT_NEAR(q.row, (turned.y - 1) / 0.25f, 1e-4);
    EXPECT_NEAR(q.run, (turned.x + 3) / 0.1f, 1e-3);
    const Point3 back = f.toModel(q);
    EXPECT_NEAR(back.x, p.x, 1e-4);
    EXPECT_NEAR(back.y, p.y, 1e-4);
    EXPECT_NEAR(back.z, p.z, 1e-4);
    const Point3 c = transformPoint(p, f.composite());
    EXPECT_NEAR(c.x, q.slice, 1e-4);
    EXPECT_NEAR(c.y, q.row, 1e-4);
    EXPECT_NEAR(c.z, q.run, 1e-3);
}

// ---- sampling positions ----

// Which slices and rows a box covers when its faces sit on, a hair below or a hair above the
// sample lines: a boundary exactly on a line is inside on its upper side only, and anything
// up to 0.0001 below a line counts on it.
TEST(SolidEvaluator, SamplesBoundariesOnAndNearRowsAndSlices) {
    struct Case {
        float lo, hi;     // extent along Y (rows) and Z (slices)
        int first, last;  // rows / slices covered
    };
    const Case cases[] = {
        {1.0f, 3.0f, 1, 2},        // on the lines: lower one in, upper one out
        {0.9998f, 3.0f, 1, 2},     // 0.0002 below row 1 counts in row 1
        {0.99995f, 3.0f, 1, 2},    // so does anything closer
        {1.0002f, 2.9998f, 2, 2},  // just inside on both sides
        {1.0f, 3.0002f, 1, 3},     // top 0.0002 above row 3 reaches row 3
        {1.0f, 3.00005f, 1, 2},    // top within 0.0001 of row 3 does not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "extent " << c.lo << " .. " << c.hi);
        ObjectList list = listOf(box({2, c.lo, c.lo}, {5, c.hi, c.hi}));
        SolidEvaluator e;
        ASSERT_TRUE(e.build(list, unitFrame()));
        EXPECT_EQ(e.firstSlice(), c.first);
        EXPECT_EQ(e.lastSlice(), c.last);
        for (int s = 0; s <= 4; ++s) {
            e.advance(s);
            const bool inSlice = s >= c.first && s <= c.last;
            for (int r = 0; r <= 4; ++r) {
                const bool inside = inSlice && r >= c.first && r <= c.last;
                const std::vector<Span> expected =
                    inside ? std::vector<Span>{{5, 2}} : std::vector<Span>{};
                EXPECT_EQ(spans(e, r), expected) << "slice " << s << " row " << r;
            }
        }
    }
}

TEST(SolidEvaluator, RowsOutsideTheFrameAreNeverAnswered) {
    ObjectList list = listOf(box({1, -5, 0}, {4, 50, 2}));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame(10)));
    e.advance(0);
    EXPECT_EQ(e.firstRow(), 0);
    EXPECT_EQ(e.lastRow(), 9);
    EXPECT_EQ(spans(e, 0), (std::vector<Span>{{4, 1}}));
    EXPECT_EQ(spans(e, 9), (std::vector<Span>{{4, 1}}));
    EXPECT_TRUE(spans(e, -1).empty());
    EXPECT_TRUE(spans(e, 10).empty());
}

// ---- the inside rule within one object and across objects ----

std::unique_ptr<FacetObject> merged(std::unique_ptr<FacetObject> a, const FacetObject& b,
                                    bool reverseB = false) {
    const uint32_t base = static_cast<uint32_t>(a->cvs.size());
    std::vector<Point3> cvs = a->cvs;
    cvs.insert(cvs.end(), b.cvs.begin(), b.cvs.end());
    a->setCvs(std::move(cvs));
    size_t at = 0;
    for (uint32_t k : b.faceSizes) {
        a->faceSizes.push_back(k);
        std::vector<uint32_t> face(b.faceIndices.begin() + static_cast<long>(at),
                                   b.faceIndices.begin() + static_cast<long>(at + k));
        if (reverseB) std::reverse(face.begin(), face.end());
        for (uint32_t i : face) a->faceIndices.push_back(i + base);
        at += k;
    }
    return a;
}

// A sphere of radius 5 at the origin and a box overlapping its +x side, sampled in half
// millimetre cells from (-10, -10, -10): whether they are two objects or two shells of one
// facet object, every row holds one interval, and the row through the centre runs from the
// sphere's far side to the box's.
TEST(SolidEvaluator, OverlappingSolidsGiveOneInterval) {
    struct Case {
        const char* name;
        ObjectList list;
        const char* tree;
    };
    std::vector<Case> cases;
    cases.push_back({"two objects", listOf(test::sphere({0, 0, 0}, 5), box({3, -2, -2}, {9, 2, 2})),
                     "union(leaf,leaf)"});
    cases.push_back({"two shells of one object",
                     listOf(merged(test::sphere({0, 0, 0}, 5), *box({3, -2, -2}, {9, 2, 2}))),
                     "leaf"});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        SolidEvaluator e;
        ASSERT_TRUE(e.build(c.list, zyxFrame({-10, -10, -10}, 0.5f, 40)));
        EXPECT_EQ(e.describe(), c.tree);
        for (int s = 0; s < 40; ++s) {
            e.advance(s);
            for (int r = e.firstRow(); r <= e.lastRow(); ++r)
                EXPECT_LE(e.intervals(r).size(), 1u) << "slice " << s << " row " << r;
            if (s == 20) {
                auto centre = e.intervals(20);
                ASSERT_EQ(centre.size(), 1u);
                EXPECT_NEAR(centre[0].hi.run, 38.0f, 1e-4);  // x = 9
                EXPECT_NEAR(centre[0].lo.run, 10.0f, 1e-4);  // x = -5
            }
        }
    }
}

// A shell wound inside out cancels a correct one only where both overlap: alone it still
// counts as inside (the non-zero rule, not even-odd and not signed).
TEST(SolidEvaluator, ReversedShellCancelsOnlyTheOverlap) {
    ObjectList list = listOf(merged(box({0, 0, 0}, {6, 4, 4}), *box({4, 0, 0}, {10, 4, 4}), true));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame()));
    e.advance(1);
    EXPECT_EQ(spans(e, 1), (std::vector<Span>{{10, 6}, {4, 0}}));
}

// A tube open at both ends is capped: runs along its axis enter through one cap and leave
// through the other.
TEST(SolidEvaluator, OpenTubeIsCappedAtBothEnds) {
    ObjectList list;
    list.append(test::tube(3.0f, 1.0f, 7.0f));
    ASSERT_FALSE(list[0].boundingBox(Matrix4::identity()).empty());
    // Slices along X, rows along Y, runs along Z.
    const ScanFrame f = ScanFrame::grid(0, 1, 2, {-4, -4, 0}, {0.5f, 0.5f, 0.5f}, 16);
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, f));
    e.advance(8);  // x = 0
    auto axis = e.intervals(8);
    ASSERT_EQ(axis.size(), 1u);
    EXPECT_NEAR(axis[0].hi.run, 14.0f, 1e-3);  // z = 7
    EXPECT_NEAR(axis[0].lo.run, 2.0f, 1e-3);   // z = 1
    // Off the axis, still one interval per row inside the circle and none outside.
    for (int r = 0; r < 16; ++r) {
        const float y = std::abs(-4.0f + 0.5f * r);
        if (y < 2.95f) {
            EXPECT_EQ(e.intervals(r).size(), 1u) << "row " << r;
        } else if (y > 3.05f) {
            EXPECT_EQ(e.intervals(r).size(), 0u) << "row " << r;
        }
    }
}

// ---- what takes part and how it combines ----

std::unique_ptr<FacetObject> onLayer(std::unique_ptr<FacetObject> o, int layer) {
    o->layer = layer;
    return o;
}

std::unique_ptr<FacetObject> withState(std::unique_ptr<FacetObject> o, int state) {
    o->state = state;
    return o;
}

TEST(SolidEvaluator, DesignsWithoutSolidsBuildNothing) {
    ScanOptions hiddenLayer3;
    hiddenLayer3.layerOn[3] = false;
    struct Case {
        const char* name;
        ObjectList list;
        ScanOptions options;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", ObjectList{}, {}});
    {
        auto curve = std::make_unique<CurveObject>();
        curve->setCvs({{0, 0, 0}, {5, 5, 5}, {9, 0, 3}, {2, 7, 1}});
        curve->closed = 1;
        auto tline = std::make_unique<TLineObject>();
        tline->axis = 2;
        cases.push_back({"curves and T-lines", listOf(std::move(curve), std::move(tline)), {}});
    }
    cases.push_back({"layer 20", listOf(onLayer(box({1, 1, 1}, {3, 3, 3}), 20)), {}});
    cases.push_back({"negative layer", listOf(onLayer(box({1, 1, 1}, {3, 3, 3}), -1)), {}});
    cases.push_back({"hidden layer", listOf(onLayer(box({1, 1, 1}, {3, 3, 3}), 3)), hiddenLayer3});
    cases.push_back(
        {"hidden object", listOf(withState(box({1, 1, 1}, {3, 3, 3}), objstate::kHidden)), {}});
    cases.push_back({"deleted object", listOf(withState(box({1, 1, 1}, {3, 3, 3}), -99)), {}});
    {
        ScanOptions picked;
        picked.pickedOnly = true;
        cases.push_back({"picked only, none picked",
                         listOf(withState(box({1, 1, 1}, {3, 3, 3}), objstate::kNormal)), picked});
    }
    {
        auto sub = std::make_unique<BooleanObject>();
        sub->operation = kSubtract;
        sub->children.append(withState(box({1, 1, 1}, {3, 3, 3}), objstate::kHidden));
        sub->children.append(box({2, 2, 2}, {4, 4, 4}));
        cases.push_back({"subtraction from a hidden object", listOf(std::move(sub)), {}});
    }
    {
        auto taken = std::make_unique<BooleanObject>();
        taken->operation = kUnion + kTakenApartShift;
        taken->children.append(box({1, 1, 1}, {3, 3, 3}));
        cases.push_back({"Boolean taken apart", listOf(std::move(taken)), {}});
    }
    {
        auto empty = std::make_unique<FacetObject>();
        auto flat = std::make_unique<SurfaceObject>();
        flat->setCvs({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
        flat->rows = 1;
        flat->columns = 3;
        cases.push_back(
            {"no faces, one-row surface", listOf(std::move(empty), std::move(flat)), {}});
    }
    cases.push_back({"flat in a slice plane", listOf(box({1, 1, 2}, {3, 3, 2})), {}});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        SolidEvaluator e;
        const int before = solidEvaluationsInProgress();
        EXPECT_FALSE(e.build(c.list, unitFrame(), c.options));
        EXPECT_TRUE(e.empty());
        EXPECT_EQ(solidEvaluationsInProgress(), before);
        EXPECT_GT(e.firstSlice(), e.lastSlice());
        EXPECT_FALSE(e.advance(0));
        EXPECT_TRUE(e.intervals(0).empty());
        EXPECT_EQ(e.describe(), "");
    }
}

TEST(SolidEvaluator, PickedOnlyTakesPickedObjects) {
    ObjectList list =
        listOf(withState(box({0, 0, 0}, {2, 2, 2}), objstate::kPicked), box({5, 0, 0}, {8, 2, 2}));
    ScanOptions picked;
    picked.pickedOnly = true;
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame(), picked));
    e.advance(0);
    EXPECT_EQ(spans(e, 0), (std::vector<Span>{{2, 0}}));
    ASSERT_TRUE(e.build(list, unitFrame()));
    e.advance(0);
    EXPECT_EQ(spans(e, 0), (std::vector<Span>{{8, 5}, {2, 0}}));
}

std::unique_ptr<BooleanObject> boolean(uint32_t op,
                                       std::vector<std::unique_ptr<ModelObject>> kids) {
    auto b = std::make_unique<BooleanObject>();
    b->operation = op;
    for (auto& k : kids) b->children.append(std::move(k));
    return b;
}

template <class... T>
std::vector<std::unique_ptr<ModelObject>> ops(std::unique_ptr<T>... objects) {
    std::vector<std::unique_ptr<ModelObject>> v;
    (v.push_back(std::move(objects)), ...);
    return v;
}

// Boxes two units thick in Y and Z, laid along X; row 0 of slice 0 reads them.
std::unique_ptr<FacetObject> bar(float x0, float x1) {
    return box({x0, 0, 0}, {x1, 2, 2});
}
std::unique_ptr<FacetObject> jewelBar(float x0, float x1) {
    return flagged(bar(x0, x1), true, false);
}
std::unique_ptr<FacetObject> superBar(float x0, float x1) {
    return flagged(bar(x0, x1), false, true);
}

// One design per row: what the solid of slice 0, row 0 is and how the tree looks.
TEST(SolidEvaluator, BooleansSuperSubtractorsAndJewels) {
    struct Case {
        const char* name;
        ObjectList list;
        std::vector<Span> expected;
        const char* tree;
    };
    std::vector<Case> cases;
    cases.push_back({"union",
                     listOf(boolean(kUnion, ops(bar(0, 4), bar(3, 6), bar(8, 9)))),
                     {{9, 8}, {6, 0}},
                     "union(leaf,leaf,leaf)"});
    cases.push_back(
        {"touching intervals fuse", listOf(bar(0, 4), bar(4, 6)), {{6, 0}}, "union(leaf,leaf)"});
    cases.push_back({"intersection",
                     listOf(boolean(kIntersect, ops(bar(0, 6), bar(4, 9), bar(5, 20)))),
                     {{6, 5}},
                     "intersect(leaf,leaf,leaf)"});
    cases.push_back({"empty intersection",
                     listOf(boolean(kIntersect, ops(bar(0, 3), bar(4, 9)))),
                     {},
                     "intersect(leaf,leaf)"});
    cases.push_back({"subtraction with several tools",
                     listOf(boolean(kSubtract, ops(bar(0, 10), bar(2, 3), bar(5, 7), bar(6, 8)))),
                     {{10, 8}, {5, 3}, {2, 0}},
                     "subtract(leaf,union(leaf,leaf,leaf))"});
    cases.push_back({"a tool covering the base",
                     listOf(boolean(kSubtract, ops(bar(2, 4), bar(0, 10)))),
                     {},
                     "subtract(leaf,leaf)"});
    cases.push_back(
        {"nested",
         listOf(boolean(kSubtract, ops(boolean(kUnion, ops(bar(0, 4), bar(6, 9))), bar(3, 7)))),
         {{9, 7}, {3, 0}},
         "subtract(union(leaf,leaf),leaf)"});
    // A super subtractor through a ring and a jewel cuts the ring only.
    cases.push_back({"super subtractor spares the jewel",
                     listOf(bar(0, 10), jewelBar(12, 14), superBar(8, 13)),
                     {{14, 12}, {8, 0}},
                     "union(leaf,subtract(leaf,leaf))"});
    cases.push_back({"super subtractors cut every ordinary object",
                     listOf(bar(0, 5), superBar(4, 7), bar(6, 10), superBar(9, 11)),
                     {{9, 7}, {4, 0}},
                     "subtract(union(leaf,leaf),union(leaf,leaf))"});
    cases.push_back({"only jewels and super subtractors: the jewels",
                     listOf(jewelBar(0, 3), superBar(1, 8), jewelBar(5, 7)),
                     {{7, 5}, {3, 0}},
                     "union(leaf,leaf)"});
    // Inside a Boolean that is not a jewel, a jewel operand goes to the document level,
    // where no super subtractor reaches it.
    cases.push_back({"jewel operand leaves its Boolean",
                     listOf(boolean(kUnion, ops(bar(0, 6), jewelBar(6, 9))), superBar(5, 8)),
                     {{9, 6}, {5, 0}},
                     "union(leaf,subtract(leaf,leaf))"});
    // ... and so does a super-subtractor operand, which then cuts other objects too.
    cases.push_back({"super subtractor operand leaves its Boolean",
                     listOf(boolean(kUnion, ops(bar(0, 4), superBar(3, 12))), bar(10, 14)),
                     {{14, 12}, {3, 0}},
                     "subtract(union(leaf,leaf),leaf)"});
    // Within a tool everything stays: the jewel inside the cutting union cuts too.
    cases.push_back(
        {"jewel inside a tool stays in it",
         listOf(
             boolean(kSubtract, ops(bar(0, 10), boolean(kUnion, ops(bar(1, 2), jewelBar(5, 6)))))),
         {{10, 6}, {5, 2}, {1, 0}},
         "subtract(leaf,union(leaf,leaf))"});
    // What the user subtracts cuts, even a jewel or a super subtractor.
    cases.push_back({"a jewel as a tool cuts",
                     listOf(boolean(kSubtract, ops(bar(0, 10), jewelBar(3, 5)))),
                     {{10, 5}, {3, 0}},
                     "subtract(leaf,leaf)"});
    cases.push_back({"a super subtractor as a tool cuts its base only",
                     listOf(boolean(kSubtract, ops(bar(0, 10), superBar(3, 12))), bar(11, 14)),
                     {{14, 11}, {3, 0}},
                     "union(subtract(leaf,leaf),leaf)"});
    // A super subtractor as the base leaves its Boolean: there is nothing left for the tools.
    cases.push_back({"a super subtractor as the base",
                     listOf(boolean(kSubtract, ops(superBar(2, 6), bar(3, 4))), bar(0, 10)),
                     {{10, 6}, {2, 0}},
                     "subtract(leaf,leaf)"});
    // A Boolean whose operands are all jewels is a jewel: the super subtractor spares it.
    cases.push_back(
        {"all-jewel union is a jewel",
         listOf(boolean(kUnion, ops(jewelBar(0, 2), jewelBar(3, 5))), bar(8, 9), superBar(1, 9)),
         {{5, 3}, {2, 0}},
         "union(union(leaf,leaf),subtract(leaf,leaf))"});
    // Hidden operands are left out; a subtraction without visible tools is its base.
    {
        auto hidden = bar(2, 4);
        hidden->state = objstate::kHidden;
        cases.push_back({"hidden tool",
                         listOf(boolean(kSubtract, ops(bar(0, 6), std::move(hidden)))),
                         {{6, 0}},
                         "leaf"});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        SolidEvaluator e;
        ASSERT_TRUE(e.build(c.list, unitFrame()));
        EXPECT_EQ(e.describe(), c.tree);
        e.advance(0);
        EXPECT_EQ(spans(e, 0), c.expected);
        e.advance(1);
        EXPECT_EQ(spans(e, 1), c.expected);
        e.advance(2);  // the top faces lie on slice 2: outside
        EXPECT_TRUE(spans(e, 0).empty());
    }
}

class GemDesigns : public testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("orv_scanline_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::shared_ptr<GemLibrary> library(const ObjectList& entries) {
        const std::vector<uint8_t> bytes = designBytes(entries);
        const auto file = dir / "gemlib";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return std::make_shared<GemLibrary>(file);
    }

    std::filesystem::path dir;
};

// A gem instance is its library stone through its placement, and a jewel: the super
// subtractor through it and the ring cuts only the ring.
TEST_F(GemDesigns, GemInstanceIsPlacedAndSparedBySuperSubtractors) {
    auto lib = library(listOf(box({0, 0, 0}, {1, 1, 1})));
    auto stone = std::make_unique<GemInstance>();
    stone->library = lib;
    stone->gemIndex = 0;
    stone->placement = Matrix4::scaling(2, 2, 2) * Matrix4::translation(12, 0, 0);
    auto missing = std::make_unique<GemInstance>();
    missing->library = lib;
    missing->gemIndex = 7;
    ObjectList list = listOf(bar(0, 10), std::move(stone), std::move(missing), superBar(8, 13));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame()));
    e.advance(1);
    EXPECT_EQ(spans(e, 1), (std::vector<Span>{{14, 12}, {8, 0}}));
}

// ---- scanning ----

TEST(SolidEvaluator, SkippedSlicesGiveTheSameIntervals) {
    ObjectList list = listOf(test::sphere({0, 0, 0}, 5), box({3, -2, -2}, {9, 2, 2}));
    const ScanFrame f = zyxFrame({-10, -10, -10}, 0.25f, 80);
    SolidEvaluator every, some;
    ASSERT_TRUE(every.build(list, f));
    ASSERT_TRUE(some.build(list, f));
    for (int s = 0; s < 80; ++s) {
        every.advance(s);
        if (s % 7 != 3) continue;
        EXPECT_TRUE(some.advance(s));
        ASSERT_EQ(some.firstRow(), every.firstRow());
        ASSERT_EQ(some.lastRow(), every.lastRow());
        for (int r = every.firstRow(); r <= every.lastRow(); ++r)
            EXPECT_EQ(spans(some, r), spans(every, r)) << "slice " << s << " row " << r;
    }
    EXPECT_FALSE(some.advance(10)) << "slices only go up";
    EXPECT_EQ(some.currentSlice(), 73);
}

// What slicing relies on: interval ends name their facet and carry its slope per row.
TEST(SolidEvaluator, IntervalEndsCarryTheirSegmentAndSlope) {
    // A wedge: its slanted face runs x = 2 + y / 2 in every slice.
    auto wedge = std::make_unique<FacetObject>();
    wedge->setCvs(
        {{0, 0, 0}, {2, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 3}, {2, 0, 3}, {4, 4, 3}, {0, 4, 3}});
    wedge->faceSizes = {4, 4, 4, 4, 4, 4};
    wedge->faceIndices = {0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4, 3, 7, 6, 2, 0, 4, 7, 3, 1, 2, 6, 5};
    ObjectList list = listOf(std::move(wedge));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame()));
    // Of the twelve triangles only the four that a slice can cut across the rows are kept: the
    // ends lie in slice planes and the y faces along rows.
    EXPECT_EQ(e.counts().facets, 4u);
    e.advance(1);
    uint32_t slantId = 0;
    for (int r = 0; r < 4; ++r) {
        auto row = e.intervals(r);
        ASSERT_EQ(row.size(), 1u);
        EXPECT_FLOAT_EQ(row[0].hi.run, 2.0f + 0.5f * r);
        EXPECT_FLOAT_EQ(row[0].hi.runPerRow, 0.5f);
        EXPECT_FLOAT_EQ(row[0].lo.run, 0.0f);
        EXPECT_FLOAT_EQ(row[0].lo.runPerRow, 0.0f);
        EXPECT_NE(row[0].hi.segment, row[0].lo.segment);
        EXPECT_EQ(row[0].hi.attributes, kNoAttributes);
        if (r == 0) slantId = row[0].hi.segment;
        // Both triangles of the slanted face lie on one line; either may give the end.
        EXPECT_LE(
            row[0].hi.segment > slantId ? row[0].hi.segment - slantId : slantId - row[0].hi.segment,
            1u);
    }
}

// The records are pooled: a long run of equal slices does not make the pools grow.
TEST(SolidEvaluator, PoolsStopGrowingOnceTheLargestSliceIsSeen) {
    ObjectList list = listOf(test::sphere({0, 0, 0}, 4), box({-1, -6, -1}, {1, 6, 300}));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, zyxFrame({-8, -8, -8}, 0.5f, 32)));
    size_t after = 0;
    for (int s = 0; s < 600; ++s) {
        e.advance(s);
        for (int r = e.firstRow(); r <= e.lastRow(); ++r) e.intervals(r);
        if (s == 30) after = e.counts().poolBytes;
    }
    EXPECT_GT(after, 0u);
    EXPECT_EQ(e.counts().poolBytes, after);
    EXPECT_GT(e.counts().activeFacets, 0u);
    EXPECT_GT(e.counts().crossings, 0u);
}

TEST(SolidEvaluator, BuildAndReleaseCountEvaluationsInProgress) {
    ObjectList list = listOf(bar(0, 2));
    const int before = solidEvaluationsInProgress();
    {
        SolidEvaluator a, b;
        ASSERT_TRUE(a.build(list, unitFrame()));
        ASSERT_TRUE(b.build(list, unitFrame()));
        ASSERT_TRUE(b.build(list, unitFrame()));  // rebuilding releases first
        EXPECT_EQ(solidEvaluationsInProgress(), before + 2);
        a.release();
        a.release();
        EXPECT_EQ(solidEvaluationsInProgress(), before + 1);
    }
    EXPECT_EQ(solidEvaluationsInProgress(), before);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A subtraction keeps cutting after a save and a read, whether its tools are shown or not.
TEST(SolidEvaluator, SavedSubtractionsStillCut) {
    for (bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "tools shown" : "tools hidden");
        auto sub = boolean(kSubtract, ops(bar(0, 10), bar(3, 5)));
        sub->showSubtractors = shown;
        ObjectList saved = listOf(std::move(sub));
        ReadResult back = readRecords(designBytes(saved));
        ASSERT_EQ(back.objects.size(), 1u);
        SolidEvaluator e;
        ASSERT_TRUE(e.build(back.objects, unitFrame()));
        e.advance(0);
        EXPECT_EQ(spans(e, 0), (std::vector<Span>{{10, 5}, {3, 0}}));
    }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A closed curve through the corners of an axis-aligned square in the XZ plane at y = 0: each
// corner tripled, so the curve runs straight between them.
std::unique_ptr<CurveObject> squareOutline(float lo, float hi, float y) {
    auto c = std::make_unique<CurveObject>();
    std::vector<Point3> cvs;
    for (Point3 p : {Point3{lo, y, lo}, Point3{hi, y, lo}, Point3{hi, y, hi}, Point3{lo, y, hi}})
        cvs.insert(cvs.end(), 3, p);
    c->setCvs(std::move(cvs));
    c->closed = 1;
    return c;
}

// A block of a 4 x 4 square profile with a 2 x 2 square hole, made in the front view (depth
// along Y), 2 thick, placed 10 along X: its walls are open surfaces, its ends the outlines.
TEST(SolidEvaluator, BlocksAreWallsAndEndFacesWithHoles) {
    auto block = std::make_unique<BlockObject>();
    block->axes = {0, 2, 1};
    block->placement = Matrix4::translation(10, 0, 0);
    for (auto [lo, hi] : {std::pair{0.0f, 4.0f}, std::pair{1.0f, 3.0f}}) {
        auto profile = squareOutline(lo, hi, 0.0f);
        block->generatedSides.append(
            sweepNet(*profile, 2, Matrix4::translation(0, 2, 0), {1, 1, 1}, false));
        block->generatedEnds.append(squareOutline(lo, hi, 0.0f));
        block->generatedEnds.append(squareOutline(lo, hi, 2.0f));
    }
    ObjectList list;
    list.append(std::move(block));
    EXPECT_NEAR(test::sampledVolume(list, zyxFrame({8, -1, -1}, 0.25f, 24), 24), 24.0, 1e-3);

    // Runs along the depth axis (Y, from -1), rows along Z, slices along X from 10: through
    // the material, not through the hole. Boundaries on a sample line count on their upper
    // side: the hole spans rows 1 and 2.
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, ScanFrame::grid(0, 2, 1, {10, -1, 0}, {1, 1, 1}, 8)));
    const std::vector<Span> solid{{3, 1}}, none;
    e.advance(0);  // x = 10: the outer wall face
    for (int r = 0; r < 8; ++r) EXPECT_EQ(spans(e, r), r < 4 ? solid : none) << "row " << r;
    e.advance(2);  // x = 12: across the hole
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(spans(e, r), r == 0 || r == 3 ? solid : none) << "row " << r;
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Coordinates no design has (non-finite, or far beyond any grid) drop or clip their facets
// without disturbing the rest.
TEST(SolidEvaluator, WildCoordinatesDoNotDisturbTheRest) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto wild = std::make_unique<FacetObject>();
    wild->setCvs(
        {{0, 0, 0}, {1e30f, 1, 1}, {1, -1e30f, 1}, {nan, 0, 0}, {inf, 1, 1}, {2, 2, 1e20f}});
    wild->faceSizes = {3, 3, 3};
    wild->faceIndices = {0, 1, 2, 0, 3, 4, 0, 2, 5};
    ObjectList list = listOf(bar(0, 4), std::move(wild));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, unitFrame(10)));
    for (int s = 0; s < 2; ++s) {
        e.advance(s);
        for (int r = 0; r < 2; ++r) {
            auto row = e.intervals(r);
            ASSERT_FALSE(row.empty());
            EXPECT_EQ(row.back().lo.run, 0.0f);
        }
    }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Scan lines through vertices: the sphere's equator ring lies in slice 20 and the row through
// its centre meets two vertices; the row through the top of the equator polygon only touches
// it; the poles lie on slices. Nothing is counted twice and a touching line stays empty.
TEST(SolidEvaluator, LinesThroughVerticesAndTangents) {
    ObjectList list = listOf(test::sphere({0, 0, 0}, 5, 16, 24));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, zyxFrame({-10, -10, -10}, 1.0f, 21)));
    EXPECT_EQ(e.firstSlice(), 5);  // the pole at z = -5 ...
    EXPECT_EQ(e.lastSlice(), 14);  // ... and at z = 5, which lies on slice 15: outside
    e.advance(5);                  // touches the lower pole only
    for (int r = 0; r < 21; ++r) EXPECT_TRUE(e.intervals(r).empty()) << "row " << r;
    e.advance(10);  // z = 0, through the equator's vertices
    auto centre = e.intervals(10);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_FLOAT_EQ(centre[0].hi.run, 15.0f);
    EXPECT_FLOAT_EQ(centre[0].lo.run, 5.0f);
    EXPECT_EQ(e.intervals(14).size(), 1u);
    EXPECT_TRUE(e.intervals(15).empty());  // y = 5 touches the equator polygon's top vertex
    EXPECT_EQ(e.lastRow(), 14);
}

// The flat faces of a revolved ring lie on CV rows of its grid: the lower one on a slice
// counts, the upper one does not.
TEST(SolidEvaluator, GridRowsOnSlices) {
    ObjectList list;
    list.append(test::bandRing(8, 10, -1.5f, 1.5f));
    SolidEvaluator e;
    ASSERT_TRUE(e.build(list, zyxFrame({-12, -12, -2}, 0.5f, 48)));
    EXPECT_EQ(e.firstSlice(), 1);
    EXPECT_EQ(e.lastSlice(), 6);
    for (int s = 0; s <= 8; ++s) {
        e.advance(s);
        auto middle = e.intervals(24);  // y = 0
        if (s < 1 || s > 6) {
            EXPECT_TRUE(middle.empty()) << "slice " << s;
            continue;
        }
        ASSERT_EQ(middle.size(), 2u) << "slice " << s;
        EXPECT_NEAR(middle[0].hi.run, 44.0f, 1e-3);  // x = 10
        EXPECT_NEAR(middle[0].lo.run, 40.0f, 1e-3);  // x = 8
        EXPECT_NEAR(middle[1].hi.run, 8.0f, 1e-3);   // x = -8
        EXPECT_NEAR(middle[1].lo.run, 4.0f, 1e-3);   // x = -10
    }
}

}  // namespace
}  // namespace orv
