#include "kernel/matrix4.h"

#include <cmath>

namespace orv {

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a(i, k) * b(k, j);
            c(i, j) = s;
        }
    return c;
}

Point3 transformPoint(const Point3& p, const Matrix4& M) {
    float x = p.x * M[0] + p.y * M[4] + p.z * M[8] + M[12];
    float y = p.x * M[1] + p.y * M[5] + p.z * M[9] + M[13];
    float z = p.x * M[2] + p.y * M[6] + p.z * M[10] + M[14];
    if (M[11] != 0.0f) {
        float e = M[11];
        float w = 1.0f / (e * (e - z) + 1.0f);
        x *= w;
        y *= w;
        z *= w;
    }
    return {x, y, z};
}

Point3 transformVector(const Point3& v, const Matrix4& M) {
    return {v.x * M[0] + v.y * M[4] + v.z * M[8], v.x * M[1] + v.y * M[5] + v.z * M[9],
            v.x * M[2] + v.y * M[6] + v.z * M[10]};
}

namespace {

// Determinant of the k x k matrix formed by the given rows and columns of M, expanded along
// its first column. Index lists keep the recursion allocation-free.
float minorDet(const Matrix4& M, const int* rows, const int* cols, int k) {
    if (k == 1) return M(rows[0], cols[0]);
    if (k == 2) return M(rows[0], cols[0]) * M(rows[1], cols[1]) - M(rows[1], cols[0]) * M(rows[0], cols[1]);
    float det = 0.0f;
    float sign = 1.0f;
    int subRows[3];
    for (int i = 0; i < k; ++i) {
        int n = 0;
        for (int r = 0; r < k; ++r)
            if (r != i) subRows[n++] = rows[r];
        det += sign * M(rows[i], cols[0]) * minorDet(M, subRows, cols + 1, k - 1);
        sign = -sign;
    }
    return det;
}

constexpr int kIndex[4] = {0, 1, 2, 3};

}  // namespace

float determinant(const Matrix4& M, int n) {
    if (n < 1) return 1.0f;
    if (n > 4) n = 4;
    return minorDet(M, kIndex, kIndex, n);
}

Matrix4 inverse(const Matrix4& M, int n) {
    Matrix4 r = Matrix4::identity();
    if (n < 1) return r;
    if (n > 4) n = 4;
    float det = determinant(M, n);
    if (std::fabs(det) <= tol::kSingularDeterminant) return r;
    int rows[3], cols[3];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            int a = 0, b = 0;
            for (int q = 0; q < n; ++q) {
                if (q != i) rows[a++] = q;
                if (q != j) cols[b++] = q;
            }
            float cof = n == 1 ? 1.0f : minorDet(M, rows, cols, n - 1);
            if ((i + j) & 1) cof = -cof;
            r(j, i) = cof / det;  // adjugate: transposed cofactors
        }
    return r;
}

}  // namespace orv
