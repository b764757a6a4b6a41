#include "model/MorphMesh.h"

#include "MeshImages.h"
#include "common/DemoError.h"
#include "model/MeshFile.h"
#include "model/VertexDeclarations.h"
#include "render/RenderDevice.h"
#include "tests/support/TemporaryDirectory.h"

#include <QSurface>
#include <QWindow>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class MorphMeshTest : public ::testing::Test {
  protected:
    MorphMeshTest() {
        window_.setSurfaceType(QSurface::OpenGLSurface);
        window_.resize(backBufferSize.width, backBufferSize.height);
        device_ = std::make_unique<RenderDevice>(WindowTarget{&window_});
    }

    // The head of an image with these target names, read back through the file reader.
    MeshFile meshFileWith(const std::vector<std::string>& targetNames,
                          const MeshShape& shape = {}) {
        return readMeshFile(
            directory_.write("head.dat", encodeMeshFile(makeMeshImage(targetNames, shape))));
    }

    std::unique_ptr<MorphMesh> buildWith(const std::vector<std::string>& targetNames) {
        return buildMorphMesh(*meshFileWith(targetNames).headMesh, *device_, morphChannelCount);
    }

    static std::vector<std::string> channelTargets(const MorphMesh& mesh) {
        std::vector<std::string> targets;
        for (std::int32_t channel = 0; channel < mesh.channelSet.channelCount(); ++channel)
            targets.push_back(mesh.channelSet.getChannelTarget(channel));
        return targets;
    }

    TemporaryDirectory directory_;
    QWindow window_;
    std::unique_ptr<RenderDevice> device_;
};

TEST_F(MorphMeshTest, ChannelsStartOnTheSevenSmallestNamesAtWeightZero) {
    const auto mesh =
        buildWith({"smile", "jawOpen", "zzLast", "angry", "frown", "blink", "cheekPuff", "browUp"});

    EXPECT_THAT(channelTargets(*mesh),
                ElementsAre("angry", "blink", "browUp", "cheekPuff", "frown", "jawOpen", "smile"));
    for (std::int32_t channel = 0; channel < morphChannelCount; ++channel)
        EXPECT_EQ(mesh->channelSet.getChannelWeight(channel), 0.0f);
    // One buffer per target in file order, after the base buffer (the device's first).
    EXPECT_EQ(mesh->baseVertexBuffer, 0);
    EXPECT_EQ(mesh->targetBuffers.size(), 8u);
    EXPECT_EQ(mesh->targetVertexBuffer("smile"), 1);
    EXPECT_EQ(mesh->targetVertexBuffer("zzLast"), 3);
    EXPECT_EQ(mesh->targetVertexBuffer("browUp"), 8);
}

TEST_F(MorphMeshTest, NamesAreOrderedByteByByte) {
    // Upper case before lower case, a prefix before every longer name, bytes above 127 last.
    const auto mesh = buildWith({"ab", "\xc3\xa9t\xc3\xa9", "b", "a", "aB", "_", "B", "Ab", "A"});
    EXPECT_THAT(channelTargets(*mesh), ElementsAre("A", "Ab", "B", "_", "a", "aB", "ab"));
    EXPECT_EQ(std::prev(mesh->targetBuffers.end())->first, "\xc3\xa9t\xc3\xa9");
}

TEST_F(MorphMeshTest, ALaterTargetOfTheSameNameReplacesTheEarlier) {
    const auto mesh = buildWith({"a", "b", "a", "c", "d", "e", "f", "g", "b"});
    EXPECT_EQ(mesh->targetBuffers.size(), 7u);
    EXPECT_EQ(mesh->targetVertexBuffer("a"), 3);
    EXPECT_EQ(mesh->targetVertexBuffer("b"), 9);
    EXPECT_EQ(mesh->targetVertexBuffer("c"), 4);
    EXPECT_THAT(channelTargets(*mesh), ElementsAre("a", "b", "c", "d", "e", "f", "g"));
}

TEST_F(MorphMeshTest, RefusesFewerDistinctNamesThanChannelsBeforeUploading) {
    try {
        buildWith({"a", "b", "c", "d", "e", "f", "a"});
        ADD_FAILURE() << "a head of 6 distinct names filled 7 channels";
    } catch (const DemoError& error) {
        EXPECT_THAT(error.what(), HasSubstr("6 distinct morph target names"));
        EXPECT_THAT(error.what(), HasSubstr("7 channels"));
    }
    EXPECT_THROW(buildWith({}), DemoError);
    // Nothing reached the device: its next vertex buffer is still its first.
    const float vertex[7] = {};
    EXPECT_EQ(device_->createVertexBuffer(1, 28, vertex), 0);

    const MeshFile file = meshFileWith({"a", "b", "c", "d", "e", "f", "g", "h"});
    EXPECT_THROW(buildMorphMesh(*file.headMesh, *device_, 8), DemoError);
    EXPECT_THROW(buildMorphMesh(*file.headMesh, *device_, 0), DemoError);
}

TEST_F(MorphMeshTest, ChannelsPlayAnyNameAndOnlySevenExist) {
    const auto mesh = buildWith({"a", "b", "c", "d", "e", "f", "g", "h"});
    MorphChannelSet& channels = mesh->channelSet;

    // Two channels on one target read the same buffer.
    channels.setChannelTarget("h", 0);
    channels.setChannelTarget("h", 6);
    EXPECT_EQ(mesh->targetVertexBuffer(channels.getChannelTarget(0)),
              mesh->targetVertexBuffer(channels.getChannelTarget(6)));
    EXPECT_EQ(mesh->targetVertexBuffer("h"), 8);

    channels.setChannelWeight(0.25f, 6);
    EXPECT_EQ(channels.getChannelWeight(6), 0.25f);
    for (const std::int32_t outside : {-1, 7}) {
        EXPECT_THROW(channels.getChannelTarget(outside), DemoError);
        EXPECT_THROW(channels.setChannelTarget("a", outside), DemoError);
        EXPECT_THROW(channels.getChannelWeight(outside), DemoError);
        EXPECT_THROW(channels.setChannelWeight(1.0f, outside), DemoError);
    }
    EXPECT_EQ(channels.getChannelWeight(0), 0.0f); // a refused write touches no channel
    EXPECT_EQ(channels.getChannelTarget(0), "h");

    // Any name is accepted; the lookup at draw time is what fails.
    channels.setChannelTarget("notInTheFile", 3);
    EXPECT_EQ(channels.getChannelTarget(3), "notInTheFile");
    try {
        mesh->targetVertexBuffer(channels.getChannelTarget(3));
        ADD_FAILURE() << "a name that is no target had a buffer";
    } catch (const DemoError& error) {
        EXPECT_THAT(error.what(), HasSubstr("\"notInTheFile\""));
    }
}

TEST_F(MorphMeshTest, DeclarationsReadPositionAndNormalFromEveryStream) {
    auto expectElement = [](const MeshVertexElement& element, std::int32_t stream,
                            std::int32_t offset, std::int32_t type, std::int32_t usage,
                            std::int32_t usageIndex) {
        EXPECT_EQ(element.stream, stream);
        EXPECT_EQ(element.offset, offset);
        EXPECT_EQ(element.type, type);
        EXPECT_EQ(element.usage, usage);
        EXPECT_EQ(element.usageIndex, usageIndex);
    };
    expectElement(morphVertexDeclaration[0], 0, 0, 2, 0, 0);
    expectElement(morphVertexDeclaration[1], 0, 12, 3, 3, 0);
    for (std::int32_t stream = 1; stream <= 7; ++stream) {
        const auto first = static_cast<std::size_t>(2 * stream);
        expectElement(morphVertexDeclaration[first], stream, 0, 2, 5, 2 * (stream - 1));
        expectElement(morphVertexDeclaration[first + 1], stream, 12, 3, 5, 2 * (stream - 1) + 1);
    }
    ASSERT_EQ(staticVertexDeclaration.size(), 2u);
    expectElement(staticVertexDeclaration[0], 0, 0, 2, 0, 0);
    expectElement(staticVertexDeclaration[1], 0, 12, 3, 3, 0);

    // Both lists are accepted by the device, one declaration per mesh.
    const MeshFile file = meshFileWith({"a", "b", "c", "d", "e", "f", "g"});
    const auto morph = buildMorphMesh(*file.headMesh, *device_, morphChannelCount);
    const auto staticBuffers = buildStaticMesh(*file.staticMesh, *device_);
    EXPECT_EQ(morph->vertexDeclaration, 0);
    EXPECT_EQ(staticBuffers->vertexDeclaration, 1);
    EXPECT_NO_THROW(device_->bindVertexDeclaration(staticBuffers->vertexDeclaration));
    EXPECT_THROW(device_->bindVertexDeclaration(2), DemoError);
}

TEST_F(MorphMeshTest, LoadHeadModelBuildsBothMeshesFromTheFile) {
    const std::vector<std::string> names{"h", "g", "f", "e", "d", "c", "b", "a"};
    const std::string path = directory_.write(
        "head.dat",
        encodeMeshFile(makeMeshImage(names, {.vertexCount = 6, .staticVertexCount = 9})));
    const HeadModel model = loadHeadModel(path, *device_, morphChannelCount);

    EXPECT_THAT(channelTargets(*model.morphMesh), ElementsAre("a", "b", "c", "d", "e", "f", "g"));
    EXPECT_EQ(model.morphMesh->targetVertexBuffer("a"), 8);
    // The static mesh follows the head in every table.
    EXPECT_EQ(model.staticMesh->vertexBuffer, 9);
    EXPECT_EQ(model.staticMesh->indexBuffer, 1);
    EXPECT_EQ(model.staticMesh->vertexDeclaration, 1);

    EXPECT_THROW(
        loadHeadModel((directory_.path() / "missing.dat").string(), *device_, morphChannelCount),
        DemoError);
    const std::string tooFewNames =
        directory_.write("few.dat", encodeMeshFile(makeMeshImage({"a", "b"})));
    EXPECT_THROW(loadHeadModel(tooFewNames, *device_, morphChannelCount), DemoError);
}

} // namespace
