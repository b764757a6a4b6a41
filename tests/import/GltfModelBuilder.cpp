#include "GltfModelBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>
#include <numbers>
#include <sstream>

GltfModelBuilder::GltfModelBuilder() {
    model_.asset.version = "2.0";
    model_.asset.generator = "Mirelda tests";
    model_.buffers.emplace_back();
    model_.scenes.emplace_back();
    model_.defaultScene = 0;
}

int GltfModelBuilder::addAccessor(const void* data, std::size_t bytes, std::size_t count,
                                  int componentType, int type, bool normalized) {
    std::vector<unsigned char>& buffer = model_.buffers[0].data;
    while (buffer.size() % 4 != 0)
        buffer.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = bytes;
    const auto* first = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), first, first + bytes);
    model_.bufferViews.push_back(view);

    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(model_.bufferViews.size()) - 1;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.normalized = normalized;
    model_.accessors.push_back(accessor);
    return static_cast<int>(model_.accessors.size()) - 1;
}

int GltfModelBuilder::addVec3s(const std::vector<glm::vec3>& values) {
    const int index = addAccessor(values.data(), values.size() * sizeof(glm::vec3), values.size(),
                                  TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3);
    // glTF requires bounds on POSITION accessors; writing them for all costs nothing.
    tinygltf::Accessor& accessor = model_.accessors.back();
    accessor.minValues.assign(3, values.empty() ? 0.0 : 1e30);
    accessor.maxValues.assign(3, values.empty() ? 0.0 : -1e30);
    for (const glm::vec3& v : values)
        for (int c = 0; c < 3; ++c) {
            accessor.minValues[c] = std::min<double>(accessor.minValues[c], v[c]);
            accessor.maxValues[c] = std::max<double>(accessor.maxValues[c], v[c]);
        }
    return index;
}

int GltfModelBuilder::addIndices(const std::vector<std::uint32_t>& values) {
    return addAccessor(values.data(), values.size() * 4, values.size(),
                       TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR);
}

int GltfModelBuilder::addMesh(std::string name, std::vector<tinygltf::Primitive> primitives,
                              const std::vector<std::string>& targetNames) {
    tinygltf::Mesh mesh;
    mesh.name = std::move(name);
    mesh.primitives = std::move(primitives);
    // tinygltf's primitives start with mode -1, which it would write as such.
    for (tinygltf::Primitive& primitive : mesh.primitives)
        if (primitive.mode < 0)
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
    if (!targetNames.empty()) {
        tinygltf::Value::Array names;
        for (const std::string& target : targetNames)
            names.emplace_back(target);
        mesh.extras =
            tinygltf::Value(tinygltf::Value::Object{{"targetNames", tinygltf::Value(names)}});
    }
    model_.meshes.push_back(std::move(mesh));
    return static_cast<int>(model_.meshes.size()) - 1;
}

int GltfModelBuilder::addWeightAnimation(std::string name, int node,
                                         const std::vector<float>& times,
                                         const std::vector<float>& weights,
                                         const std::string& interpolation) {
    tinygltf::AnimationSampler sampler;
    sampler.input = addAccessor(times.data(), times.size() * 4, times.size(),
                                TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR);
    sampler.output = addAccessor(weights.data(), weights.size() * 4, weights.size(),
                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR);
    sampler.interpolation = interpolation;
    return addAnimation(std::move(name), node, "weights", sampler);
}

int GltfModelBuilder::addRotationAnimation(std::string name, int node,
                                           const std::vector<float>& times,
                                           const std::vector<glm::quat>& rotations) {
    std::vector<float> xyzw;
    for (const glm::quat& q : rotations)
        xyzw.insert(xyzw.end(), {q.x, q.y, q.z, q.w});
    tinygltf::AnimationSampler sampler;
    sampler.input = addAccessor(times.data(), times.size() * 4, times.size(),
                                TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR);
    sampler.output = addAccessor(xyzw.data(), xyzw.size() * 4, rotations.size(),
                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4);
    sampler.interpolation = "LINEAR";
    return addAnimation(std::move(name), node, "rotation", sampler);
}

int GltfModelBuilder::addSkin(const std::vector<int>& joints, bool inverseBindMatrices) {
    tinygltf::Skin skin;
    skin.joints = joints;
    if (inverseBindMatrices) {
        std::vector<float> matrices;
        for (const int joint : joints) {
            // The joint's transform in the scene: its own and its parents', translations only
            // or full matrices as the nodes give them.
            glm::mat4 global(1.0f);
            for (int node = joint; node >= 0;) {
                const tinygltf::Node& n = model_.nodes[static_cast<std::size_t>(node)];
                glm::mat4 local(1.0f);
                if (n.translation.size() == 3)
                    local = glm::translate(
                        local, glm::vec3(n.translation[0], n.translation[1], n.translation[2]));
                if (n.rotation.size() == 4)
                    local *= glm::mat4_cast(glm::quat(float(n.rotation[3]), float(n.rotation[0]),
                                                      float(n.rotation[1]), float(n.rotation[2])));
                global = local * global;
                int parent = -1;
                for (std::size_t p = 0; p < model_.nodes.size(); ++p)
                    for (const int child : model_.nodes[p].children)
                        if (child == node)
                            parent = static_cast<int>(p);
                node = parent;
            }
            const glm::mat4 inverse = glm::inverse(global);
            matrices.insert(matrices.end(), &inverse[0][0], &inverse[0][0] + 16);
        }
        skin.inverseBindMatrices = addAccessor(matrices.data(), matrices.size() * 4, joints.size(),
                                               TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_MAT4);
    }
    model_.skins.push_back(skin);
    return static_cast<int>(model_.skins.size()) - 1;
}

int GltfModelBuilder::addAnimation(std::string name, int node, const char* path,
                                   const tinygltf::AnimationSampler& sampler) {
    tinygltf::AnimationChannel channel;
    channel.sampler = 0;
    channel.target_node = node;
    channel.target_path = path;
    tinygltf::Animation& animation = model_.animations.emplace_back();
    animation.name = std::move(name);
    animation.samplers.push_back(sampler);
    animation.channels.push_back(channel);
    return static_cast<int>(model_.animations.size()) - 1;
}

int GltfModelBuilder::addNode(int mesh, int parent) {
    tinygltf::Node node;
    node.mesh = mesh;
    model_.nodes.push_back(node);
    const int index = static_cast<int>(model_.nodes.size()) - 1;
    if (parent < 0)
        model_.scenes[0].nodes.push_back(index);
    else
        model_.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
    return index;
}

std::string GltfModelBuilder::glb() {
    std::ostringstream out;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&model_, out, false, true);
    return out.str();
}

std::string GltfModelBuilder::gltfText() {
    std::ostringstream out;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&model_, out, true, false);
    return out.str();
}

void GltfModelBuilder::write(const std::filesystem::path& path) {
    const std::string bytes = path.extension() == ".gltf" ? gltfText() : glb();
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

constexpr std::array<const char*, 52> arkitNames{
    // The seven the demo starts with first, then the rest of the set.
    "jawOpen",
    "eyeBlinkLeft",
    "eyeBlinkRight",
    "mouthSmileLeft",
    "mouthSmileRight",
    "browInnerUp",
    "cheekPuff",
    "browDownLeft",
    "browDownRight",
    "browOuterUpLeft",
    "browOuterUpRight",
    "cheekSquintLeft",
    "cheekSquintRight",
    "eyeLookDownLeft",
    "eyeLookDownRight",
    "eyeLookInLeft",
    "eyeLookInRight",
    "eyeLookOutLeft",
    "eyeLookOutRight",
    "eyeLookUpLeft",
    "eyeLookUpRight",
    "eyeSquintLeft",
    "eyeSquintRight",
    "eyeWideLeft",
    "eyeWideRight",
    "jawForward",
    "jawLeft",
    "jawRight",
    "mouthClose",
    "mouthDimpleLeft",
    "mouthDimpleRight",
    "mouthFrownLeft",
    "mouthFrownRight",
    "mouthFunnel",
    "mouthLeft",
    "mouthLowerDownLeft",
    "mouthLowerDownRight",
    "mouthPressLeft",
    "mouthPressRight",
    "mouthPucker",
    "mouthRight",
    "mouthRollLower",
    "mouthRollUpper",
    "mouthShrugLower",
    "mouthShrugUpper",
    "mouthStretchLeft",
    "mouthStretchRight",
    "mouthUpperUpLeft",
    "mouthUpperUpRight",
    "noseSneerLeft",
    "noseSneerRight",
    "tongueOut"};

float bump(const glm::vec3& p, const glm::vec3& centre, float radius) {
    const glm::vec3 d = p - centre;
    return std::exp(-glm::dot(d, d) / (radius * radius));
}

// sin(theta) with the poles exactly on the axis, so their vertices coincide.
float ringRadius(float theta) {
    return theta <= 0.0f || theta >= std::numbers::pi_v<float> ? 0.0f : std::sin(theta);
}

float smoothStep(float edge0, float edge1, float x) {
    const float t = glm::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

constexpr glm::vec3 leftEye{0.032f, 0.018f, 0.071f};
constexpr float eyeRadius = 0.013f;
constexpr float mouthY = -0.052f;

// The skin's rest pose at latitude theta (0 at the crown) and longitude phi (0 facing +z): the
// upper 72 % of the latitudes an egg-shaped skull and face, then a neck with a flat base.
glm::vec3 skinPoint(float theta, float phi) {
    const float pi = std::numbers::pi_v<float>;
    const float u = theta / pi;
    const glm::vec3 around(std::sin(phi), 0.0f, std::cos(phi));
    glm::vec3 p;
    constexpr float headEnd = 0.72f;
    constexpr float skullTheta = 0.82f;
    if (u <= headEnd) {
        const float t = pi * skullTheta * u / headEnd;
        const float ring = u <= 0.0f ? 0.0f : std::sin(t);
        p = glm::vec3(0.078f * ring * around.x, 0.115f * std::cos(t), 0.098f * ring * around.z);
        // The jaw is narrower than the skull.
        p.x *= 1.0f - 0.22f * smoothStep(-0.01f, -0.09f, p.y);
    } else {
        const float endRing = std::sin(pi * skullTheta);
        const float t = (u - headEnd) / (1.0f - headEnd);
        const float neck = smoothStep(0.0f, 0.25f, t);
        const float base = u >= 1.0f ? 0.0f : 1.0f - smoothStep(0.9f, 1.0f, t);
        const float rx = glm::mix(0.078f * 0.78f * endRing, 0.043f, neck) * base;
        const float rz = glm::mix(0.098f * endRing, 0.046f, neck) * base;
        p = glm::vec3(rx * around.x,
                      glm::mix(0.115f * std::cos(pi * skullTheta), -0.2f, std::min(t / 0.9f, 1.0f)),
                      rz * around.z - 0.012f * neck);
    }
    const glm::vec3 front(0.0f, 0.0f, 1.0f);
    const float side = p.x >= 0.0f ? 1.0f : -1.0f;
    const glm::vec3 eye = leftEye * glm::vec3(side, 1.0f, 1.0f);
    const float x = std::abs(p.x);
    p -= front * (0.012f * bump(p, eye + glm::vec3(0.0f, 0.0f, 0.014f), 0.014f)); // sockets
    p += front * (0.024f * bump(p, {0.0f, -0.012f, 0.1f}, 0.014f) *
                  smoothStep(-0.04f, -0.01f, p.y));                 // nose
    p += front * (0.007f * bump(p, {0.0f, -0.028f, 0.1f}, 0.012f)); // nose tip
    p += front *
         (0.008f * bump(p, {p.x, 0.045f, 0.09f}, 0.012f) * smoothStep(0.0f, 0.045f, x)); // brows
    p += front * (0.01f * bump(p, {0.0f, -0.085f, 0.07f}, 0.018f));                      // chin
    p += front * (0.006f * bump(p, {0.0f, mouthY, 0.09f}, 0.01f));                       // lips
    p -= front * (0.005f * bump(p, {0.0f, mouthY, 0.095f}, 0.004f));       // mouth line
    p.x += side * 0.014f * bump(p, {0.078f * side, 0.0f, -0.01f}, 0.016f); // ears
    return p;
}

glm::vec3 targetOffset(int target, const glm::vec3& p) {
    const glm::vec3 mirror(-1.0f, 1.0f, 1.0f);
    switch (target) {
    case 0: { // jawOpen: below the mouth the face drops and pulls back
        const float below = smoothStep(mouthY, mouthY - 0.012f, p.y) *
                            (1.0f - smoothStep(-0.1f, -0.12f, p.y)) * smoothStep(0.0f, 0.05f, p.z);
        return below * glm::vec3(0.0f, -0.03f, -0.008f);
    }
    case 1:
    case 2: { // eyeBlink: the skin above the eye slides down over it
        const glm::vec3 eye = target == 1 ? leftEye : leftEye * mirror;
        return bump(p, eye + glm::vec3(0.0f, 0.01f, 0.012f), 0.011f) *
               glm::vec3(0.0f, -0.012f, 0.006f);
    }
    case 3:
    case 4: { // mouthSmile: the corner goes up and out
        const glm::vec3 side = target == 3 ? glm::vec3(1.0f) : mirror;
        return bump(p, glm::vec3(0.022f, mouthY, 0.085f) * side, 0.014f) *
               glm::vec3(0.008f, 0.01f, -0.004f) * side;
    }
    case 5: // browInnerUp
        return bump(p, {0.0f, 0.045f, 0.09f}, 0.02f) * glm::vec3(0.0f, 0.012f, 0.0f);
    case 6: // cheekPuff
        return bump(p, {0.045f, -0.03f, 0.07f}, 0.022f) * glm::vec3(0.012f, 0.0f, 0.006f) +
               bump(p, {-0.045f, -0.03f, 0.07f}, 0.022f) * glm::vec3(-0.012f, 0.0f, 0.006f);
    default: { // a small dent somewhere on the face
        const float angle = 0.37f * static_cast<float>(target);
        const glm::vec3 centre(0.05f * std::sin(angle), 0.06f * std::cos(1.7f * angle), 0.08f);
        return bump(p, centre, 0.015f) * glm::vec3(0.0f, 0.0f, -0.004f);
    }
    }
}

tinygltf::Primitive trianglePrimitive(int position, int indices) {
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = position;
    primitive.indices = indices;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    return primitive;
}

// A latitude-longitude grid; the seam column and the pole rows are duplicated vertices.
template <typename Point>
void grid(int rings, int segments, Point point, std::vector<glm::vec3>& positions,
          std::vector<std::uint32_t>& indices) {
    const auto first = static_cast<std::uint32_t>(positions.size());
    const float pi = std::numbers::pi_v<float>;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s)
            positions.push_back(
                point(pi * static_cast<float>(r) / static_cast<float>(rings),
                      2.0f * pi * static_cast<float>(s % segments) / static_cast<float>(segments)));
    const auto at = [&](int r, int s) {
        return first + static_cast<std::uint32_t>(r * (segments + 1) + s);
    };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s)
            indices.insert(indices.end(), {at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s),
                                           at(r + 1, s + 1), at(r, s + 1)});
}

} // namespace

GltfModelBuilder makeTestHead(const TestHeadShape& shape) {
    GltfModelBuilder builder;
    std::vector<glm::vec3> skin;
    std::vector<std::uint32_t> skinIndices;
    grid(shape.rings, shape.segments, skinPoint, skin, skinIndices);

    tinygltf::Primitive head =
        trianglePrimitive(builder.addVec3s(skin), builder.addIndices(skinIndices));
    std::vector<std::string> names;
    for (int k = 0; k < shape.targetCount; ++k) {
        std::vector<glm::vec3> offsets(skin.size());
        for (std::size_t v = 0; v < skin.size(); ++v) {
            // Exporters write exact zeros where a target leaves the skin alone.
            const glm::vec3 offset = targetOffset(k, skin[v]);
            offsets[v] = glm::length(offset) > 1e-6f ? offset : glm::vec3(0.0f);
        }
        head.targets.push_back({{"POSITION", builder.addVec3s(offsets)}});
        names.push_back(k < static_cast<int>(arkitNames.size())
                            ? arkitNames[static_cast<std::size_t>(k)]
                            : "extra" + std::to_string(k));
    }
    int headJoint = -1;
    if (shape.skinned) {
        const auto joint = [&](const char* name, int parent, const glm::vec3& at) {
            const int node = builder.addNode(-1, parent);
            builder.model().nodes[static_cast<std::size_t>(node)].name = name;
            builder.model().nodes[static_cast<std::size_t>(node)].translation = {at.x, at.y, at.z};
            return node;
        };
        const int hips = joint("Hips", -1, {0.0f, -0.2f, 0.0f});
        const int neck = joint("Neck", hips, {0.0f, 0.1f, 0.0f});
        headJoint = joint("Head", neck, {0.0f, 0.07f, -0.01f});
        std::vector<std::uint8_t> joints;
        std::vector<float> weights;
        for (const glm::vec3& p : skin) {
            // Whole above the jaw; down the neck the head lets go first, then the neck.
            const float t = std::clamp((p.y + 0.2f) / 0.12f, 0.0f, 1.0f);
            const float onHead = smoothStep(0.4f, 1.0f, t);
            const float onNeck = (1.0f - onHead) * t;
            joints.insert(joints.end(), {0, 1, 2, 0}); // head, neck, hips
            weights.insert(weights.end(), {onHead, onNeck, 1.0f - onHead - onNeck, 0.0f});
        }
        head.attributes["JOINTS_0"] =
            builder.addAccessor(joints.data(), joints.size(), skin.size(),
                                TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4);
        head.attributes["WEIGHTS_0"] =
            builder.addAccessor(weights.data(), weights.size() * 4, skin.size(),
                                TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4);
        const int skinIndex = builder.addSkin({headJoint, neck, hips});
        builder.addNode(builder.addMesh("Face", {head}, names));
        builder.model().nodes.back().skin = skinIndex;
    } else {
        builder.addNode(builder.addMesh("Face", {head}, names));
    }

    std::vector<glm::vec3> eyes;
    std::vector<std::uint32_t> eyeIndices;
    for (const float side : {1.0f, -1.0f}) {
        const glm::vec3 centre = leftEye * glm::vec3(side, 1.0f, 1.0f);
        grid(
            16, 24,
            [&](float theta, float phi) {
                return centre + eyeRadius * glm::vec3(ringRadius(theta) * std::sin(phi),
                                                      std::cos(theta),
                                                      ringRadius(theta) * std::cos(phi));
            },
            eyes, eyeIndices);
    }
    const int eyesMesh = builder.addMesh(
        "Eyes", {trianglePrimitive(builder.addVec3s(eyes), builder.addIndices(eyeIndices))});
    const int eyesNode = builder.addNode(eyesMesh, headJoint);
    // Hung from the head joint, the eyes keep their place: the joint's offset is taken off.
    if (headJoint >= 0)
        builder.model().nodes[static_cast<std::size_t>(eyesNode)].translation = {0.0, 0.03, 0.01};
    return builder;
}
