#pragma once

#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/vec3.hpp>

// The generator works in double precision; only the file holds floats.
using Vec3 = glm::dvec3;
using Mat3 = glm::dmat3;

// Reflection in the plane x = 0, which is the head's plane of symmetry.
inline Vec3 mirrorX(const Vec3& p) {
    return {-p.x, p.y, p.z};
}
