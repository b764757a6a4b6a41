#pragma once

#include "Vec3.h"

// Building blocks of the expression targets: smooth weights over space and ways to move the
// skin along itself.

double smoothStep(double edge0, double edge1, double x);

// 1 at the centre, falling smoothly (continuous curvature) to 0 on the ellipsoid with the
// given radii, 0 outside it.
double bump(const Vec3& p, const Vec3& centre, const Vec3& radii);

// The part of `direction` that runs along a surface with unit normal `normal`: the skin
// slides instead of bulging out or sinking in.
Vec3 alongSurface(const Vec3& direction, const Vec3& normal);

// The part of `direction` along the broad curve of the lower face (its envelope, smooth and
// free of the lips' and nostrils' folds): the corners of the mouth slide round the face
// instead of into the cheek, and both faces of the gap between the lips move alike.
Vec3 alongLowerFace(const Vec3& direction, const Vec3& p);
// The outward normal of that envelope: pushing along it swells or dents the cheek without the
// folds that the true normals, converging in every crease, would make.
Vec3 lowerFaceNormal(const Vec3& p);

// 0 on and around the lids of either eye, 1 clear of them: only the eye targets move lids, so
// nothing else can push a lid into the eyeball.
double clearOfEyes(const Vec3& p);

// Rotation about the x axis through `pivot` by `angle` (positive turns +z towards -y).
Vec3 rotateAboutX(const Vec3& p, const Vec3& pivot, double angle);
