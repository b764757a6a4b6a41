#pragma once

#include "Vec3.h"

// The tongue at rest as a distance field, symmetric about x = 0: a flat, rounded body lying on
// the mouth's floor behind the lower teeth, its tip short of them and its top below their
// edges. It keeps clear of the mouth's walls and of the lower teeth, all of which it moves
// with when the jaw moves.
double tongueDistance(const Vec3& p);

// Where the tongue's tip and root lie along z at rest, and the height of its middle.
namespace tongue {
inline constexpr double rootZ = 7.0;
inline constexpr double tipZ = 34.5;
inline constexpr double middleY = -60.3;
} // namespace tongue
