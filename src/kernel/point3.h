#pragma once
#include <cmath>

#include "kernel/tolerances.h"

namespace orv {

// A position or direction in millimetres. Single precision everywhere: designs store floats,
// and results must be rounded to float exactly where the file format expects it.
struct Point3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    constexpr Point3& operator+=(const Point3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    constexpr Point3& operator-=(const Point3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    friend constexpr bool operator==(const Point3&, const Point3&) = default;
};

constexpr Point3 operator+(Point3 a, const Point3& b) { return a += b; }
constexpr Point3 operator-(Point3 a, const Point3& b) { return a -= b; }
constexpr Point3 operator-(const Point3& a) { return {-a.x, -a.y, -a.z}; }
constexpr Point3 operator*(float s, const Point3& a) { return {s * a.x, s * a.y, s * a.z}; }
constexpr Point3 operator*(const Point3& a, float s) { return s * a; }
// One reciprocal and three products, so results match the stored format bit for bit.
constexpr Point3 operator/(const Point3& a, float s) { return (1.0f / s) * a; }

constexpr float dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Point3& a) { return std::sqrt(dot(a, a)); }

// Unit vector along v; vectors too short to have a direction come back unchanged.
inline Point3 normalize(const Point3& v) {
    float sq = dot(v, v);
    if (sq > tol::kNormalizeSquared) return v / std::sqrt(sq);
    return v;
}

// Per-coordinate coincidence test with a strict bound (not a distance).
constexpr bool samePoint(const Point3& a, const Point3& b) {
    auto near = [](float p, float q) { return (p > q ? p - q : q - p) < tol::kSamePoint; };
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

}  // namespace orv
