#pragma once

#include "Vec3.h"

// The skin of the head and neck as a signed distance field, symmetric about x = 0: cranium,
// face, nose, lips with the mouth slit and the cavity behind it, lids over open eye sockets,
// ears, and the neck cut off flat below.
double headDistance(const Vec3& p);

// The hollow of the mouth behind the lips (negative inside it); the tongue is a part of its own.
double mouthCavityDistance(const Vec3& p);

// Height of the line where the lips meet, across the mouth.
double mouthLineAt(double x);
