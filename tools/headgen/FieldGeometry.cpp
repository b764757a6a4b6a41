#include "FieldGeometry.h"

#include <cmath>

Vec3 fieldGradient(const DistanceField& field, const Vec3& p, double step) {
    const Vec3 dx(step, 0.0, 0.0), dy(0.0, step, 0.0), dz(0.0, 0.0, step);
    return Vec3(field(p + dx) - field(p - dx), field(p + dy) - field(p - dy),
                field(p + dz) - field(p - dz)) /
           (2.0 * step);
}

Vec3 projectOntoSurface(const DistanceField& field, const Vec3& p, double maxStep, int steps) {
    const double step = 1e-3 * maxStep;
    Vec3 q = p;
    for (int i = 0; i < steps; ++i) {
        const Vec3 g = fieldGradient(field, q, step);
        const double g2 = glm::dot(g, g);
        if (g2 < 1e-12)
            break;
        const Vec3 correction = field(q) * g / g2;
        const double length = glm::length(correction);
        q -= length > maxStep ? correction * (maxStep / length) : correction;
        if (length < 1e-9)
            break;
    }
    return q;
}

double largestCurvature(const DistanceField& field, const Vec3& p, double step) {
    const Vec3 axes[3] = {{step, 0.0, 0.0}, {0.0, step, 0.0}, {0.0, 0.0, step}};
    const double centre = field(p);
    Vec3 gradient(0.0);
    Mat3 hessian(0.0);
    for (int i = 0; i < 3; ++i) {
        const double ahead = field(p + axes[i]), behind = field(p - axes[i]);
        gradient[i] = (ahead - behind) / (2.0 * step);
        hessian[i][i] = (ahead - 2.0 * centre + behind) / (step * step);
        for (int j = 0; j < i; ++j) {
            const double mixed = field(p + axes[i] + axes[j]) - field(p + axes[i] - axes[j]) -
                                 field(p - axes[i] + axes[j]) + field(p - axes[i] - axes[j]);
            hessian[i][j] = hessian[j][i] = mixed / (4.0 * step * step);
        }
    }
    const double length = glm::length(gradient);
    if (length < 1e-9)
        return 0.0;
    const Vec3 normal = gradient / length;
    // Any two unit vectors across the normal span the tangent plane.
    const Vec3 helper = std::abs(normal.x) < 0.6 ? Vec3(1.0, 0.0, 0.0) : Vec3(0.0, 1.0, 0.0);
    const Vec3 t1 = glm::normalize(glm::cross(normal, helper));
    const Vec3 t2 = glm::cross(normal, t1);
    const double a = glm::dot(t1, hessian * t1) / length;
    const double b = glm::dot(t1, hessian * t2) / length;
    const double c = glm::dot(t2, hessian * t2) / length;
    const double mean = 0.5 * (a + c);
    const double spread = std::hypot(0.5 * (a - c), b);
    return std::abs(mean) + spread;
}
