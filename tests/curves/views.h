#pragma once
#include "kernel/matrix4.h"
#include "kernel/view_axes.h"

namespace orv::testviews {

// View rotation matrices: row r holds the screen (horizontal, vertical, depth) components of
// world axis r. Screens are right-handed: horizontal x vertical = depth.
inline Matrix4 rotation(Point3 x, Point3 y, Point3 z) {
    Matrix4 m = Matrix4::identity();
    m.setRow(0, x);
    m.setRow(1, y);
    m.setRow(2, z);
    return m;
}
// Looking along +Y: X to the right, Z up, Y into the screen as negative depth.
inline Matrix4 front() {
    return rotation({1, 0, 0}, {0, 0, -1}, {0, 1, 0});
}
// Looking down Z: X right, Y up.
inline Matrix4 top() {
    return rotation({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
}
// Looking along -X: Y right, Z up.
inline Matrix4 right() {
    return rotation({0, 0, 1}, {1, 0, 0}, {0, 1, 0});
}

// Looking along -Y: X to the left, Z up.
inline Matrix4 back() {
    return rotation({-1, 0, 0}, {0, 0, 1}, {0, 1, 0});
}

inline ViewAxes frontAxes() {
    return dominantAxes(front());
}
inline ViewAxes topAxes() {
    return dominantAxes(top());
}
inline ViewAxes rightAxes() {
    return dominantAxes(right());
}
inline ViewAxes backAxes() {
    return dominantAxes(back());
}

}  // namespace orv::testviews
