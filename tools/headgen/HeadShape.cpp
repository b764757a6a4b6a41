#include "HeadShape.h"

#include "EyeOpening.h"
#include "HeadLandmarks.h"
#include "Sdf.h"

#include <algorithm>
#include <cmath>

using namespace landmarks;

namespace {

// Every part below takes the point folded onto the left side (x >= 0), so paired features
// are built once and the field is exactly symmetric.

// The length of (a, b); the values here are far from overflowing, so std::hypot's care, which
// costs much of the field's time, is not needed.
double planeLength(double a, double b) {
    return std::sqrt(a * a + b * b);
}

double skull(const Vec3& q) {
    double d = ellipsoidDistance(q, {0.0, 10.0, -8.0}, {45.5, 56.0, 58.0});
    // A fuller dome over the crown.
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, 28.0, -10.0}, {43.0, 38.0, 54.0}), 8.0);
    // The upper face is flatter and fuller in front than the skull's curve.
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -12.0, 20.0}, {33.0, 30.0, 29.0}), 10.0);
    return d;
}

double faceMass(const Vec3& q) {
    double d = ellipsoidDistance(q, {0.0, -40.0, 14.0}, {35.0, 40.0, 38.0});
    // The underside of the jaw is a plane rising from the chin to the angle below the ear.
    const double underside = -(q.y + 0.38 * q.z + 63.8) / std::sqrt(1.0 + 0.38 * 0.38);
    d = smoothIntersection(d, underside, 8.0);
    // A squarish chin and the cheekbones.
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -70.0, 39.0}, {12.0, 8.5, 8.5}), 14.0);
    d = smoothUnion(d, ellipsoidDistance(q, {29.0, -20.0, 28.0}, {8.0, 5.0, 8.0}), 12.0);
    // Brow ridge.
    d = smoothUnion(d, capsuleDistance(q, {0.0, 0.0, 49.0}, {28.0, 1.5, 40.5}, 3.5), 9.0);
    return d;
}

double muzzleAndLips(const Vec3& q) {
    double d = ellipsoidDistance(q, {0.0, -52.0, 28.0}, {22.0, 16.0, 18.5});
    // Philtrum: a shallow groove from the nose to the middle of the upper lip.
    d = smoothSubtraction(d, capsuleDistance(q, {0.0, -43.0, 50.5}, {0.0, -48.0, 51.5}, 1.0), 2.0);
    // The lips are two cushions whose rounded edges meet along the mouth line; their borders
    // with the skin are crisp.
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -51.2, 47.8}, {14.5, 3.4, 6.2}), 1.3);
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -57.2, 47.0}, {13.0, 3.9, 6.3}), 1.3);
    // The groove between the lower lip and the chin.
    d = smoothSubtraction(d, capsuleDistance(q, {-7.0, -63.5, 50.0}, {7.0, -63.5, 50.0}, 1.4), 3.0);
    // The corners of the mouth tuck in.
    d = smoothSubtraction(d, sphereDistance(q, {mouthCornerX + 0.5, mouthLineY - 0.8, 44.0}, 1.6),
                          2.5);
    return d;
}

double nose(const Vec3& q) {
    double d = roundConeDistance(q, {0.0, -6.0, 45.5}, {0.0, -32.0, 58.0}, 3.5, 4.3);
    // The lower nose: a broad base holding the wings, with the tip in front.
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -37.5, 52.0}, {9.0, 4.8, 7.0}), 4.0);
    d = smoothUnion(d, ellipsoidDistance(q, {0.0, -35.0, 58.3}, {4.6, 4.5, 5.0}), 4.0);
    d = smoothUnion(d, capsuleDistance(q, {0.0, -38.0, 58.0}, {0.0, -41.5, 53.0}, 2.3), 2.5);
    return d;
}

double nostrils(const Vec3& q) {
    return ellipsoidDistance(q, {4.8, -41.0, 55.5}, {2.3, 1.6, 3.3});
}

double mouthSlit(const Vec3& q) {
    const double centreY = mouthLineAt(q.x);
    const double reach = mouthCornerX - mouthSlitHalfHeight;
    const double dx = std::max(q.x - reach, 0.0);
    const double dy = q.y - centreY;
    const double slab = planeLength(dx, dy) - mouthSlitHalfHeight;
    return std::max(slab, 38.0 - q.z);
}

double mouthCavity(const Vec3& q) {
    // Narrow behind the lips, wide at the back where the molars stand.
    return smoothUnion(ellipsoidDistance(q, {0.0, -54.5, 32.0}, {20.5, 9.5, 14.0}),
                       ellipsoidDistance(q, {0.0, -54.5, 19.0}, {25.0, 10.0, 14.0}), 6.0);
}

// Signed distance to a filled ellipse in the plane, approximated like the ellipsoid's.
double ellipseDistance(double u, double v, double radiusU, double radiusV) {
    const double k0 = planeLength(u / radiusU, v / radiusV);
    const double k1 = planeLength(u / (radiusU * radiusU), v / (radiusV * radiusV));
    if (k1 < 1e-12)
        return -std::min(radiusU, radiusV);
    return k0 * (k0 - 1.0) / k1;
}

double ear(const Vec3& q) {
    const Vec3 centre = leftEarCentre;
    static const Mat3 frame = frameLookingAlong(glm::normalize(Vec3(1.0, 0.0, 0.45)),
                                                glm::normalize(Vec3(0.0, 1.0, -0.25)));
    // u runs towards the face, v up, w away from the head.
    const Vec3 local = glm::transpose(frame) * (q - centre);
    const double u = -local.x, v = local.y, w = local.z;
    // A flat plate with a round rim, fuller at the lobe.
    const double outline = smoothUnion(ellipseDistance(u - 1.0, v - 1.5, 10.0, 18.0),
                                       ellipseDistance(u + 0.5, v + 13.0, 5.8, 6.3), 3.0);
    const double rim = 2.5;
    double d = planeLength(std::max(outline + rim, 0.0), w - 1.0) - rim;
    // The bowl inside the rim, with a ridge across it and the deeper concha low in it; their
    // floors turn into their walls in rounded edges.
    const double bowlOutline = ellipseDistance(u - 1.5, v - 2.0, 7.2, 14.0);
    const double bowl = smoothIntersection(bowlOutline, 2.0 - w, 1.0);
    d = smoothSubtraction(d, bowl, 2.5);
    d = smoothUnion(d, capsuleDistance({u, v, w}, {1.0, -3.0, 1.8}, {3.0, 9.0, 1.8}, 1.1), 1.2);
    const double concha =
        smoothIntersection(ellipseDistance(u + 1.5, v + 3.0, 3.6, 4.2), 1.0 - w, 1.0);
    d = smoothSubtraction(d, concha, 1.5);
    return d;
}

double neck(const Vec3& q) {
    const double column =
        roundConeDistance(q, {0.0, -40.0, -16.0}, {0.0, -125.0, -10.0}, 28.5, 32.0);
    return smoothIntersection(column, neckBottomY - q.y, 4.0);
}

double eyeRegion(double d, const Vec3& q) {
    // Put the lids on as a shell round the eyeball, hollow the shell and open it along the
    // almond between the lid margins.
    d = smoothUnion(d, sphereDistance(q, leftEyeCentre, lidInnerRadius + lidThickness), 5.0);
    d = smoothSubtraction(d, sphereDistance(q, leftEyeCentre, lidInnerRadius), 0.6);
    d = smoothSubtraction(d, eyeOpeningDistance(q), 1.4);
    return d;
}

} // namespace

double mouthLineAt(double x) {
    // The line sags a little at the middle, under the upper lip's tubercle.
    return mouthLineY - 0.004 * x * x - 0.35 * std::exp(-(x * x) / 16.0);
}

double mouthCavityDistance(const Vec3& p) {
    return mouthCavity({std::abs(p.x), p.y, p.z});
}

double headDistance(const Vec3& p) {
    const Vec3 q{std::abs(p.x), p.y, p.z};
    double d = skull(q);
    d = smoothUnion(d, faceMass(q), 14.0);
    d = smoothUnion(d, neck(q), 14.0);
    d = smoothUnion(d, muzzleAndLips(q), 10.0);
    d = smoothUnion(d, nose(q), 4.0);
    // Soft rims, so that the nostrils catch no glints.
    d = smoothSubtraction(d, nostrils(q), 2.0);
    d = eyeRegion(d, q);
    d = smoothSubtraction(d, mouthSlit(q), 1.0);
    d = smoothSubtraction(d, mouthCavity(q), 1.5);
    // The ear grows out of the side of the head in a fillet, not from a narrow groove.
    d = smoothUnion(d, ear(q), 8.0);
    return d;
}
