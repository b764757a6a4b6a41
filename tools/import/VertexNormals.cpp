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

// Adds triangle t's unit normal, weighted by its angle at each corner, to the corners' groups.
void addTriangle(const std::vector<glm::vec3>& positions, const std::uint32_t* corner,
                 const std::vector<std::uint32_t>& groupOf, float sign,
                 std::vector<glm::vec3>& sums) {
    const glm::vec3& a = positions[corner[0]];
    const glm::vec3& b = positions[corner[1]];
    const glm::vec3& c = positions[corner[2]];
    const glm::vec3 face = glm::cross(b - a, c - a);
    const float length = glm::length(face);
    if (!(length > 0.0f))
        return;
    const glm::vec3 unit = face * (sign / length);
    sums[groupOf[corner[0]]] += unit * angleBetween(b - a, c - a);
    sums[groupOf[corner[1]]] += unit * angleBetween(c - b, a - b);
    sums[groupOf[corner[2]]] += unit * angleBetween(a - c, b - c);
}

} // namespace

PoseNormals::PoseNormals(const std::vector<glm::vec3>& positions,
                         const std::vector<std::uint32_t>& indices)
    : positions_(positions), indices_(indices), groupOf_(positions.size()) {
    // Vertices at one position form a group, numbered by meshoptimizer's remap.
    const std::size_t groups =
        meshopt_generateVertexRemap(groupOf_.data(), nullptr, positions.size(), positions.data(),
                                    positions.size(), sizeof(glm::vec3));
    groupStart_.assign(groups + 1, 0);
    for (const std::uint32_t group : groupOf_)
        ++groupStart_[group + 1];
    for (std::size_t g = 0; g < groups; ++g)
        groupStart_[g + 1] += groupStart_[g];
    groupVertices_.resize(positions.size());
    std::vector<std::uint32_t> filled(groupStart_.begin(), groupStart_.end() - 1);
    for (std::uint32_t v = 0; v < positions.size(); ++v)
        groupVertices_[filled[groupOf_[v]]++] = v;

    restSums_.assign(groups, glm::vec3(0.0f));
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3)
        addTriangle(positions, &indices[t], groupOf_, 1.0f, restSums_);
    restNormals_.resize(positions.size());
    for (std::size_t v = 0; v < positions.size(); ++v)
        restNormals_[v] = unitOrFront(restSums_[groupOf_[v]]);
}

std::vector<std::pair<std::uint32_t, glm::vec3>>
PoseNormals::changedNormals(const std::vector<glm::vec3>& pose) const {
    // The change of each touched group's sum: the moved triangles' pose weights minus their
    // rest weights.
    std::vector<glm::vec3> change(restSums_.size(), glm::vec3(0.0f));
    std::vector<bool> touched(restSums_.size(), false);
    std::vector<std::uint32_t> touchedGroups;
    for (std::size_t t = 0; t + 2 < indices_.size(); t += 3) {
        const std::uint32_t* corner = &indices_[t];
        if (pose[corner[0]] == positions_[corner[0]] && pose[corner[1]] == positions_[corner[1]] &&
            pose[corner[2]] == positions_[corner[2]])
            continue;
        addTriangle(pose, corner, groupOf_, 1.0f, change);
        addTriangle(positions_, corner, groupOf_, -1.0f, change);
        for (int k = 0; k < 3; ++k)
            if (!touched[groupOf_[corner[k]]]) {
                touched[groupOf_[corner[k]]] = true;
                touchedGroups.push_back(groupOf_[corner[k]]);
            }
    }
    std::vector<std::pair<std::uint32_t, glm::vec3>> changed;
    for (const std::uint32_t group : touchedGroups) {
        const glm::vec3 normal = unitOrFront(restSums_[group] + change[group]);
        for (std::uint32_t i = groupStart_[group]; i < groupStart_[group + 1]; ++i)
            changed.emplace_back(groupVertices_[i], normal);
    }
    return changed;
}
