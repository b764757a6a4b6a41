// glTF animations of morph weights as the player's recordings: the three interpolations against
// values worked out by hand, and one model through the importer and back through the player's
// reader.
#include "MorphAnimations.h"

#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "ModelImporter.h"
#include "play/Recording.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TEST(MorphAnimations, CurvesInterpolateAsGltfSays) {
    const WeightCurve linear{Interpolation::Linear, {0, 1, 3}, {0, 1, 0}};
    const WeightCurve step{Interpolation::Step, {0, 1, 3}, {0, 1, 0}};
    // (in-tangent, value, out-tangent) a key: from 0 rising at 1/s to 1 arriving at -1/s.
    const WeightCurve cubic{Interpolation::CubicSpline, {0, 2}, {0, 0, 1, -1, 1, 0}};
    const struct {
        const WeightCurve& curve;
        float seconds, expected;
    } cases[]{
        {linear, -1.0f, 0.0f},
        {linear, 0.5f, 0.5f},
        {linear, 2.0f, 0.5f},
        {linear, 2.5f, 0.25f},
        {linear, 9.0f, 0.0f},
        {step, 0.5f, 0.0f},
        {step, 1.0f, 1.0f},
        {step, 2.9f, 1.0f},
        {step, 3.0f, 0.0f},
        // s = t / 2; p = (s^3 - 2s^2 + s) * 2 * 1 + (-2s^3 + 3s^2) * 1 + (s^3 - s^2) * 2 * -1
        {cubic, 0.5f, 0.53125f},
        {cubic, 1.0f, 1.0f},
        {cubic, 1.5f, 1.21875f},
        {cubic, 2.0f, 1.0f},
        {cubic, -0.5f, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c.curve.at(c.seconds), c.expected, 1e-6f)
            << static_cast<int>(c.curve.interpolation) << " at " << c.seconds;
}

// The test head (node 0, targets jawOpen, eyeBlinkLeft, eyeBlinkRight), a second morphed mesh
// at rest with a default weight, and an animation of the head in normalized bytes.
GltfModelBuilder animatedHead(const std::string& interpolation) {
    GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    tinygltf::Primitive tongue;
    tongue.attributes["POSITION"] = builder.addVec3s({{0, 0, 0}, {0.01f, 0, 0}, {0, 0.01f, 0}});
    tongue.indices = builder.addIndices({0, 1, 2});
    tongue.targets.push_back({{"POSITION", builder.addVec3s({{0, 0, 0.01f}, {}, {}})}});
    builder.addNode(builder.addMesh("Tongue", {tongue}, {"tongueOut"}));
    builder.model().nodes.back().weights = {0.25};

    const float times[] = {0.0f, 0.5f};
    const std::uint8_t weights[] = {0, 255, 0, 255, 0, 51};
    tinygltf::Animation animation;
    animation.name = "../Talk";
    tinygltf::AnimationSampler sampler;
    sampler.input = builder.addAccessor(times, sizeof times, 2, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                        TINYGLTF_TYPE_SCALAR);
    sampler.output =
        builder.addAccessor(weights, sizeof weights, 6, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                            TINYGLTF_TYPE_SCALAR, /*normalized=*/true);
    sampler.interpolation = interpolation;
    animation.samplers.push_back(sampler);
    tinygltf::AnimationChannel channel;
    channel.sampler = 0;
    channel.target_node = 0;
    channel.target_path = "weights";
    animation.channels.push_back(channel);
    builder.model().animations.push_back(animation);
    return builder;
}

TEST(MorphAnimations, TheImporterWritesRecordingsThePlayerReads) {
    TemporaryDirectory directory;
    const auto model = directory.path() / "face.glb";
    animatedHead("LINEAR").write(model);
    const ImportSummary summary = importModel(model, directory.path() / "out");

    // The name cannot lead the file out of its folder.
    const auto file = directory.path() / "out/data/animations/_Talk.csv";
    ASSERT_THAT(summary.animationFiles, testing::ElementsAre(file));
    const Recording recording = readRecording(file);
    EXPECT_EQ(recording.framesPerSecond, 60);
    EXPECT_THAT(recording.columns,
                testing::ElementsAre("jawOpen", "eyeBlinkLeft", "eyeBlinkRight", "tongueOut"));
    ASSERT_EQ(recording.rowCount(), 31u); // 0 to 0.5 s
    EXPECT_NEAR(recording.times[15], 0.25, 1e-9);
    EXPECT_THAT(
        std::vector<float>(recording.rowWeights(15).begin(), recording.rowWeights(15).end()),
        testing::Pointwise(testing::FloatNear(1e-5f), {0.5f, 0.5f, 0.1f, 0.25f}));
    for (const std::string& column : recording.columns)
        EXPECT_THAT(summary.targetNames, testing::Contains(column));

    try {
        const std::string glb = animatedHead("QUADRATIC").glb();
        convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, "/");
        ADD_FAILURE() << "an unknown interpolation was accepted";
    } catch (const ImportError& error) {
        EXPECT_THAT(error.what(), testing::HasSubstr("animation \"../Talk\" channel 0"));
        EXPECT_THAT(error.what(), testing::HasSubstr("QUADRATIC"));
    }
}

} // namespace
