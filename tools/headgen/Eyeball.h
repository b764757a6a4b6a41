#pragma once

#include "Vec3.h"

// Both eyeballs as one distance field: a sphere with the cornea bulging in front (its tip at
// landmarks::corneaApex from the centre) and a shallow pupil, looking straight ahead.
double eyeballsDistance(const Vec3& p);
