#pragma once

#include "Vec3.h"

// The tongue at rest as a distance field, symmetric about x = 0: a flat, rounded body lying on
// the mouth's floor behind the lower teeth, its front rising to a thin tip short of them at the
// height of the gap between the rows. It keeps clear of the mouth's walls and of the lower teeth,
// all of which it moves with when the jaw moves.
double tongueDistance(const Vec3& p);

// Where the tongue's tip and root lie along z at rest, and the height of its middle at the root.
namespace tongue {
inline constexpr double rootZ = 7.0;
inline constexpr double tipZ = 34.5;
inline constexpr double middleY = -60.3;
// The middle line rises towards the tip and the tongue thins to 60% of its thickness, so that
// the tip lies between the edges of the teeth: that way every vertex's straight path out of
// the mouth clears the lower teeth and lips at every weight of the target.
double middleAt(double z);
// The thickness at z as a fraction of the body's full thickness.
double thicknessAt(double z);
} // namespace tongue
