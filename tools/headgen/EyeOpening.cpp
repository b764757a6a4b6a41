#include "EyeOpening.h"

#include "HeadLandmarks.h"
#include "Sdf.h"

#include <algorithm>
#include <cmath>

using namespace landmarks;

EyeAngles eyeAnglesOf(const Vec3& leftSidePoint) {
    const Vec3 local = leftSidePoint - leftEyeCentre;
    const double horizontal = std::sqrt(local.x * local.x + local.z * local.z);
    return {std::atan2(local.x, local.z), std::atan2(local.y, horizontal), glm::length(local)};
}

Vec3 pointAtEyeAngles(const EyeAngles& angles) {
    const double horizontal = angles.radius * std::cos(angles.elevation);
    return leftEyeCentre + Vec3(horizontal * std::sin(angles.azimuth),
                                angles.radius * std::sin(angles.elevation),
                                horizontal * std::cos(angles.azimuth));
}

double openingParameter(double azimuth) {
    return (2.0 * azimuth - (lateralCanthusAzimuth + medialCanthusAzimuth)) /
           (lateralCanthusAzimuth - medialCanthusAzimuth);
}

namespace {

// 1 - u^2 raised to a power: the margin's height profile between the corners.
double arch(double u, double power) {
    const double base = std::max(0.0, 1.0 - u * u);
    return std::pow(base, power);
}

} // namespace

double upperMarginElevation(double azimuth) {
    const double u = openingParameter(azimuth);
    // The upper margin peaks a little towards the nose, the lower one towards the ear.
    return canthalTilt * u + upperLidHeight * arch(u, 0.7) * (1.0 - 0.12 * u);
}

double lowerMarginElevation(double azimuth) {
    const double u = openingParameter(azimuth);
    return canthalTilt * u - lowerLidDepth * arch(u, 0.9) * (1.0 + 0.10 * u);
}

double eyeOpeningDistance(const Vec3& leftSidePoint) {
    const EyeAngles a = eyeAnglesOf(leftSidePoint);
    const double u = openingParameter(a.azimuth);
    const double halfWidth = 0.5 * (lateralCanthusAzimuth - medialCanthusAzimuth);
    double angular = std::max(a.elevation - upperMarginElevation(a.azimuth),
                              lowerMarginElevation(a.azimuth) - a.elevation);
    angular = std::max(angular, (std::abs(u) - 1.0) * halfWidth);
    const double outerLimit = a.radius - (lidInnerRadius + lidThickness + 6.0);
    const double innerLimit = 0.5 * lidInnerRadius - a.radius;
    // The cut ends in a rounded rim where it reaches out past the lids into the skin beside the
    // nose, so that no crease is left there.
    return smoothIntersection(std::max(angular * a.radius, innerLimit), outerLimit, 3.0);
}
