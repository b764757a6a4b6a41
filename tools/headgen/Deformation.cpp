#include "Deformation.h"

#include "HeadLandmarks.h"

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

Vec3 alongSurface(const Vec3& direction, const Vec3& normal) {
    return direction - glm::dot(direction, normal) * normal;
}

Vec3 lowerFaceNormal(const Vec3& p) {
    // The gradient of the ellipsoid that carries the lower face.
    const Vec3 centre{0.0, -40.0, 14.0}, radii{35.0, 40.0, 38.0};
    return glm::normalize((p - centre) / (radii * radii));
}

Vec3 alongLowerFace(const Vec3& direction, const Vec3& p) {
    const Vec3 normal = lowerFaceNormal(p);
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
