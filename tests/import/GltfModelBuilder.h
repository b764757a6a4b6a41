#pragma once

#include <cstdint>
#include <filesystem>
#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// Builds glTF models for the importer's tests and benchmarks: one buffer, one scene, every
// accessor in a buffer view of its own.
class GltfModelBuilder {
  public:
    GltfModelBuilder();

    // An accessor over a copy of the bytes; returns its index.
    int addAccessor(const void* data, std::size_t bytes, std::size_t count, int componentType,
                    int type, bool normalized = false);
    int addVec3s(const std::vector<glm::vec3>& values);
    int addIndices(const std::vector<std::uint32_t>& values);

    // A mesh; with targetNames, extras.targetNames lists them as exporters do.
    int addMesh(std::string name, std::vector<tinygltf::Primitive> primitives,
                const std::vector<std::string>& targetNames = {});
    // An animation of node `node`'s morph weights from one sampler: float keyframe times and
    // float weights (targets times keyframes, times three for a cubic spline); returns its index.
    int addWeightAnimation(std::string name, int node, const std::vector<float>& times,
                           const std::vector<float>& weights,
                           const std::string& interpolation = "LINEAR");
    // An animation of node `node`'s rotation from one sampler: float keyframe times and unit
    // quaternions as glTF orders them (x, y, z, w); returns its index.
    int addRotationAnimation(std::string name, int node, const std::vector<float>& times,
                             const std::vector<glm::quat>& rotations);
    // A node instancing `mesh` (-1: none); a root node of the scene unless it has a parent.
    int addNode(int mesh, int parent = -1);
    // A skin of those joints, with inverse bind matrices undoing each joint's transform in the
    // scene, or none; returns its index.
    int addSkin(const std::vector<int>& joints, bool inverseBindMatrices = true);

    tinygltf::Model& model() { return model_; }
    // The model as .glb bytes, or as .gltf text with the buffer as a data: URI.
    std::string glb();
    std::string gltfText();
    void write(const std::filesystem::path& path); // .glb or .gltf by the extension

  private:
    // An animation of one channel, `path` of node `node`, from the sampler.
    int addAnimation(std::string name, int node, const char* path,
                     const tinygltf::AnimationSampler& sampler);

    tinygltf::Model model_;
};

// A stylized head for the importer: an ellipsoid skull with nose, brows and neck, split at a
// seam as exporters leave texture seams, with ARKit-named targets (jawOpen, eyeBlinkLeft, ...;
// up to 52), and two eyeballs in a second mesh without targets. Sized in metres, so the import
// must scale it; (rings + 1) * (segments + 1) skin vertices.
struct TestHeadShape {
    int rings = 64;
    int segments = 96;
    int targetCount = 7;
    // With a skeleton (Hips, Neck, Head) that the skin follows: the head whole, the neck
    // blending into the hips; the eyes hang from the head joint.
    bool skinned = false;
};
GltfModelBuilder makeTestHead(const TestHeadShape& shape = {});
