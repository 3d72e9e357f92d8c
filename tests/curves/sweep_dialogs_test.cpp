#include "curves/sweep_dialogs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curves/views.h"

namespace orv {
namespace {

using namespace testviews;

void expectNear(const Point3& a, const Point3& b, float eps = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(ExtendArgs, PolarEntryDescribesTheSameVector) {
    ExtendArgs a;
    a.edits = {3, 4, 1.5};
    ASSERT_TRUE(a.setPolar(true));
    EXPECT_NEAR(a.edits[0], 5.0, 1e-9);
    EXPECT_NEAR(a.edits[1], 53.130102, 1e-5);
    EXPECT_NEAR(a.edits[2], std::atan2(1.5, 3.0) * 180 / std::numbers::pi, 1e-9);
    expectNear(a.vector(), {3, 4, 1.5});
    ASSERT_TRUE(a.setPolar(false));
    EXPECT_NEAR(a.edits[0], 3.0, 1e-5);
    EXPECT_NEAR(a.edits[1], 4.0, 1e-5);
    EXPECT_NEAR(a.edits[2], 1.5, 1e-5);

    ExtendArgs p;
    p.polar = true;
    p.edits = {std::sqrt(2.0), 45, 45};
    expectNear(p.vector(), {1, 1, 1});
    p.edits = {2, 60, 90};  // tan 90 degrees is clamped, not infinite
    EXPECT_NEAR(p.vector().z, 1.0 * 99999.0, 1.0);
}

TEST(ExtendArgs, PolarEntryRefusesADepthItCannotCarry) {
    // A pure depth vector has no horizontal part for polar entry to scale: converting it would
    // quietly make it zero.
    ExtendArgs a;
    a.edits = {0, 2, 1};
    EXPECT_FALSE(a.setPolar(true));
    EXPECT_FALSE(a.polar);
    EXPECT_EQ(a.edits, (std::array<double, 3>{0, 2, 1}));
    a.edits = {0, 2, 0};  // without depth the conversion is exact
    EXPECT_TRUE(a.setPolar(true));
    expectNear(a.vector(), {0, 2, 0});
}

TEST(ExtendArgs, DragSetsTheScreenComponents) {
    ExtendArgs a;
    a.edits = {7, 7, 7};
    // Front view: horizontal +X, vertical +Z.
    a.applyDrag({1.26f, 9.0f, -2.49f}, frontAxes(), 0.5);
    EXPECT_EQ(a.edits, (std::array<double, 3>{1.5, -2.5, 0}));
    a.applyDrag({1.26f, 9.0f, -2.49f}, frontAxes(), 0.0);
    EXPECT_NEAR(a.edits[0], 1.26, 1e-6);
    a.polar = true;
    a.applyDrag({3, 0, 4}, frontAxes(), 1.0);
    EXPECT_NEAR(a.edits[0], 5.0, 1e-9);
    EXPECT_NEAR(a.edits[1], 53.130102, 1e-5);
    EXPECT_EQ(a.edits[2], 0.0);
}

TEST(RevolveArgs, FullRevolutionCouplesNumberAndDegree) {
    RevolveArgs a;  // full revolution ticked
    a.setNumber(8);
    EXPECT_DOUBLE_EQ(a.degree, 45.0);
    a.setDegree(30);
    EXPECT_EQ(a.number, 12);
    a.setDegree(100);  // integer part of 3.6
    EXPECT_EQ(a.number, 3);
    a.setDegree(0.0005);  // too small to divide by: Number stays
    EXPECT_EQ(a.number, 3);
    a.setNumber(0);  // no degree to write; validate reports the count
    EXPECT_DOUBLE_EQ(a.degree, 0.0005);
    EXPECT_FALSE(validate(a).empty());

    RevolveArgs free;
    free.fullRevolution = false;
    free.setNumber(5);
    EXPECT_DOUBLE_EQ(free.degree, 90.0);
    free.setDegree(10);
    EXPECT_EQ(free.number, 5);
}

TEST(RevolveArgs, DragSetsAngleAndDirection) {
    struct Case {
        double turn;
        bool full;
        bool applied;
        double degree;
        int number;
        bool clockwise;
    };
    const Case cases[] = {
        {95, true, true, 90, 4, false},     // rounded to 360 / 4
        {-30, true, true, 30, 12, true},    // negative turns tick Clockwise
        {350, true, true, 10, 36, true},    // brought into (-180, 180]
        {0.5, true, false, 90, 4, false},   // under one degree: ignored
        {-100, false, true, 100, 4, true},  // without full revolution: as measured
        {180, true, true, 180, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.turn);
        RevolveArgs a;
        a.fullRevolution = c.full;
        EXPECT_EQ(a.applyDrag(c.turn), c.applied);
        EXPECT_NEAR(a.degree, c.degree, 1e-9);
        EXPECT_EQ(a.number, c.number);
        EXPECT_EQ(a.clockwise, c.clockwise);
    }
}

TEST(SweepDialogs, Validation) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto extend = [](int n, std::array<double, 3> e, bool polar = false) {
        ExtendArgs a;
        a.extendNumber = n;
        a.edits = e;
        a.polar = polar;
        return validate(a);
    };
    EXPECT_EQ(extend(2, {1, 0, 0}), "");
    EXPECT_EQ(extend(1, {1, 0, 0}), "");  // one copy: valid, makes nothing new
    EXPECT_EQ(extend(10000, {1, 0, 0}), "");
    EXPECT_NE(extend(0, {1, 0, 0}), "");
    EXPECT_NE(extend(10001, {1, 0, 0}), "");
    EXPECT_NE(extend(2, {1, nan, 0}), "");
    EXPECT_NE(extend(2, {1e300, 0, 0}), "");  // no float holds it
    EXPECT_EQ(extend(2, {1, 0, 90}, true), "");

    auto revolve = [](int n, double d) {
        RevolveArgs a;
        a.number = n;
        a.degree = d;
        return validate(a);
    };
    EXPECT_EQ(revolve(4, 90), "");
    EXPECT_EQ(revolve(1, -45), "");
    EXPECT_NE(revolve(0, 90), "");
    EXPECT_NE(revolve(-3, 90), "");
    EXPECT_NE(revolve(4, nan), "");
    EXPECT_NE(revolve(4, std::numeric_limits<double>::infinity()), "");
}

TEST(SweepDialogs, FieldsByLabel) {
    std::vector<std::string> labels, defaults;
    for (const auto& f : ExtendArgs::fields()) {
        labels.push_back(f.label);
        defaults.push_back(f.defaultValue);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Extend Number", "--", "|", "+", "<"}));
    EXPECT_EQ(defaults, (std::vector<std::string>{"2", "1", "0", "0", "0"}));

    ExtendArgs e;
    EXPECT_EQ(setField(e, "Extend Number", "5"), "");
    EXPECT_EQ(setField(e, "<", "on"), "");  // "<" is the check box, not the polar angle
    EXPECT_TRUE(e.polar);
    EXPECT_EQ(setField(e, "/", "4"), "");  // polar labels find their edits
    EXPECT_EQ(setField(e, ">", "0"), "");
    EXPECT_EQ(e.extendNumber, 5);
    EXPECT_EQ(e.edits, (std::array<double, 3>{4, 0, 0}));
    EXPECT_NE(setField(e, "Extend Number", "2.5"), "");
    EXPECT_NE(setField(e, "--", "abc"), "");
    EXPECT_NE(setField(e, "Length", "1"), "");
    EXPECT_EQ(e.extendNumber, 5);
    EXPECT_EQ(e.edits[0], 4.0);

    labels.clear();
    defaults.clear();
    for (const auto& f : RevolveArgs::fields()) {
        labels.push_back(f.label);
        defaults.push_back(f.defaultValue);
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"Number", "Degree", "Full revolution", "Clockwise"}));
    EXPECT_EQ(defaults, (std::vector<std::string>{"4", "90", "1", "0"}));
    RevolveArgs r;
    EXPECT_EQ(setField(r, "number", " 8 "), "");
    EXPECT_DOUBLE_EQ(r.degree, 45.0);
    EXPECT_EQ(setField(r, "Full revolution", "off"), "");
    EXPECT_EQ(setField(r, "Degree", "30"), "");
    EXPECT_EQ(r.number, 8);
    EXPECT_EQ(RevolveArgs::fields()[0].get(r), "8");
    r.degree = 360.0 / 7;
    EXPECT_EQ(RevolveArgs::fields()[1].get(r), "51.4286");
}

}  // namespace
}  // namespace orv
