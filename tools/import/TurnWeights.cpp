#include "TurnWeights.h"

#include "GltfAccessors.h"
#include "ImportError.h"
#include "NodeTransforms.h"

#include <algorithm>
#include <cmath>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>

namespace {

[[noreturn]] void fail(const std::string& fault) {
    throw ImportError(fault);
}

const tinygltf::Skin& skinOf(const tinygltf::Model& model, int skin, const std::string& what) {
    if (skin < 0 || static_cast<std::size_t>(skin) >= model.skins.size())
        fail(what + ": skin " + std::to_string(skin) + " does not exist");
    return model.skins[static_cast<std::size_t>(skin)];
}

int attributeOf(const tinygltf::Primitive& primitive, const std::string& name) {
    const auto found = primitive.attributes.find(name);
    return found == primitive.attributes.end() ? -1 : found->second;
}

} // namespace

TurnWeights::TurnWeights(const tinygltf::Model& model)
    : model_(model), joints_(findHeadJoints(model)), parents_(nodeParents(model)) {
    if (joints_.head >= 0)
        pivot_ = bindPivot();
}

// The head joint's place in the first skin that has it and a mesh node that uses that skin,
// a node with morph targets first: its inverse bind matrix undone, at that node's transform as
// the scene reader moves the mesh; with no inverse bind matrices, the joint's own transform.
std::optional<glm::vec3> TurnWeights::bindPivot() const {
    int bestNode = -1;
    bool bestMorphed = false;
    for (std::size_t n = 0; n < model_.nodes.size(); ++n) {
        const tinygltf::Node& node = model_.nodes[n];
        if (node.skin < 0 || node.mesh < 0)
            continue;
        const tinygltf::Skin& skin = skinOf(model_, node.skin, "node \"" + node.name + "\"");
        if (std::find(skin.joints.begin(), skin.joints.end(), joints_.head) == skin.joints.end())
            continue;
        const bool morphed =
            static_cast<std::size_t>(node.mesh) < model_.meshes.size() &&
            std::any_of(model_.meshes[static_cast<std::size_t>(node.mesh)].primitives.begin(),
                        model_.meshes[static_cast<std::size_t>(node.mesh)].primitives.end(),
                        [](const auto& p) { return !p.targets.empty(); });
        if (bestNode < 0 || (morphed && !bestMorphed)) {
            bestNode = static_cast<int>(n);
            bestMorphed = morphed;
        }
    }
    if (bestNode < 0)
        return std::nullopt;
    const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(bestNode)];
    const tinygltf::Skin& skin = model_.skins[static_cast<std::size_t>(node.skin)];
    const std::string what = "skin \"" + skin.name + "\" inverse bind matrices";
    if (skin.inverseBindMatrices < 0)
        return glm::vec3(globalTransform(model_, parents_, joints_.head)[3]);
    const std::vector<float> matrices = readFloats(model_, skin.inverseBindMatrices, 16, what);
    if (matrices.size() != skin.joints.size() * 16)
        fail(what + ": " + std::to_string(matrices.size() / 16) + " matrices for " +
             std::to_string(skin.joints.size()) + " joints");
    const auto slot = static_cast<std::size_t>(
        std::find(skin.joints.begin(), skin.joints.end(), joints_.head) - skin.joints.begin());
    const glm::dmat4 inverseBind(glm::make_mat4(&matrices[slot * 16]));
    if (std::abs(glm::determinant(inverseBind)) < 1e-30)
        fail(what + ": the head joint's matrix cannot be inverted");
    const glm::dvec4 joint = glm::inverse(inverseBind) * glm::dvec4(0.0, 0.0, 0.0, 1.0);
    return glm::vec3(globalTransform(model_, parents_, bestNode) * joint);
}

float TurnWeights::nodeWeight(int node) const {
    if (isAtOrBelow(parents_, node, joints_.head))
        return 1.0f;
    return node == joints_.neck ? 0.5f : 0.0f;
}

std::vector<float> TurnWeights::of(const tinygltf::Primitive& primitive, int nodeIndex,
                                   std::size_t vertexCount, const std::string& what) const {
    if (!usesSkin())
        return std::vector<float>(vertexCount, primitive.targets.empty() ? 0.0f : 1.0f);
    const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(nodeIndex)];
    if (node.skin < 0 || attributeOf(primitive, "JOINTS_0") < 0)
        return std::vector<float>(vertexCount, nodeWeight(nodeIndex));

    const tinygltf::Skin& skin = skinOf(model_, node.skin, what);
    std::vector<float> jointWeight(skin.joints.size());
    for (std::size_t j = 0; j < skin.joints.size(); ++j)
        jointWeight[j] = nodeWeight(skin.joints[j]);
    std::vector<float> weights(vertexCount, 0.0f);
    for (int set = 0;; ++set) {
        const std::string joints = "JOINTS_" + std::to_string(set);
        const std::string amounts = "WEIGHTS_" + std::to_string(set);
        const int jointAccessor = attributeOf(primitive, joints);
        const int weightAccessor = attributeOf(primitive, amounts);
        if (jointAccessor < 0 && weightAccessor < 0)
            break;
        if (jointAccessor < 0 || weightAccessor < 0)
            fail(what + " has " + (jointAccessor < 0 ? amounts : joints) + " without " +
                 (jointAccessor < 0 ? joints : amounts));
        const std::vector<float> indices =
            readFloats(model_, jointAccessor, 4, what + " " + joints);
        const std::vector<float> amountsRead =
            readFloats(model_, weightAccessor, 4, what + " " + amounts);
        if (indices.size() != vertexCount * 4 || amountsRead.size() != vertexCount * 4)
            fail(what + ": " + joints + " and " + amounts + " do not have one element per vertex");
        for (std::size_t i = 0; i < indices.size(); ++i) {
            if (amountsRead[i] == 0.0f)
                continue;
            const float joint = indices[i];
            if (joint < 0.0f || joint != std::floor(joint) ||
                joint >= static_cast<float>(jointWeight.size()))
                fail(what + " " + joints + ": joint " +
                     std::to_string(static_cast<long long>(joint)) + " of vertex " +
                     std::to_string(i / 4) + " is not one of the skin's " +
                     std::to_string(jointWeight.size()));
            weights[i / 4] += amountsRead[i] * jointWeight[static_cast<std::size_t>(joint)];
        }
    }
    for (float& weight : weights)
        weight = std::clamp(weight, 0.0f, 1.0f);
    return weights;
}
