#pragma once

#include "Vec3.h"

// Angles of a point about the left eye's centre: azimuth about the vertical (0 straight
// ahead, positive towards the ear) and elevation above the horizontal. The right eye uses the
// reflected point.
struct EyeAngles {
    double azimuth;
    double elevation;
    double radius;
};

EyeAngles eyeAnglesOf(const Vec3& leftSidePoint);
Vec3 pointAtEyeAngles(const EyeAngles& angles);

// The almond-shaped lid opening: the elevations of the upper and lower lid margins at an
// azimuth, both equal to the line between the corners outside the opening.
double upperMarginElevation(double azimuth);
double lowerMarginElevation(double azimuth);

// Where along the opening an azimuth lies: -1 at the inner corner, +1 at the outer corner.
double openingParameter(double azimuth);

// Signed angular distance from the opening (negative inside it), times the radius: the
// opening as a tunnel through the lids.
double eyeOpeningDistance(const Vec3& leftSidePoint);
