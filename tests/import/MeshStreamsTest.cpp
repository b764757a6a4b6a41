// The importer's passes over a mesh's vertex streams treat every stream alike: welding compares
// all of them, bit for bit, and carries each along; assembly fills what a part lacks.
#include "MeshAssembly.h"
#include "MeshOptimization.h"
#include "MorphableMesh.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// Four vertices in two triangles: vertex 2 repeats vertex 0 in every stream, vertex 3 only in
// the positions; vertex 4 is used by no triangle.
MorphableMesh seamedQuad() {
    MorphableMesh mesh;
    mesh.targetNames = {"smile"};
    mesh.streams.push_back(
        vec3Stream(StreamKind::Position, {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 0}, {9, 9, 9}}));
    mesh.streams.push_back(vec3Stream(StreamKind::Normal, std::vector<glm::vec3>(5, {0, 0, 1})));
    mesh.streams.push_back({StreamKind::Glaze, 0, 1, {0, 0, 0, 1, 0}});
    mesh.streams.push_back(vec3Stream(StreamKind::TargetPosition,
                                      {{0, 1, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 0}, {9, 9, 9}}, 0));
    mesh.streams.push_back(
        vec3Stream(StreamKind::TargetNormal, std::vector<glm::vec3>(5, {0, 0, 1}), 0));
    mesh.indices = {0, 1, 3, 2, 1, 3};
    return mesh;
}

TEST(MeshStreams, WeldingComparesEveryStreamAndCarriesEachAlong) {
    MorphableMesh mesh = seamedQuad();
    weldVertices(mesh);
    EXPECT_THAT(mesh.indices, testing::ElementsAre(0, 1, 2, 0, 1, 2));
    EXPECT_THAT(mesh.stream(StreamKind::Glaze).values, testing::ElementsAre(0, 0, 1));
    EXPECT_EQ(mesh.stream(StreamKind::TargetPosition, 0).vec3(1), glm::vec3(1, 1, 0));
    for (const VertexStream& stream : mesh.streams)
        EXPECT_EQ(stream.vertexCount(), 3u) << static_cast<int>(stream.kind);

    // -0 and 0 are different bits: a weld must not merge what the file keeps apart.
    MorphableMesh signedZero = seamedQuad();
    signedZero.stream(StreamKind::TargetNormal, 0).setVec3(2, {-0.0f, 0, 1});
    weldVertices(signedZero);
    EXPECT_EQ(signedZero.vertexCount(), 4u);

    // Nor what turns with the head by a different share.
    MorphableMesh turning = seamedQuad();
    turning.streams.push_back({StreamKind::TurnWeight, 0, 1, {1, 1, 0.5f, 1, 1}});
    weldVertices(turning);
    EXPECT_EQ(turning.vertexCount(), 4u);
    EXPECT_THAT(turning.stream(StreamKind::TurnWeight).values, testing::ElementsAre(1, 1, 1, 0.5f));
}

TEST(MeshStreams, AssemblyGivesAPartsRestPoseForATargetItLacksAndZerosForAStream) {
    std::vector<ScenePrimitive> primitives(4);
    primitives[0].mesh = seamedQuad();
    primitives[1].mesh = seamedQuad();
    primitives[1].mesh.targetNames = {"blink"};
    primitives[2].mesh = seamedQuad();
    primitives[2].mesh.targetNames.clear();
    primitives[2].mesh.streams.resize(2); // positions and normals only
    primitives[3].mesh = seamedQuad();
    primitives[3].mesh.targetNames.clear();
    primitives[3].mesh.streams.resize(3); // and glaze

    const AssembledHead head = assembleHead(primitives);
    EXPECT_THAT(head.mesh.targetNames, testing::ElementsAre("smile", "blink"));
    EXPECT_EQ(head.mesh.vertexCount(), 10u);
    EXPECT_THAT(head.mesh.indices, testing::ElementsAre(0, 1, 3, 2, 1, 3, 5, 6, 8, 7, 6, 8));
    // The second part has no "smile": its share is its rest pose.
    EXPECT_EQ(head.mesh.stream(StreamKind::TargetPosition, 0).vec3(6), glm::vec3(1, 0, 0));
    EXPECT_EQ(head.mesh.stream(StreamKind::TargetPosition, 1).vec3(6), glm::vec3(1, 1, 0));
    EXPECT_EQ(head.mesh.stream(StreamKind::TargetPosition, 1).vec3(1), glm::vec3(1, 0, 0));

    const MorphableMesh still = assembleStatic(primitives);
    EXPECT_EQ(still.vertexCount(), 10u);
    EXPECT_THAT(still.stream(StreamKind::Glaze).values,
                testing::ElementsAre(0, 0, 0, 0, 0, 0, 0, 0, 1, 0));
    EXPECT_TRUE(still.targetNames.empty());
}

} // namespace
