#pragma once

#include "FieldGeometry.h"
#include "TriangleMesh.h"

#include <functional>

// The edge length wanted at a point of the surface.
using EdgeLengthAt = std::function<double(const Vec3&)>;

// Remeshes the half x >= 0 of a symmetric surface, as extractHalfSurface gives it, towards
// edges of the wanted length. Each round splits long edges, collapses short ones, flips edges
// towards regular valences and spreads the vertices evenly over the zero set. The rim stays on
// the plane x = 0 and everything else on the side x > 0, so the half still mirrors into a
// closed surface. No change may tilt a triangle far from the field's normal or lift its middle
// off the zero set by more than a tenth of the wanted length: thin gaps stay open and ridges
// keep their shape. Deterministic.
void remeshHalfSurface(TriangleMesh& half, const DistanceField& field, const EdgeLengthAt& lengthAt,
                       int rounds);
