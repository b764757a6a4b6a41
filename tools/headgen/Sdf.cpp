#include "Sdf.h"

#include <algorithm>
#include <cmath>

double sphereDistance(const Vec3& p, const Vec3& centre, double radius) {
    return glm::length(p - centre) - radius;
}

double ellipsoidDistance(const Vec3& p, const Vec3& centre, const Vec3& radii) {
    const Vec3 q = p - centre;
    const double k0 = glm::length(q / radii);
    const double k1 = glm::length(q / (radii * radii));
    if (k1 < 1e-12)
        return -std::min({radii.x, radii.y, radii.z});
    return k0 * (k0 - 1.0) / k1;
}

double orientedEllipsoidDistance(const Vec3& p, const Vec3& centre, const Mat3& axes,
                                 const Vec3& radii) {
    const Vec3 local = glm::transpose(axes) * (p - centre);
    return ellipsoidDistance(local, Vec3(0.0), radii);
}

double capsuleDistance(const Vec3& p, const Vec3& a, const Vec3& b, double radius) {
    const Vec3 ab = b - a;
    const double t = std::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0, 1.0);
    return glm::length(p - (a + t * ab)) - radius;
}

double roundConeDistance(const Vec3& p, const Vec3& a, const Vec3& b, double radiusA,
                         double radiusB) {
    // Exact distance to the convex hull of two spheres (the tangent cone between them).
    const Vec3 ba = b - a;
    const double l2 = glm::dot(ba, ba);
    const double rr = radiusA - radiusB;
    const double a2 = l2 - rr * rr;
    const double il2 = 1.0 / l2;
    const Vec3 pa = p - a;
    const double y = glm::dot(pa, ba);
    const double z = y - l2;
    const Vec3 xv = pa * l2 - ba * y;
    const double x2 = glm::dot(xv, xv);
    const double y2 = y * y * l2;
    const double z2 = z * z * l2;
    const double k = (rr >= 0.0 ? 1.0 : -1.0) * rr * rr * x2;
    if ((z >= 0.0 ? 1.0 : -1.0) * a2 * z2 > k)
        return std::sqrt(x2 + z2) * il2 - radiusB;
    if ((y >= 0.0 ? 1.0 : -1.0) * a2 * y2 < k)
        return std::sqrt(x2 + y2) * il2 - radiusA;
    return (std::sqrt(x2 * a2 * il2) + y * rr) * il2 - radiusA;
}

double smoothUnion(double a, double b, double k) {
    const double h = std::max(k - std::abs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * h * k / 6.0;
}

double smoothIntersection(double a, double b, double k) {
    return -smoothUnion(-a, -b, k);
}

double smoothSubtraction(double a, double b, double k) {
    return smoothIntersection(a, -b, k);
}

Mat3 frameLookingAlong(const Vec3& forward, const Vec3& up) {
    const Vec3 z = glm::normalize(forward);
    const Vec3 x = glm::normalize(glm::cross(up, z));
    const Vec3 y = glm::cross(z, x);
    return Mat3(x, y, z);
}
