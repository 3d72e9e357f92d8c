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

}  // namespace orv
