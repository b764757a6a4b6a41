#include "VertexNormals.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <meshoptimizer.h>

glm::vec3 unitOrFront(const glm::vec3& v) {
    const float length = glm::length(v);
    return length > 0.0f && std::isfinite(length) ? v / length : glm::vec3(0.0f, 0.0f, 1.0f);
}

namespace {

float angleBetween(const glm::vec3& a, const glm::vec3& b) {
    const float la = glm::length(a);
    const float lb = glm::length(b);
    if (la == 0.0f || lb == 0.0f)
        return 0.0f;
    return std::acos(glm::clamp(glm::dot(a, b) / (la * lb), -1.0f, 1.0f));
}

} // namespace

std::vector<glm::vec3> vertexNormals(const std::vector<glm::vec3>& positions,
                                     const std::vector<std::uint32_t>& indices) {
    // Vertices at one position accumulate into one sum, numbered by meshoptimizer's remap.
    std::vector<unsigned int> shared(positions.size());
    meshopt_generateVertexRemap(shared.data(), nullptr, positions.size(), positions.data(),
                                positions.size(), sizeof(glm::vec3));

    std::vector<glm::vec3> sums(positions.size(), glm::vec3(0.0f));
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
        const std::uint32_t corner[3] = {indices[t], indices[t + 1], indices[t + 2]};
        const glm::vec3& a = positions[corner[0]];
        const glm::vec3& b = positions[corner[1]];
        const glm::vec3& c = positions[corner[2]];
        const glm::vec3 face = glm::cross(b - a, c - a);
        const float length = glm::length(face);
        if (!(length > 0.0f))
            continue;
        const glm::vec3 unit = face / length;
        sums[shared[corner[0]]] += unit * angleBetween(b - a, c - a);
        sums[shared[corner[1]]] += unit * angleBetween(c - b, a - b);
        sums[shared[corner[2]]] += unit * angleBetween(a - c, b - c);
    }
    std::vector<glm::vec3> normals(positions.size());
    for (std::size_t v = 0; v < positions.size(); ++v)
        normals[v] = unitOrFront(sums[shared[v]]);
    return normals;
}
