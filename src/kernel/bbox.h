#pragma once
#include <algorithm>

#include "kernel/point3.h"

namespace orv {

// Axis-aligned box. Invariant: empty() <=> lo.x > hi.x (it starts at +-1e30 and only grows).
struct BoundingBox {
    Point3 lo{tol::kEmptyBox, tol::kEmptyBox, tol::kEmptyBox};
    Point3 hi{-tol::kEmptyBox, -tol::kEmptyBox, -tol::kEmptyBox};

    bool empty() const { return lo.x > hi.x || lo.y > hi.y || lo.z > hi.z; }
    void grow(const Point3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    void grow(const BoundingBox& b) {
        if (b.empty()) return;
        grow(b.lo);
        grow(b.hi);
    }
    friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

}  // namespace orv
