#pragma once

#include "Vec3.h"

// Signed distance primitives (negative inside) and the smooth blends that join them. The
// ellipsoid distance is the usual first-order approximation: exact on the surface, close nearby.

double sphereDistance(const Vec3& p, const Vec3& centre, double radius);
double ellipsoidDistance(const Vec3& p, const Vec3& centre, const Vec3& radii);
// An ellipsoid whose axes are the columns of `axes` (orthonormal), radii along them.
double orientedEllipsoidDistance(const Vec3& p, const Vec3& centre, const Mat3& axes,
                                 const Vec3& radii);
double capsuleDistance(const Vec3& p, const Vec3& a, const Vec3& b, double radius);
// A capsule whose radius runs linearly from radiusA at a to radiusB at b.
double roundConeDistance(const Vec3& p, const Vec3& a, const Vec3& b, double radiusA,
                         double radiusB);

// Cubic smooth minimum: equals min(a, b) where they differ by more than k and rounds the
// crease within k. Its derivative is continuous, so shading shows no seam.
double smoothUnion(double a, double b, double k);
double smoothIntersection(double a, double b, double k);
// The solid a with the solid b carved out of it.
double smoothSubtraction(double a, double b, double k);

// Columns of the rotation that turns +z towards `forward` while keeping `up` upright.
Mat3 frameLookingAlong(const Vec3& forward, const Vec3& up);
