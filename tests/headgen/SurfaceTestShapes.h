#pragma once

#include "MeshChecks.h"
#include "TriangleMesh.h"
#include "Vec3.h"

#include <glm/geometric.hpp>

// What both surface suites mesh and how they hand a generated mesh to the independent checks.

inline MeshView viewOf(const TriangleMesh& mesh) {
    MeshView view{mesh.positions, {}};
    for (const Triangle& t : mesh.triangles)
        view.triangles.push_back({t[0], t[1], t[2]});
    return view;
}

// A sphere of radius 5 about (0, 1, 2): off the symmetry plane's origin, so offsets show.
inline double sphere(const Vec3& p) {
    return glm::length(p - Vec3(0.0, 1.0, 2.0)) - 5.0;
}
