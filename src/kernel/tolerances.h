#pragma once
// Every tolerance the geometry code shares, in one place. Coordinates are millimetres.

namespace orv::tol {

// Two points are "the same" when every coordinate differs by strictly less than this.
inline constexpr float kSamePoint = 0.0001f;
// normalize() leaves vectors whose squared length is at or below this unchanged.
inline constexpr float kNormalizeSquared = 1e-10f;
// A matrix whose |determinant| is at or below this is treated as singular.
inline constexpr float kSingularDeterminant = 1e-10f;
// Bounds of an empty bounding box before it is grown.
inline constexpr float kEmptyBox = 1e30f;
// Patch coefficients whose components are all within this of zero are snapped to zero.
inline constexpr float kZeroCoefficient = 0.0001f;
// A matrix row shorter than this is replaced by its unit axis when the axis frame follows a
// transform.
inline constexpr float kShortAxisRow = 0.00001f;

}  // namespace orv::tol
