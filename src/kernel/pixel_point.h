#pragma once

#include <compare>

namespace orv {

// A position in window pixels: x to the right, y down.
struct PixelPoint {
    int x = 0, y = 0;
    friend constexpr auto operator<=>(const PixelPoint&, const PixelPoint&) = default;
};

}  // namespace orv
