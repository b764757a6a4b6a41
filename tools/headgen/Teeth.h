#pragma once

#include "Vec3.h"

// The two rows of teeth as distance fields, symmetric about x = 0. Each tooth is a rounded box
// standing on a horseshoe arch behind the lips. The rows hang just clear of the mouth's roof
// and floor, so the lower row, which moves with the jaw, never cuts the mouth's walls.
double upperTeethDistance(const Vec3& p);
double lowerTeethDistance(const Vec3& p);

// Gap between a tooth and the roof or floor of the mouth.
inline constexpr double teethClearance = 0.5;
