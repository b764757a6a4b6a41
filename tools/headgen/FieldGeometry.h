#pragma once

#include "Vec3.h"

#include <functional>

// A signed field over space, negative inside the solid.
using DistanceField = std::function<double(const Vec3&)>;

// The field's gradient by central differences `step` apart.
Vec3 fieldGradient(const DistanceField& field, const Vec3& p, double step);

// The point of the zero set that Newton steps along the gradient reach from `p`. No step is
// longer than maxStep, so that a step cannot jump to a neighbouring sheet of the surface.
Vec3 projectOntoSurface(const DistanceField& field, const Vec3& p, double maxStep, int steps);

// The larger principal curvature (in absolute value) of the level set through `p`, from the
// field's Hessian across the tangent plane, sampled `step` apart: 1 / radius on a sphere.
double largestCurvature(const DistanceField& field, const Vec3& p, double step);
