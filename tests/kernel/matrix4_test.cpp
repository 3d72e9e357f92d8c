#include "kernel/matrix4.h"

#include <gtest/gtest.h>

#include "kernel/point3.h"

namespace orv {
namespace {

void expectNear(const Point3& a, const Point3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

void expectNear(const Matrix4& a, const Matrix4& b, float eps = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], eps) << "element " << i;
}

Matrix4 fromRows(std::initializer_list<float> v) {
    Matrix4 m;
    int i = 0;
    for (float f : v) m[i++] = f;
    return m;
}

TEST(Point3, Arithmetic) {
    const Point3 a{1, 2, 3}, b{4, -5, 6};
    EXPECT_EQ(a + b, (Point3{5, -3, 9}));
    EXPECT_EQ(a - b, (Point3{-3, 7, -3}));
    EXPECT_EQ(-a, (Point3{-1, -2, -3}));
    EXPECT_EQ(2.0f * a, (Point3{2, 4, 6}));
    EXPECT_EQ(a * 2.0f, 2.0f * a);
    EXPECT_FLOAT_EQ(dot(a, b), 4 - 10 + 18);
    EXPECT_EQ(cross(Point3{1, 0, 0}, Point3{0, 1, 0}), (Point3{0, 0, 1}));
    EXPECT_EQ(cross(a, b), (Point3{27, 6, -13}));
    EXPECT_FLOAT_EQ(length(Point3{2, 3, 6}), 7.0f);

    Point3 p = a;
    p[1] = 9;
    EXPECT_EQ(p, (Point3{1, 9, 3}));
    EXPECT_EQ(p[2], 3.0f);
}

TEST(Point3, DivisionMultipliesByReciprocal) {
    // The stored format is produced as reciprocal-then-multiply; a true division can differ
    // in the last bit, e.g. for 3.
    const Point3 a{1.1f, 2.2f, 7.7f};
    for (float s : {3.0f, 7.0f, 0.3f}) EXPECT_EQ(a / s, (1.0f / s) * a);
}

TEST(Point3, Normalize) {
    expectNear(normalize(Point3{3, 4, 0}), Point3{0.6f, 0.8f, 0});
    expectNear(normalize(Point3{0, 0, -5}), Point3{0, 0, -1});
    // Too short to have a direction: returned as is.
    EXPECT_EQ(normalize(Point3{}), Point3{});
    EXPECT_EQ(normalize(Point3{1e-6f, 0, 0}), (Point3{1e-6f, 0, 0}));
}

TEST(Point3, SamePointIsPerCoordinateAndStrict) {
    const Point3 o{10, 20, 30};
    EXPECT_TRUE(samePoint(o, o));
    EXPECT_TRUE(samePoint(o, o + Point3{0.00005f, -0.00005f, 0}));
    // Each coordinate within the bound although the distance exceeds it.
    EXPECT_TRUE(samePoint(Point3{}, Point3{0.00009f, 0.00009f, 0.00009f}));
    EXPECT_FALSE(samePoint(o, o + Point3{0, 0, 0.001f}));
    EXPECT_FALSE(samePoint(Point3{}, Point3{0, tol::kSamePoint, 0}));
}

TEST(Matrix4, DeterminantOfLeadingBlock) {
    // Lower triangular, so every leading block's determinant is the product of its diagonal.
    const Matrix4 tri = fromRows({2, 0, 0, 0, 1, 3, 0, 0, 4, 5, 6, 0, 7, 8, 9, 10});
    const float expected[] = {2, 6, 36, 360};
    for (int n = 1; n <= 4; ++n) EXPECT_FLOAT_EQ(determinant(tri, n), expected[n - 1]) << n;

    const Matrix4 m = fromRows({1, 2, 3, 0, 0, 1, 4, 0, 5, 6, 0, 0, 0, 0, 0, 2});
    EXPECT_FLOAT_EQ(determinant(m, 3), 1.0f);
    EXPECT_FLOAT_EQ(determinant(m), 2.0f);
    EXPECT_FLOAT_EQ(determinant(fromRows({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 1, 0})), 0.0f);
}

TEST(Matrix4, Inverse) {
    const Matrix4 m = fromRows({2, 1, 0, 1, 0, 3, 1, 0, 1, 0, 4, 2, 0, 1, 0, 1});
    expectNear(m * inverse(m), Matrix4::identity());
    expectNear(inverse(m) * m, Matrix4::identity());

    // Singular input yields the identity instead of infinities.
    EXPECT_EQ(inverse(fromRows({1, 2, 0, 0, 2, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})),
              Matrix4::identity());

    // Only the leading 3x3 block is inverted; the rest is identity whatever m holds there.
    const Matrix4 inv3 = inverse(m, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inv3(i, 3), 0.0f);
        EXPECT_EQ(inv3(3, i), 0.0f);
    }
    EXPECT_EQ(inv3(3, 3), 1.0f);
    Matrix4 block = m;
    for (int i = 0; i < 3; ++i) block(i, 3) = block(3, i) = 0.0f;
    block(3, 3) = 1.0f;
    expectNear(block * inv3, Matrix4::identity());
}

TEST(Matrix4, TransformPointRowVectorConvention) {
    const Matrix4 s = Matrix4::scaling(2, 3, 4);
    const Matrix4 t = Matrix4::translation(1, -1, 5);
    const Point3 p{1, 1, 1};
    // A * B applies A first.
    expectNear(transformPoint(p, s * t), Point3{3, 2, 9});
    expectNear(transformPoint(p, t * s), Point3{4, 0, 24});
    // Directions ignore translation.
    expectNear(transformVector(p, s * t), Point3{2, 3, 4});
}

TEST(Matrix4, TransformPointPerspective) {
    Matrix4 m = Matrix4::identity();
    m[11] = 0.5f;
    // w = 1 / (e (e - z) + 1) = 1 / (0.5 * -0.5 + 1) = 4/3.
    expectNear(transformPoint(Point3{2, 4, 1}, m), Point3{8.0f / 3, 16.0f / 3, 4.0f / 3});
    // Points on the z = e plane are not scaled.
    expectNear(transformPoint(Point3{2, 4, 0.5f}, m), Point3{2, 4, 0.5f});
}

}  // namespace
}  // namespace orv
