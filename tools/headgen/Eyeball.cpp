#include "Eyeball.h"

#include "HeadLandmarks.h"
#include "Sdf.h"

#include <cmath>

using namespace landmarks;

double eyeballsDistance(const Vec3& p) {
    const Vec3 q = Vec3(std::abs(p.x), p.y, p.z) - leftEyeCentre;
    const double corneaRadius = 5.5;
    const double sclera = glm::length(q) - eyeballRadius;
    const double cornea = sphereDistance(q, {0.0, 0.0, corneaApex - corneaRadius}, corneaRadius);
    double d = smoothUnion(sclera, cornea, 0.5);
    d = smoothSubtraction(d, sphereDistance(q, {0.0, 0.0, corneaApex + 0.8}, 1.25), 0.4);
    return d;
}
