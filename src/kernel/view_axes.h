#pragma once
#include <cmath>

#include "kernel/matrix4.h"

namespace orv {

// The world axes nearest to a view's screen right (0), up (1) and depth (2) directions, with
// their signs. Curve kinds, sweeps and the quarter-turn commands lay geometry out in these.
struct ViewAxes {
    int axis[3] = {0, 2, 1};
    int sign[3] = {1, 1, -1};
};

// From a view rotation matrix whose column k holds screen axis k in world coordinates
// (row i = world axis i). Depth: the largest |V[i][2]|, X against Z first with Z winning a
// tie, then Y only when strictly larger. Right: of the other two, the larger |V[i][0]|, the
// first remaining axis (depth + 1) mod 3 on a tie.
inline ViewAxes dominantAxes(const Matrix4& V) {
    ViewAxes a;
    auto mag = [&](int i, int c) { return std::fabs(V(i, c)); };
    int d = mag(0, 2) > mag(2, 2) ? 0 : 2;
    if (mag(1, 2) > mag(d, 2)) d = 1;
    int r1 = (d + 1) % 3, r2 = (d + 2) % 3;
    int right = mag(r2, 0) > mag(r1, 0) ? r2 : r1;
    int up = right == r1 ? r2 : r1;
    a.axis[0] = right;
    a.axis[1] = up;
    a.axis[2] = d;
    for (int k = 0; k < 3; ++k) a.sign[k] = V(a.axis[k], k) > 0 ? 1 : -1;
    return a;
}

// The fixed view directions: 0 3D (starts as front), 1 front, 2 right, 3 top, 4 back, 5 left,
// 6 bottom. Rows are the screen images of the world X, Y and Z axes.
inline Matrix4 directionRotation(int direction) {
    static constexpr float kRows[7][9] = {
        {1, 0, 0, 0, 0, -1, 0, 1, 0},   // 3D: the front rotation
        {1, 0, 0, 0, 0, -1, 0, 1, 0},   // front: +X right, +Z up, -Y toward the viewer
        {0, 0, 1, 1, 0, 0, 0, 1, 0},    // right: +Y right, +Z up, +X toward the viewer
        {1, 0, 0, 0, 1, 0, 0, 0, 1},    // top: +X right, +Y up, +Z toward the viewer
        {-1, 0, 0, 0, 0, 1, 0, 1, 0},   // back
        {0, 0, -1, -1, 0, 0, 0, 1, 0},  // left
        {-1, 0, 0, 0, 1, 0, 0, 0, -1},  // bottom
    };
    if (direction < 0 || direction > 6) direction = 0;
    Matrix4 m = Matrix4::identity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m(r, c) = kRows[direction][3 * r + c];
    return m;
}

// The view matrix turned about screen axis `axis` (0 x, 1 y, 2 z) by `radians`: V * R.
inline Matrix4 rotateScreen(const Matrix4& V, int axis, float radians) {
    Matrix4 R = Matrix4::identity();
    int e = (axis + 2) % 3, c = (axis + 1) % 3;
    R(e, e) = R(c, c) = std::cos(radians);
    R(c, e) = std::sin(radians);
    R(e, c) = -std::sin(radians);
    return V * R;
}

}  // namespace orv
