#pragma once

#include "Vec3.h"

// Building blocks of the expression targets: smooth weights over space and ways to move the
// skin along itself.

double smoothStep(double edge0, double edge1, double x);

// 1 at the centre, falling smoothly (continuous curvature) to 0 on the ellipsoid with the
// given radii, 0 outside it. Its steepest slope is 1.72 / radius, so a move of length a that
// fades over a radius r along its own direction folds the skin once a exceeds r / 1.72; the
// targets keep a / r near 0.3, leaving room for several to pile up.
double bump(const Vec3& p, const Vec3& centre, const Vec3& radii);

// The outward normal of the head's envelope: the broad, smooth curve of skull and face that
// carries the features, free of the folds of lips, lids and nostrils. Moving skin along it
// instead of along the true normals, which turn sharply over every ridge and converge in every
// crease, keeps neighbouring vertices moving alike, so nothing folds; and both faces of a thin
// gap such as the mouth's move together.
Vec3 envelopeNormal(const Vec3& p);

// The part of `direction` along the envelope: the skin slides round the head.
Vec3 alongEnvelope(const Vec3& direction, const Vec3& p);

// 0 on and around the lids of either eye, 1 clear of them: only the eye targets move lids, so
// nothing else can push a lid into the eyeball.
double clearOfEyes(const Vec3& p);

// Rotation about the x axis through `pivot` by `angle` (positive turns +z towards -y).
Vec3 rotateAboutX(const Vec3& p, const Vec3& pivot, double angle);
