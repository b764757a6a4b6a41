#pragma once

#include "Vec3.h"

#include <functional>

// Elevation change (radians, + opens upwards) for a lid margin at an azimuth about the eye.
using MarginShift = std::function<double(double azimuth)>;

// Moves the lids of the left eye: every lid vertex turns about the eye's centre along its
// meridian, so the lids slide over the eyeball at a constant distance from it. The margins
// move by the given shifts, the skin above and below follows with a smooth falloff, and
// nothing far from the lids moves.
Vec3 moveLeftLids(const Vec3& p, const MarginShift& upperShift, const MarginShift& lowerShift);

// Turns the lids of the left eye about the eye's vertical axis by `azimuthShift` (radians,
// + towards the ear) at the opening, fading out above and below it and beyond the corners:
// the lids following the eyeball a little as it looks sideways.
Vec3 turnLeftLids(const Vec3& p, double azimuthShift);

// The height of the lid opening at an azimuth, 0 at the corners: shifts proportional to it
// keep the corners still.
double openingHeight(double azimuth);
// The same, normalised to 1 at the opening's highest point.
double openingProfile(double azimuth);

// Shifts that close the eye: the margins meet a third of the way up the opening, leaving a
// hair's breadth between them.
double blinkUpperShift(double azimuth);
double blinkLowerShift(double azimuth);
