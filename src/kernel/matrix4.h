#pragma once
#include <array>

#include "kernel/point3.h"

namespace orv {

// 4x4 single-precision matrix, row-major (element (r, c) at 4r + c). Points are row vectors:
// p' = [x y z 1] * M, so translation lives in row 3 and A * B applies A first, then B.
// Object matrices have m[11] == 0; only perspective view matrices set it.
struct Matrix4 {
    std::array<float, 16> m{};

    static constexpr Matrix4 identity() {
        Matrix4 r;
        r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
        return r;
    }
    // The "unset" matrix of a constructed object: zero except element 15.
    static constexpr Matrix4 zeroAffine() {
        Matrix4 r;
        r.m[15] = 1.0f;
        return r;
    }
    static constexpr Matrix4 translation(float x, float y, float z) {
        Matrix4 r = identity();
        r.m[12] = x;
        r.m[13] = y;
        r.m[14] = z;
        return r;
    }
    static constexpr Matrix4 scaling(float x, float y, float z) {
        Matrix4 r = identity();
        r.m[0] = x;
        r.m[5] = y;
        r.m[10] = z;
        return r;
    }

    constexpr float& operator()(int r, int c) { return m[4 * r + c]; }
    constexpr float operator()(int r, int c) const { return m[4 * r + c]; }
    constexpr float& operator[](int i) { return m[i]; }
    constexpr float operator[](int i) const { return m[i]; }
    friend constexpr bool operator==(const Matrix4&, const Matrix4&) = default;

    Point3 row(int r) const { return {m[4 * r], m[4 * r + 1], m[4 * r + 2]}; }
    void setRow(int r, const Point3& p) {
        m[4 * r] = p.x;
        m[4 * r + 1] = p.y;
        m[4 * r + 2] = p.z;
    }
};

Matrix4 operator*(const Matrix4& a, const Matrix4& b);

// p * M with the perspective divide when m[11] != 0.
Point3 transformPoint(const Point3& p, const Matrix4& M);
// Direction through the upper 3x3 only (no translation, no perspective).
Point3 transformVector(const Point3& v, const Matrix4& M);

// Determinant of the leading n x n block (n = 1..4).
float determinant(const Matrix4& M, int n = 4);
// Inverse of the leading n x n block by the adjugate; the rest stays identity. A singular
// block (|det| <= kSingularDeterminant) yields the identity, never an error.
Matrix4 inverse(const Matrix4& M, int n = 4);

}  // namespace orv
