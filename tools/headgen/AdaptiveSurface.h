#pragma once

#include "SymmetricSurface.h"

#include <functional>

// The edge length wanted at a point of a surface, given the surface's largest curvature there.
using EdgeLengthRule = std::function<double(const Vec3& p, double curvature)>;

struct AdaptiveMeshing {
    EdgeLengthRule edgeLength;
    double gradation;     // how much the wanted length may grow per unit of distance
    double curvatureStep; // the finite-difference step of the curvature estimate
    int rounds;           // of remeshing
};

// The zero set of a field symmetric about x = 0 as a closed, symmetric triangle mesh whose
// edges follow the rule: short where the surface bends sharply or the rule asks for detail,
// long across broad curves. The grid must resolve every feature (the meshing keeps the
// topology that it finds); the edges then owe nothing to its cells.
TriangleMesh adaptiveSymmetricSurface(const DistanceField& field, const SamplingGrid& grid,
                                      const AdaptiveMeshing& meshing);
