#pragma once

#include <cstdint>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

// One morph target of a mesh: every vertex's absolute position and normal in that target.
struct MeshTarget {
    std::string name;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
};

// The importer's working form of a triangle mesh: the rest pose, the targets (each as long as
// the rest pose) and a triangle list.
struct MorphableMesh {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<float> glaze; // per vertex: 1 for glazed parts (eyes, teeth), 0 for skin
    std::vector<MeshTarget> targets;
    std::vector<std::uint32_t> indices;

    std::size_t vertexCount() const { return positions.size(); }
};
