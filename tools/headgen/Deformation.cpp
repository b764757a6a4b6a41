#include "Deformation.h"

#include "HeadLandmarks.h"
#include "Sdf.h"

#include <algorithm>
#include <cmath>

double smoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double bump(const Vec3& p, const Vec3& centre, const Vec3& radii) {
    const Vec3 q = (p - centre) / radii;
    const double s = 1.0 - glm::dot(q, q);
    return s > 0.0 ? s * s * s : 0.0;
}

Vec3 envelopeNormal(const Vec3& p) {
    // Skull and lower face, as in the head's shape, blended into one smooth field.
    const auto envelope = [](const Vec3& q) {
        const Vec3 folded{std::abs(q.x), q.y, q.z};
        return smoothUnion(ellipsoidDistance(folded, {0.0, 10.0, -8.0}, {45.5, 56.0, 58.0}),
                           ellipsoidDistance(folded, {0.0, -40.0, 14.0}, {35.0, 40.0, 38.0}), 14.0);
    };
    const double h = 0.05;
    const Vec3 gradient(envelope(p + Vec3(h, 0, 0)) - envelope(p - Vec3(h, 0, 0)),
                        envelope(p + Vec3(0, h, 0)) - envelope(p - Vec3(0, h, 0)),
                        envelope(p + Vec3(0, 0, h)) - envelope(p - Vec3(0, 0, h)));
    return glm::normalize(gradient);
}

Vec3 alongEnvelope(const Vec3& direction, const Vec3& p) {
    const Vec3 normal = envelopeNormal(p);
    return direction - glm::dot(direction, normal) * normal;
}

double clearOfEyes(const Vec3& p) {
    const Vec3 q{std::abs(p.x), p.y, p.z};
    const double r = glm::length(q - landmarks::leftEyeCentre);
    const double shell = landmarks::lidInnerRadius + landmarks::lidThickness;
    return smoothStep(shell + 0.7, shell + 7.0, r);
}

Vec3 rotateAboutX(const Vec3& p, const Vec3& pivot, double angle) {
    const Vec3 d = p - pivot;
    const double c = std::cos(angle), s = std::sin(angle);
    return pivot + Vec3(d.x, d.y * c - d.z * s, d.y * s + d.z * c);
}
