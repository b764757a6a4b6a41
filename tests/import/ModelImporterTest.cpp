// The importer on models it must convert exactly and on files it must refuse without touching
// its output: a hand-written .gltf with an external buffer (two meshes, targets matched by name,
// a sparse target, quantized positions, missing normals, a strip, node transforms), a model too
// large for 16-bit indices, and the faults a user's file may have.
#include "ModelImporter.h"

#include "DirectorySnapshot.h"
#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "MeshImages.h"
#include "TargetGroups.h"
#include "TwoQuads.h"
#include "model/MeshFile.h"
#include "tests/support/TemporaryDirectory.h"
#include "ui/MorphGroupFile.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <numbers>
#include <optional>

namespace {

namespace fs = std::filesystem;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::vector<glm::vec3> vec3sOf(const float* floats, std::size_t vertexCount) {
    std::vector<glm::vec3> out;
    for (std::size_t v = 0; v < vertexCount; ++v)
        out.emplace_back(floats[7 * v], floats[7 * v + 1], floats[7 * v + 2]);
    return out;
}

std::vector<glm::vec3> normalsOf(const float* floats, std::size_t vertexCount) {
    std::vector<glm::vec3> out;
    for (std::size_t v = 0; v < vertexCount; ++v)
        out.emplace_back(floats[7 * v + 3], floats[7 * v + 4], floats[7 * v + 5]);
    return out;
}

void expectNear(const glm::vec3& actual, const glm::vec3& expected, const std::string& what) {
    EXPECT_LT(glm::length(actual - expected), 1e-3f)
        << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ") instead of ("
        << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

TEST(ModelImporter, PlacesMatchesAndPadsTheTargetsOfTwoMeshes) {
    TemporaryDirectory dir;
    dir.write("quads.bin", twoQuadsBin());
    const fs::path model = dir.write("quads.gltf", twoQuadsGltf("quads.bin"));
    const fs::path out = dir.path() / "out";
    const ImportSummary summary = importModel(model, out);

    const MeshFile file = readMeshFile((out / "data/meshes/headModelNew.dat").string());
    const HeadMesh& head = *file.headMesh;
    ASSERT_EQ(head.vertexCount(), 8);
    EXPECT_EQ(head.indexCount(), 12u);
    EXPECT_EQ(head.targetNames(),
              (std::vector<std::string>{"smile", "blink", "~unused 1", "~unused 2", "~unused 3",
                                        "~unused 4", "~unused 5"}));
    EXPECT_EQ(summary.paddingNames.size(), 5u);
    EXPECT_TRUE(summary.staticMeshMissing);
    EXPECT_EQ(file.staticMesh->indexCount(), 3u);

    // World corners (Left: root translation and scale after the child's quarter turn; Right:
    // the matrix), framed: the box of the rest pose and the targets, x 8..21, y 0..4, z 0..2,
    // becomes 244 wide (4:3 to the head's 183 tall) around (0, -10, 0).
    const float scale = 244.0f / 13.0f;
    const auto framed = [&](glm::vec3 p) {
        return (p - glm::vec3(14.5f, 2.0f, 1.0f)) * scale + glm::vec3(0.0f, -10.0f, 0.0f);
    };
    // Expected offsets of smile and blink at each corner; everything else stays at rest.
    struct Corner {
        glm::vec3 world, smile, blink;
    };
    const std::vector<Corner> corners{
        {{10, 0, 0}, {0, 2, 0}, {0, 0, 0}}, {{10, 2, 0}, {0, 0, 0}, {0, 0, 0}},
        {{8, 2, 0}, {0, 0, 0}, {0, 0, 2}},  {{8, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {{20, 0, 0}, {0, 0, 0}, {0, 4, 0}}, {{21, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {{21, 4, 0}, {0, 0, 0}, {0, 0, 0}}, {{20, 4, 0}, {0, 0, 0}, {0, 0, 0}}};

    const auto base = vec3sOf(head.vertexData(), 8);
    const auto baseNormals = normalsOf(head.vertexData(), 8);
    const auto smile = vec3sOf(head.getTarget(0).block, 8);
    const auto blink = vec3sOf(head.getTarget(1).block, 8);
    for (const Corner& corner : corners) {
        const glm::vec3 at = framed(corner.world);
        const auto found = std::find_if(base.begin(), base.end(), [&](const glm::vec3& p) {
            return glm::length(p - at) < 1e-3f;
        });
        ASSERT_NE(found, base.end()) << "no vertex at " << at.x << ", " << at.y;
        const auto v = static_cast<std::size_t>(found - base.begin());
        expectNear(smile[v] - base[v], corner.smile * scale, "smile");
        expectNear(blink[v] - base[v], corner.blink * scale, "blink");
        expectNear(baseNormals[v], {0, 0, 1}, "normal");
        for (std::int32_t k = 2; k < 7; ++k)
            expectNear(vec3sOf(head.getTarget(k).block, 8)[v], base[v], "padding");
    }
    // Every triangle, the strip's included, still faces the camera.
    for (std::uint32_t t = 0; t < head.indexCount(); t += 3) {
        const glm::vec3& a = base[static_cast<std::size_t>(head.indices()[t])];
        const glm::vec3& b = base[static_cast<std::size_t>(head.indices()[t + 1])];
        const glm::vec3& c = base[static_cast<std::size_t>(head.indices()[t + 2])];
        EXPECT_GT(glm::cross(b - a, c - a).z, 0.0f) << "triangle " << t / 3;
    }

    const std::vector<MorphGroup> groups =
        loadMorphGroups((out / "data/meshes/headModel.xml").string());
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Left");
    EXPECT_EQ(groups[0].targetNames, (std::vector<std::string>{"smile", "blink"}));
}

TEST(ModelImporter, SimplifiesPastSixteenBitIndicesKeepingTargetValuesExact) {
    // A unit sphere of 77,357 vertices (a data: URI in .gltf text); the target pushes each
    // vertex by x squared along z, which no vertex invented by interpolation would keep.
    constexpr int rings = 256;
    constexpr int segments = 300;
    GltfModelBuilder builder;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> offsets;
    std::vector<std::uint32_t> indices;
    const float pi = std::numbers::pi_v<float>;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s) {
            const float theta = pi * static_cast<float>(r) / rings;
            const float phi = 2.0f * pi * static_cast<float>(s) / segments;
            const glm::vec3 p(std::sin(theta) * std::sin(phi), std::cos(theta),
                              std::sin(theta) * std::cos(phi));
            positions.push_back(p);
            offsets.emplace_back(0.0f, 0.0f, 0.5f * p.x * p.x);
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const auto at = [&](int rr, int ss) {
                return static_cast<std::uint32_t>(rr * (segments + 1) + ss);
            };
            indices.insert(indices.end(), {at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s),
                                           at(r + 1, s + 1), at(r, s + 1)});
        }
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = builder.addVec3s(positions);
    primitive.indices = builder.addIndices(indices);
    primitive.targets.push_back({{"POSITION", builder.addVec3s(offsets)}});
    builder.addNode(builder.addMesh("Ball", {primitive}, {"bulge"}));

    TemporaryDirectory dir;
    const fs::path model = dir.write("ball.gltf", builder.gltfText());
    const ImportSummary summary = importModel(model, dir.path());
    EXPECT_GT(summary.head.weldedVertices, 65536u);
    EXPECT_LE(summary.head.writtenVertices, 65536u);
    EXPECT_GT(summary.head.writtenVertices, 50000u);

    const MeshFile file = readMeshFile((dir.path() / "data/meshes/headModelNew.dat").string());
    const HeadMesh& head = *file.headMesh;
    const auto count = static_cast<std::size_t>(head.vertexCount());
    EXPECT_EQ(count, summary.head.writtenVertices);
    const auto base = vec3sOf(head.vertexData(), count);
    const auto bulge = vec3sOf(head.getTarget(0).block, count);
    const float scale = 183.0f / 2.0f;
    for (std::size_t v = 0; v < count; ++v) {
        const glm::vec3 local = (base[v] - glm::vec3(0.0f, -10.0f, 0.0f)) / scale;
        ASSERT_NEAR(glm::length(local), 1.0f, 1e-4f) << "vertex " << v << " left the sphere";
        ASSERT_NEAR(bulge[v].z - base[v].z, scale * 0.5f * local.x * local.x, 1e-3f)
            << "vertex " << v;
    }
}

// The box of the vertices' positions, every block of the head or of the static mesh.
std::pair<glm::vec3, glm::vec3> bounds(const std::vector<const std::vector<float>*>& blocks) {
    glm::vec3 low(1e30f), high(-1e30f);
    for (const std::vector<float>* block : blocks)
        for (std::size_t i = 0; i + 2 < block->size(); i += 7) {
            const glm::vec3 p((*block)[i], (*block)[i + 1], (*block)[i + 2]);
            low = glm::min(low, p);
            high = glm::max(high, p);
        }
    return {low, high};
}

TEST(ModelImporter, FramesTheFaceWithAllItsMotionWhateverElseTheModelHolds) {
    // A head on a 1.5 m body, and a strip 4 wide and 0.6 tall whose target lifts its right end
    // by 0.6: each face with its targets fills the picture (244 by 183 around (0, -10)).
    GltfModelBuilder avatar = makeTestHead({16, 24, 7});
    tinygltf::Primitive body;
    body.attributes["POSITION"] = avatar.addVec3s(
        {{-0.25f, -1.7f, 0}, {0.25f, -1.7f, 0}, {0.25f, -0.2f, 0}, {-0.25f, -0.2f, 0}});
    body.indices = avatar.addIndices({0, 1, 2, 0, 2, 3});
    avatar.addNode(avatar.addMesh("Body", {body}));

    GltfModelBuilder strip;
    tinygltf::Primitive band;
    band.attributes["POSITION"] =
        strip.addVec3s({{-2.0f, 0, 0}, {2.0f, 0, 0}, {2.0f, 0.6f, 0}, {-2.0f, 0.6f, 0}});
    band.indices = strip.addIndices({0, 1, 2, 0, 2, 3});
    band.targets.push_back(
        {{"POSITION", strip.addVec3s({{0, 0, 0}, {0, 0.6f, 0}, {0, 0.6f, 0}, {0, 0, 0}})}});
    strip.addNode(strip.addMesh("Strip", {band}, {"lift"}));

    for (GltfModelBuilder* model : {&avatar, &strip}) {
        const std::string glb = model->glb();
        const MeshFileImage image =
            convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, {},
                        ExternalFiles::Refuse)
                .meshFile;
        std::vector<const std::vector<float>*> face{&image.baseVertices};
        for (const std::vector<float>& block : image.targetBlocks)
            face.push_back(&block);
        const auto [low, high] = bounds(face);
        const glm::vec3 size = high - low;
        EXPECT_NEAR((low.x + high.x) / 2.0f, 0.0f, 0.01f);
        EXPECT_NEAR((low.y + high.y) / 2.0f, -10.0f, 0.01f);
        EXPECT_LE(size.x, 244.01f);
        EXPECT_LE(size.y, 183.01f);
        EXPECT_TRUE(std::abs(size.x - 244.0f) < 0.01f || std::abs(size.y - 183.0f) < 0.01f)
            << size.x << " by " << size.y << " fills neither way";
    }
    // The body comes along at the same transform, far below the picture.
    const std::string glb = avatar.glb();
    const MeshFileImage image =
        convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, {},
                    ExternalFiles::Refuse)
            .meshFile;
    EXPECT_LT(bounds({&image.staticVertices}).first.y, -500.0f);
}

TEST(ModelImporter, DuplicateTargetNamesBecomeUniqueAndEveryTargetKeepsItsOwnShape) {
    GltfModelBuilder builder;
    const std::vector<glm::vec3> triangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = builder.addVec3s(triangle);
    for (int k = 1; k <= 3; ++k)
        primitive.targets.push_back({{"POSITION", builder.addVec3s(std::vector<glm::vec3>(
                                                      3, {0, 0, 0.1f * static_cast<float>(k)}))}});
    builder.addNode(builder.addMesh("Face", {primitive}, {"a.2", "a", "a"}));
    const std::string glb = builder.glb();

    const ImportedModel imported = convertGltf(
        {reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, {}, ExternalFiles::Refuse);
    const MeshFileImage& image = imported.meshFile;
    ASSERT_GE(image.targetNames.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(image.targetNames.begin(), image.targetNames.begin() + 3),
              (std::vector<std::string>{"a.2", "a", "a.2.2"}));
    // Each target lifts the triangle by its own height: 0.1, 0.2, 0.3 before framing.
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(image.targetBlocks[k][2] - image.baseVertices[2],
                    183.0f * 0.1f * static_cast<float>(k + 1), 1e-3f)
            << image.targetNames[k];
}

TEST(ModelImporter, GroupsArkitNamesByPrefixInFaceOrderAndOthersByMesh) {
    const std::vector<MorphGroup> groups =
        groupTargets({"mouthSmileLeft", "smirk", "eyebrowRaise", "Jaw_Open", "browInnerUp", "x"},
                     {"Face", "Face", "Face", "Face", "Face", ""});
    const std::vector<MorphGroup> expected{{"Brows", {"browInnerUp"}},
                                           {"Jaw", {"Jaw_Open"}},
                                           {"Mouth", {"mouthSmileLeft"}},
                                           {"Face", {"smirk", "eyebrowRaise"}},
                                           {"Other", {"x"}}};
    ASSERT_EQ(groups.size(), expected.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(groups[g].name, expected[g].name);
        EXPECT_EQ(groups[g].targetNames, expected[g].targetNames) << groups[g].name;
    }
}

TEST(ModelImporter, RefusesBrokenFilesWithTheirFaultAndLeavesTheOutputAsItWas) {
    // The model's folder is "model/"; beside it lies a buffer no model may read.
    TemporaryDirectory dir;
    fs::create_directories(dir.path() / "model/folder.glb");
    const std::string bin = twoQuadsBin();
    dir.write("model/quads.bin", bin);
    dir.write("outside.bin", bin);
    fs::create_symlink("../outside.bin", dir.path() / "model/link.bin");
    const fs::path out = dir.path() / "out";
    importModel(dir.write("model/good.gltf", twoQuadsGltf("quads.bin")), out);
    const auto before = snapshot(out);

    std::string nanPosition = bin;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nanPosition.data(), &nan, 4);
    dir.write("model/nan.bin", nanPosition);
    std::string badIndex = bin;
    badIndex[48] = 9;
    dir.write("model/index.bin", badIndex);
    const std::string glb = makeTestHead({8, 12, 7}).glb();
    GltfModelBuilder noTargets;
    const std::vector<glm::vec3> triangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    tinygltf::Primitive plain;
    plain.attributes["POSITION"] = noTargets.addVec3s(triangle);
    noTargets.addNode(noTargets.addMesh("Plain", {plain}));

    const std::string quads = twoQuadsGltf("quads.bin");
    const std::string outside = (dir.path() / "outside.bin").string();
    const std::string truncated = "truncated: the header says " + std::to_string(glb.size()) +
                                  " bytes, the file has " + std::to_string(glb.size() / 2);
    // No bytes: the name is the directory made above.
    const std::vector<std::tuple<std::string, std::optional<std::string>, std::string>> cases{
        {"text.gltf", "this is not a glTF model", "not a glTF file"},
        {"truncated.glb", glb.substr(0, glb.size() / 2), truncated},
        {"folder.glb", std::nullopt, "is a directory"},
        {"missing.gltf", replaced(quads, "quads.bin", "gone.bin"), "\"gone.bin\": no such file"},
        {"up.gltf", replaced(quads, "quads.bin", "../outside.bin"),
         "\"../outside.bin\" leads outside"},
        {"escaped.gltf", replaced(quads, "quads.bin", "%2e%2E/outside.bin"),
         "\"%2e%2E/outside.bin\" leads outside"},
        {"absolute.gltf", replaced(quads, "quads.bin", outside), outside + "\" leads outside"},
        {"link.gltf", replaced(quads, "quads.bin", "link.bin"), "\"link.bin\" leads outside"},
        {"bounds.gltf", replaced(quads, R"("count": 6)", R"("count": 60)"), "past the end"},
        {"index.gltf", replaced(quads, "quads.bin", "index.bin"), "index 9 is out of range"},
        {"nan.gltf", replaced(quads, "quads.bin", "nan.bin"), "not finite"},
        {"meshopt.gltf",
         replaced(quads, R"("extensionsRequired": [)",
                  R"("extensionsRequired": ["KHR_meshopt_compression", )"),
         "requires meshopt compression (KHR_meshopt_compression)"},
        {"plain.glb", noTargets.glb(), "no morph targets (an exporter may have dropped"},
    };
    for (const auto& [name, bytes, fault] : cases) {
        try {
            importModel(bytes ? dir.write("model/" + name, *bytes) : dir.path() / "model" / name,
                        out);
            ADD_FAILURE() << name << " was imported";
        } catch (const ImportError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(fault), std::string::npos) << name << ": " << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << name << ": " << message;
        }
        EXPECT_EQ(snapshot(out), before) << name << " changed the output directory";
    }

    // A good model whose mesh file cannot be replaced (a directory stands in its place) must
    // not leave the new group file beside the old mesh.
    const fs::path blocked = dir.path() / "blocked";
    importModel(dir.path() / "model/good.gltf", blocked);
    fs::remove(blocked / "data/meshes/headModelNew.dat");
    fs::create_directories(blocked / "data/meshes/headModelNew.dat/keep");
    std::ofstream(blocked / "data/meshes/headModel.xml") << "<MorphGroups/>";
    const auto blockedBefore = snapshot(blocked);
    EXPECT_THROW(importModel(dir.path() / "model/good.gltf", blocked), ImportError);
    EXPECT_EQ(snapshot(blocked), blockedBefore);
}

} // namespace
