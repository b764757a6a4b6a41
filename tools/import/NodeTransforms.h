#pragma once

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>
#include <vector>

// The node's transform relative to its parent: its matrix, else translation * rotation * scale.
// Throws ImportError for a non-finite one.
glm::dmat4 localTransform(const tinygltf::Node& node);

// The node's transform in the scene: its parents' (`parents` as nodeParents gives them) and
// its own.
glm::dmat4 globalTransform(const tinygltf::Model& model, const std::vector<int>& parents, int node);
