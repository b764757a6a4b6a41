#pragma once

#include <cstdint>
#include <glm/vec3.hpp>
#include <vector>

// Angle-weighted vertex normals of a triangle list. Vertices at the same position share one
// normal, so a mesh split at texture seams shades without creases there.
std::vector<glm::vec3> vertexNormals(const std::vector<glm::vec3>& positions,
                                     const std::vector<std::uint32_t>& indices);

// `v` scaled to length 1, or +z when it has no direction.
glm::vec3 unitOrFront(const glm::vec3& v);
