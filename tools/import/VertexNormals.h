#pragma once

#include <cstdint>
#include <glm/vec3.hpp>
#include <utility>
#include <vector>

// Angle-weighted vertex normals of one triangle mesh in its rest pose and in poses that move
// some of its vertices. Vertices at the same position share one normal, so a mesh split at
// texture seams shades without creases there. A face target moves a small part of the face:
// only the triangles at a moved vertex are weighed again, so a pose costs little more than
// finding what moved.
class PoseNormals {
  public:
    PoseNormals(const std::vector<glm::vec3>& positions, const std::vector<std::uint32_t>& indices);

    const std::vector<glm::vec3>& restNormals() const { return restNormals_; }

    // The vertices whose normal differs in the pose, each with its normal there. `pose` holds
    // one position per vertex.
    std::vector<std::pair<std::uint32_t, glm::vec3>>
    changedNormals(const std::vector<glm::vec3>& pose) const;

  private:
    const std::vector<glm::vec3>& positions_;
    const std::vector<std::uint32_t>& indices_;
    std::vector<std::uint32_t> groupOf_;       // vertex -> its position's group
    std::vector<std::uint32_t> groupStart_;    // group -> first entry in groupVertices_
    std::vector<std::uint32_t> groupVertices_; // the vertices of each group, group by group
    std::vector<glm::vec3> restSums_;          // per group, the weighted face normals
    std::vector<glm::vec3> restNormals_;
};

// `v` scaled to length 1, or +z when it has no direction.
glm::vec3 unitOrFront(const glm::vec3& v);
