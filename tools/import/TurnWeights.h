#pragma once

#include "HeadJoints.h"

#include <cstddef>
#include <glm/vec3.hpp>
#include <optional>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// How much of the head's turn each vertex follows, by one of two rules.
//
// The skin rule, for a model whose head joint is a joint of a skin: a vertex follows as much as
// its skin weights (every JOINTS_n/WEIGHTS_n set) lie on the head joint and the joints below
// it, plus half of what lies on the neck joint, clamped to 0..1; a mesh without a skin follows
// its node: 1 at or below the head, 1/2 on the neck, else 0. The head turns about the head
// joint's bind-pose position.
//
// The rigid rule, for any other model: the meshes with morph targets follow wholly, the others
// not at all; the caller puts the pivot at the back of the bottom of the face's box.
class TurnWeights {
  public:
    // Throws ImportError for a skin the model cannot have (a missing node, a bad accessor).
    explicit TurnWeights(const tinygltf::Model& model);

    bool usesSkin() const { return pivot_.has_value(); }
    const HeadJoints& joints() const { return joints_; }
    // Under the skin rule, the head joint's bind-pose position at the node transforms the
    // scene applies to its meshes (before framing).
    const std::optional<glm::vec3>& pivot() const { return pivot_; }

    // One weight a vertex of the primitive that node `node` instances. Throws ImportError
    // naming `what` for skin attributes that do not fit the mesh or its skin.
    std::vector<float> of(const tinygltf::Primitive& primitive, int node, std::size_t vertexCount,
                          const std::string& what) const;

  private:
    float nodeWeight(int node) const;
    std::optional<glm::vec3> bindPivot() const;

    const tinygltf::Model& model_;
    HeadJoints joints_;
    std::vector<int> parents_;
    std::optional<glm::vec3> pivot_;
};
