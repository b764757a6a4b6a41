// How the imported head turns: the weights a skin gives each vertex, the head and neck joints
// found by a VRM humanoid or by their names, the rigid rule's pivot, the summary's line, and an
// animation of the head joint written as a recording's head angles.
#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "ModelImporter.h"
#include "play/Recording.h"
#include "tests/support/TemporaryDirectory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <glm/common.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>

namespace {

using testing::ElementsAre;
using testing::FloatNear;
using testing::HasSubstr;
using testing::Pointwise;

struct SkinnedHeadShape {
    std::string headName = "J_Bip_C_Head";
    std::string neckName = "J_Bip_C_Neck";
    bool inverseBindMatrices = true;
    bool faceOnBody = false; // every face vertex on the hips: the skin turns no part of the face
};

struct SkinnedHead {
    GltfModelBuilder builder;
    int armature = 0, hips = 0, neck = 0, head = 0, jaw = 0, face = 0;
};

tinygltf::Primitive triangles(GltfModelBuilder& builder, const std::vector<glm::vec3>& positions) {
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = builder.addVec3s(positions);
    std::vector<std::uint32_t> indices(positions.size());
    for (std::uint32_t i = 0; i < indices.size(); ++i)
        indices[i] = i;
    primitive.indices = builder.addIndices(indices);
    return primitive;
}

// Hips, neck, head and jaw joints; a face of six vertices along x skinned to them, one each:
// the head (turns 1), the neck (1/2), the hips (0), half head half hips (1/2), the jaw below the
// head (1), and half neck (float weights) half jaw (a second set of normalized bytes, 128/255):
// 0.25 + 0.502. Static meshes: eyes hung below the head joint, a body at the root.
SkinnedHead skinnedHead(const SkinnedHeadShape& shape = {}) {
    SkinnedHead rig;
    GltfModelBuilder& b = rig.builder;
    const auto joint = [&](const std::string& name, int parent, glm::vec3 at) {
        const int node = b.addNode(-1, parent);
        b.model().nodes.back().name = name;
        b.model().nodes.back().translation = {at.x, at.y, at.z};
        return node;
    };
    rig.armature = joint("Armature", -1, {0, 0, 0});
    rig.hips = joint("Hips", rig.armature, {0, 1, 0});
    rig.neck = joint(shape.neckName, rig.hips, {0, 0.4f, 0});
    rig.head = joint(shape.headName, rig.neck, {0, 0.1f, 0.02f});
    rig.jaw = joint("Jaw", rig.head, {0, -0.05f, 0.05f});
    const int skin = b.addSkin({rig.hips, rig.neck, rig.head, rig.jaw}, shape.inverseBindMatrices);

    std::vector<glm::vec3> positions;
    for (int v = 0; v < 6; ++v)
        positions.emplace_back(0.1f * float(v), 1.5f + 0.02f * float(v % 3), 0.0f);
    tinygltf::Primitive face = triangles(b, positions);
    std::vector<std::uint8_t> joints{2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                                     2, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0};
    std::vector<float> weights{1,    0,    0, 0, 1, 0, 0, 0, 1,    0, 0, 0,
                               0.5f, 0.5f, 0, 0, 1, 0, 0, 0, 0.5f, 0, 0, 0};
    if (shape.faceOnBody)
        std::fill(joints.begin(), joints.end(), 0);
    const std::uint8_t secondJoints[24]{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
    const std::uint8_t secondWeights[24]{0, 0, 0, 0, 0, 0, 0, 0, 0,   0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0};
    face.attributes["JOINTS_0"] = b.addAccessor(
        joints.data(), joints.size(), 6, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4);
    face.attributes["WEIGHTS_0"] = b.addAccessor(weights.data(), weights.size() * 4, 6,
                                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4);
    if (!shape.faceOnBody) {
        face.attributes["JOINTS_1"] =
            b.addAccessor(secondJoints, sizeof secondJoints, 6,
                          TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4);
        face.attributes["WEIGHTS_1"] =
            b.addAccessor(secondWeights, sizeof secondWeights, 6,
                          TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4, true);
    }
    std::vector<glm::vec3> smile(6, glm::vec3(0.0f));
    smile[0] = {0, 0.01f, 0};
    face.targets.push_back({{"POSITION", b.addVec3s(smile)}});
    rig.face = b.addNode(b.addMesh("Face", {face}, {"mouthSmileLeft"}));
    b.model().nodes.back().skin = skin;

    // Eyes at x 10 below the head joint (moved by it), a body at x -10.
    b.addNode(b.addMesh("Eyes", {triangles(b, {{10, 0, 0}, {10.1f, 0, 0}, {10, 0.1f, 0}})}),
              rig.head);
    b.addNode(b.addMesh("Body", {triangles(b, {{-10, 0, 0}, {-9.9f, 0, 0}, {-10, 0.1f, 0}})}));
    return rig;
}

ImportedModel converted(GltfModelBuilder& builder) {
    const std::string glb = builder.glb();
    return convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, "/");
}

// The weights of the written vertices in the order of their x coordinates.
std::vector<float> weightsAlongX(const std::vector<float>& vertices,
                                 const std::vector<float>& weights) {
    std::vector<std::size_t> order(weights.size());
    for (std::size_t v = 0; v < order.size(); ++v)
        order[v] = v;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return vertices[a * 7] < vertices[b * 7]; });
    std::vector<float> sorted;
    for (const std::size_t v : order)
        sorted.push_back(weights[v]);
    return sorted;
}

glm::vec3 vertexAt(const std::vector<float>& vertices, std::size_t v) {
    return {vertices[v * 7], vertices[v * 7 + 1], vertices[v * 7 + 2]};
}

TEST(HeadTurn, ASkinTurnsWhatLiesOnTheHeadAndBelowItAndHalfOfWhatLiesOnTheNeck) {
    for (const bool inverseBindMatrices : {true, false}) {
        SkinnedHead rig = skinnedHead({.inverseBindMatrices = inverseBindMatrices});
        const ImportedModel model = converted(rig.builder);
        const MeshFileImage& image = model.meshFile;
        ASSERT_TRUE(image.headTurn.has_value());
        EXPECT_THAT(weightsAlongX(image.baseVertices, image.headTurn->headWeights),
                    Pointwise(FloatNear(0.003f), {1.0f, 0.5f, 0.0f, 0.5f, 1.0f, 0.752f}));
        EXPECT_THAT(weightsAlongX(image.staticVertices, image.headTurn->staticWeights),
                    ElementsAre(0, 0, 0, 1, 1, 1));

        // The face's vertices 0 and 2 (x 0 and 0.2) tell the framing; the pivot is the head
        // joint's place, (0, 1.5, 0.02) in the scene, framed the same way.
        std::vector<glm::vec3> framed;
        for (std::size_t v = 0; v < static_cast<std::size_t>(image.vertexCount); ++v)
            framed.push_back(vertexAt(image.baseVertices, v));
        std::sort(framed.begin(), framed.end(),
                  [](const glm::vec3& a, const glm::vec3& b) { return a.x < b.x; });
        const float scale = (framed[2].x - framed[0].x) / 0.2f;
        const glm::vec3 offset = framed[0] - glm::vec3(0.0f, 1.5f, 0.0f) * scale;
        const glm::vec3 expected = glm::vec3(0.0f, 1.5f, 0.02f) * scale + offset;
        const auto& pivot = image.headTurn->pivot;
        EXPECT_THAT(pivot, Pointwise(FloatNear(1e-3f), {expected.x, expected.y, expected.z}))
            << (inverseBindMatrices ? "inverse bind matrices" : "node transforms");
        EXPECT_THAT(model.summary.headTurn.pivot, testing::ContainerEq(pivot));
    }
}

void setExtension(GltfModelBuilder& builder, const std::string& name, tinygltf::Value value) {
    builder.model().extensions[name] = std::move(value);
}

tinygltf::Value object(tinygltf::Value::Object members) {
    return tinygltf::Value(std::move(members));
}

TEST(HeadTurn, TheHeadAndNeckJointsAreTheVrmHumanoidsElseNamedAsRigsNameThem) {
    enum class Vrm { None, Zero, One };
    const struct {
        std::string headName, neckName;
        Vrm vrm;
        bool meshNamedHead;
        std::string joint, neck;
    } cases[]{
        {"Head", "Neck", Vrm::None, false, "Head", "Neck"},
        {"mixamorig:Head", "mixamorig:Neck", Vrm::None, false, "mixamorig:Head", "mixamorig:Neck"},
        {"CC_Base_Head", "CC_Base_NeckTwist01", Vrm::None, true, "CC_Base_Head",
         "CC_Base_NeckTwist01"},
        {"Bip01 Head", "Bip01 Neck", Vrm::None, false, "Bip01 Head", "Bip01 Neck"},
        {"Bone.003", "Bone.002", Vrm::Zero, false, "Bone.003", "Bone.002"},
        {"Bone.003", "Bone.002", Vrm::One, true, "Bone.003", "Bone.002"},
        // No neck by name: the head turns alone.
        {"head", "Spine2", Vrm::None, false, "head", ""},
    };
    for (const auto& c : cases) {
        SkinnedHead rig = skinnedHead({.headName = c.headName, .neckName = c.neckName});
        if (c.meshNamedHead)
            rig.builder.model().nodes[static_cast<std::size_t>(rig.face)].name = "Head";
        if (c.vrm == Vrm::Zero) {
            tinygltf::Value::Array bones{object({{"bone", tinygltf::Value(std::string("neck"))},
                                                 {"node", tinygltf::Value(rig.neck)}}),
                                         object({{"bone", tinygltf::Value(std::string("head"))},
                                                 {"node", tinygltf::Value(rig.head)}})};
            setExtension(rig.builder, "VRM",
                         object({{"humanoid",
                                  object({{"humanBones", tinygltf::Value(std::move(bones))}})}}));
        } else if (c.vrm == Vrm::One) {
            const auto bone = [](int node) { return object({{"node", tinygltf::Value(node)}}); };
            setExtension(rig.builder, "VRMC_vrm",
                         object({{"humanoid",
                                  object({{"humanBones", object({{"head", bone(rig.head)},
                                                                 {"neck", bone(rig.neck)}})}})}}));
        }
        const ImportSummary summary = converted(rig.builder).summary;
        EXPECT_TRUE(summary.headTurn.skin) << c.headName;
        EXPECT_EQ(summary.headTurn.joint, c.joint);
        EXPECT_EQ(summary.headTurn.neck, c.neck) << c.headName;
    }
}

TEST(HeadTurn, TheSummarySaysWhichRuleTurnsTheHeadAndAboutWhichJoint) {
    SkinnedHead rig = skinnedHead();
    EXPECT_THAT(formatSummary(converted(rig.builder).summary),
                testing::ContainsRegex("\nHead turn: skin, joint \"J_Bip_C_Head\" \\(neck "
                                       "\"J_Bip_C_Neck\"\\), pivot \\(-?[0-9.]+, -?[0-9.]+, "
                                       "-?[0-9.]+\\)\n"));
    SkinnedHead body = skinnedHead({.faceOnBody = true});
    EXPECT_THAT(formatSummary(converted(body.builder).summary),
                HasSubstr("\nHead turn: rigid (the skin puts none of the face on joint "
                          "\"J_Bip_C_Head\"), pivot ("));
    GltfModelBuilder unskinned = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    EXPECT_THAT(formatSummary(converted(unskinned).summary),
                HasSubstr("\nHead turn: rigid (no skin), pivot ("));
}

// Without a skin the face turns whole, the rest not at all, about the middle of the back of the
// bottom of the face's box as written.
TEST(HeadTurn, WithoutASkinTheFaceTurnsWholeAboutTheBackOfTheBottomOfItsBox) {
    for (const bool faceOnBody : {false, true}) {
        GltfModelBuilder unskinned = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
        SkinnedHead body = skinnedHead({.faceOnBody = true});
        const ImportedModel model = converted(faceOnBody ? body.builder : unskinned);
        const MeshFileImage& image = model.meshFile;
        ASSERT_TRUE(image.headTurn.has_value());
        EXPECT_THAT(image.headTurn->headWeights, testing::Each(1.0f));
        EXPECT_THAT(image.headTurn->staticWeights, testing::Each(0.0f));
        glm::vec3 low(1e30f), high(-1e30f);
        for (std::size_t v = 0; v < static_cast<std::size_t>(image.vertexCount); ++v) {
            low = glm::min(low, vertexAt(image.baseVertices, v));
            high = glm::max(high, vertexAt(image.baseVertices, v));
        }
        EXPECT_THAT(image.headTurn->pivot,
                    Pointwise(FloatNear(1e-3f), {(low.x + high.x) / 2, low.y, low.z}));
        EXPECT_FALSE(model.summary.headTurn.skin);
    }
}

TEST(HeadTurn, ASkinOrHumanoidThatDoesNotFitTheModelIsRefusedInOneLine) {
    const struct {
        std::function<void(SkinnedHead&)> spoil;
        std::string fault;
    } cases[]{
        {[](SkinnedHead& rig) {
             const std::uint8_t joints[24]{9};
             rig.builder.model().meshes[0].primitives[0].attributes["JOINTS_0"] =
                 rig.builder.addAccessor(joints, sizeof joints, 6,
                                         TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4);
         },
         "mesh \"Face\" primitive 0 JOINTS_0: joint 9 of vertex 0 is not one of the skin's 4"},
        {[](SkinnedHead& rig) {
             rig.builder.model().meshes[0].primitives[0].attributes.erase("JOINTS_1");
         },
         "mesh \"Face\" primitive 0 has WEIGHTS_1 without JOINTS_1"},
        {[](SkinnedHead& rig) {
             setExtension(
                 rig.builder, "VRMC_vrm",
                 object(
                     {{"humanoid",
                       object({{"humanBones",
                                object({{"head", object({{"node", tinygltf::Value(99)}})}})}})}}));
         },
         "VRMC_vrm humanoid bone \"head\" names node 99, which does not exist"},
    };
    for (const auto& c : cases) {
        SkinnedHead rig = skinnedHead();
        c.spoil(rig);
        try {
            converted(rig.builder);
            ADD_FAILURE() << "imported despite: " << c.fault;
        } catch (const ImportError& error) {
            EXPECT_EQ(std::string(error.what()), c.fault);
        }
    }
}

// The recording's header and last row of the model's one animation.
std::pair<std::vector<std::string>, std::vector<std::string>> headerAndRow(const MorphAnimation& a,
                                                                           std::size_t frame) {
    std::ostringstream out;
    writeAnimationCsv(a, out);
    EXPECT_LE(out.str().size(), a.maxTextBytes()); // the import's budget counts the angles
    std::istringstream in(out.str());
    const auto fields = [](const std::string& line) {
        std::vector<std::string> split;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ',');)
            split.push_back(field);
        return split;
    };
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = fields(line);
    for (std::size_t f = 0; f <= frame; ++f)
        std::getline(in, line);
    return {header, fields(line)};
}

// A second rotation channel in the animation before it (the builder makes one a channel).
void mergeLastAnimation(GltfModelBuilder& builder) {
    auto& animations = builder.model().animations;
    tinygltf::Animation last = animations.back();
    animations.pop_back();
    last.channels[0].sampler = static_cast<int>(animations.back().samplers.size());
    animations.back().samplers.push_back(last.samplers[0]);
    animations.back().channels.push_back(last.channels[0]);
}

TEST(HeadTurn, AnAnimationOfTheHeadJointIsWrittenAsTheRecordingsHeadAngles) {
    const glm::vec3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const auto turn = [](float angle, const glm::vec3& axis) {
        return glm::angleAxis(angle, axis);
    };
    const glm::quat rest(1, 0, 0, 0);
    const struct {
        std::string name;
        glm::quat neck, head;   // the rotations at 1 s, from rest at 0 s
        bool zUpArmature;       // the armature turned -90° about x, its z up in the scene
        float yaw, pitch, roll; // the recording's angles at 1 s
    } cases[]{
        {"yaw", rest, turn(0.3f, y), false, 0.3f, 0, 0},
        {"neck and head", turn(0.1f, y), turn(0.2f, y), false, 0.3f, 0, 0},
        // A right-hand turn about the head's left lowers the face: the app's pitch is negative.
        {"nod down", rest, turn(0.2f, x), false, 0, -0.2f, 0},
        {"tilt", rest, turn(0.25f, z), false, 0, 0, 0.25f},
        {"z-up rig", rest, turn(0.3f, z), true, 0.3f, 0, 0},
    };
    for (const auto& c : cases) {
        SkinnedHead rig = skinnedHead();
        if (c.zUpArmature) {
            const glm::quat up = glm::angleAxis(-std::numbers::pi_v<float> / 2, x);
            rig.builder.model().nodes[static_cast<std::size_t>(rig.armature)].rotation = {
                up.x, up.y, up.z, up.w};
        }
        rig.builder.addRotationAnimation("Turn", rig.head, {0, 1}, {rest, c.head});
        if (c.neck != rest) {
            rig.builder.addRotationAnimation("Neck", rig.neck, {0, 1}, {rest, c.neck});
            mergeLastAnimation(rig.builder);
        }
        const ImportedModel model = converted(rig.builder);
        ASSERT_EQ(model.animations.size(), 1u) << c.name;
        const auto [header, last] = headerAndRow(model.animations[0], 60);
        EXPECT_THAT(header,
                    ElementsAre("Timecode", "BlendShapeCount", "HeadYaw", "HeadPitch", "HeadRoll"))
            << c.name;
        ASSERT_EQ(last.size(), 5u) << c.name;
        EXPECT_EQ(last[1], "3");
        EXPECT_NEAR(std::stof(last[2]), c.yaw, 1e-5f) << c.name;
        EXPECT_NEAR(std::stof(last[3]), c.pitch, 1e-5f) << c.name;
        EXPECT_NEAR(std::stof(last[4]), c.roll, 1e-5f) << c.name;
        const auto [_, middle] = headerAndRow(model.animations[0], 30);
        EXPECT_NEAR(std::stof(middle[2]), c.yaw / 2, 1e-5f) << c.name;
    }
}

TEST(HeadTurn, TheHeadAnglesFollowTheTargetsInARecordingThePlayerReads) {
    SkinnedHead rig = skinnedHead();
    rig.builder.addWeightAnimation("Talk", rig.face, {0, 1}, {0, 1});
    rig.builder.addRotationAnimation(
        "Turn", rig.head, {0, 1},
        {glm::quat(1, 0, 0, 0), glm::angleAxis(0.3f, glm::vec3(0, 1, 0))});
    mergeLastAnimation(rig.builder);
    TemporaryDirectory directory;
    rig.builder.write(directory.path() / "rig.glb");
    const ImportSummary summary = importModel(directory.path() / "rig.glb", directory.path());
    ASSERT_EQ(summary.animationFiles.size(), 1u);
    const Recording recording = readRecording(summary.animationFiles[0]);
    EXPECT_THAT(recording.columns, ElementsAre("mouthSmileLeft"));
    EXPECT_THAT(recording.rotationColumns, ElementsAre("HeadYaw", "HeadPitch", "HeadRoll"));
    EXPECT_EQ(recording.rowCount(), 61u);
}

} // namespace
