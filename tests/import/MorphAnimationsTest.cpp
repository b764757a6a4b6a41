// glTF animations of morph weights as the player's recordings: the three interpolations against
// values worked out by hand, and one model through the importer and back through the player's
// reader.
#include "MorphAnimations.h"

#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "ModelImporter.h"
#include "play/Recording.h"
#include "tests/support/TemporaryDirectory.h"

#include <fstream>
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
}

ImportedModel converted(GltfModelBuilder& builder) {
    const std::string glb = builder.glb();
    return convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, "/");
}

std::vector<std::string> fileNames(const std::vector<MorphAnimation>& animations) {
    std::vector<std::string> names;
    for (const MorphAnimation& animation : animations)
        names.push_back(animation.fileName);
    return names;
}

// The test head's node 0 has three targets; a sampler of five keys needs fifteen weights.
TEST(MorphAnimations, AnAnimationThatCannotBeARecordingIsSkippedAndNamedTheModelImports) {
    const std::vector<float> keys{0, 1, 2, 3, 4};
    const std::vector<float> fifteen(15, 0.5f);
    const struct {
        std::string name;
        std::vector<float> times, weights;
        std::string interpolation, reason;
        bool byteTimes = false;
    } cases[]{
        {"Short", keys, std::vector<float>(10, 0.5f), "LINEAR",
         "channel 0: 10 weights for 5 keyframes of 3 targets"},
        {"Quadratic", keys, fifteen, "QUADRATIC", "channel 0: unknown interpolation"},
        {"Backwards", {0, 2, 1, 3, 4}, fifteen, "LINEAR", "the keyframe times do not increase"},
        // Would be 6e10 frames: refused before a single one is sampled.
        {"Forever", {0, 1, 2, 3, 1e9f}, fifteen, "LINEAR", "longer than a recording's timecodes"},
        {"TwoDays", {0, 1, 2, 3, 172800}, fifteen, "LINEAR", "(a day)"},
        {"Bytes", keys, fifteen, "LINEAR",
         "channel 0 input (accessor 11): keyframe times must be floats, not normalized unsigned "
         "bytes",
         true},
    };
    for (const auto& c : cases) {
        GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
        builder.addWeightAnimation("Good", 0, {0, 1}, {0, 0, 0, 1, 1, 1});
        builder.addWeightAnimation(c.name, 0, c.times, c.weights, c.interpolation);
        if (c.byteTimes) {
            const std::uint8_t bytes[] = {0, 64, 128, 192, 255};
            builder.model().animations.back().samplers[0].input =
                builder.addAccessor(bytes, sizeof bytes, 5, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                                    TINYGLTF_TYPE_SCALAR, /*normalized=*/true);
        }
        const ImportedModel model = converted(builder);
        EXPECT_THAT(fileNames(model.animations), testing::ElementsAre("Good.csv")) << c.name;
        ASSERT_EQ(model.summary.skippedAnimations.size(), 1u) << c.name;
        const std::string& warning = model.summary.skippedAnimations[0];
        EXPECT_THAT(warning, testing::StartsWith("animation \"" + c.name + "\" skipped: "));
        EXPECT_THAT(warning, testing::HasSubstr(c.reason));
        EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
        EXPECT_EQ(model.summary.ignoredAnimations, 0u) << c.name;
    }
}

TEST(MorphAnimations, RecordingsStopAtTheImportsLimitCountedAtTheirLongestRows) {
    GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    for (const char* name : {"First", "Second", "Third"})
        builder.addWeightAnimation(name, 0, {0, 100}, {0, 0, 0, 1, 1, 1});
    builder.addWeightAnimation("Brief", 0, {0, 1}, {0, 0, 0, 1, 1, 1});
    const MorphAnimations all = readMorphAnimations(builder.model());
    ASSERT_EQ(all.animations.size(), 4u);
    const std::uintmax_t hundredSeconds = all.animations[0].maxTextBytes();
    // 6001 rows of "00:01:40:30.000,3" and three weights of at most 13 characters.
    EXPECT_EQ(hundredSeconds,
              std::string("Timecode,BlendShapeCount,jawOpen,eyeBlinkLeft,eyeBlinkRight\n").size() +
                  6001u * (16 + 1 + 1 + 3 * 14));

    const MorphAnimations limited =
        readMorphAnimations(builder.model(), 2 * hundredSeconds + 10000);
    EXPECT_THAT(fileNames(limited.animations),
                testing::ElementsAre("First.csv", "Second.csv", "Brief.csv"));
    ASSERT_EQ(limited.skipped.size(), 1u);
    EXPECT_THAT(limited.skipped[0], testing::StartsWith("animation \"Third\" skipped: "));
    EXPECT_THAT(limited.skipped[0],
                testing::HasSubstr("limit of " + std::to_string(2 * hundredSeconds + 10000) +
                                   " bytes of recordings"));
    EXPECT_THAT(readMorphAnimations(builder.model()).skipped, testing::IsEmpty());
}

TEST(MorphAnimations, WrittenWeightsAreOnesThePlayerAcceptsAndReservedNamesAreRenamed) {
    GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    tinygltf::Value::Array names;
    for (const std::string name : {"Timecode", "headYaw", "smile"})
        names.emplace_back(name);
    builder.model().meshes[0].extras =
        tinygltf::Value(tinygltf::Value::Object{{"targetNames", tinygltf::Value(names)}});
    // Cubic tangents that overflow between the keys (times ten seconds), a weight of 5 and one
    // of -2.
    const float huge = 3e38f;
    builder.addWeightAnimation(
        "Wild", 0, {0, 10},
        {0, 0, 0, 0, 5, -2, huge, huge, huge, -huge, -huge, -huge, 0, 0, 0, 0, 0, 0},
        "CUBICSPLINE");
    TemporaryDirectory directory;
    const auto model = directory.path() / "face.glb";
    builder.write(model);
    const ImportSummary summary = importModel(model, directory.path() / "out");

    EXPECT_THAT(summary.renamedTargets, testing::ElementsAre("Timecode", "headYaw"));
    EXPECT_THAT(summary.targetNames,
                testing::IsSupersetOf({"Timecode (target)", "headYaw (target)", "smile"}));
    EXPECT_THAT(formatSummary(summary),
                testing::HasSubstr("Renamed 2 targets a recording reads as its own column"));
    ASSERT_EQ(summary.animationFiles.size(), 1u);
    std::ifstream in(summary.animationFiles[0]);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    const Recording recording = readRecording(summary.animationFiles[0]);
    EXPECT_THAT(recording.columns,
                testing::ElementsAre("Timecode (target)", "headYaw (target)", "smile"));
    EXPECT_THAT(recording.rotationColumns, testing::IsEmpty());
    const auto row = [&](std::size_t index) {
        const auto weights = recording.rowWeights(index);
        return std::vector<float>(weights.begin(), weights.end());
    };
    EXPECT_THAT(row(0), testing::ElementsAre(0.0f, 1.0f, 0.0f));
    // Half way the Hermite terms are infinite: a weight that is not finite is written as 0.
    EXPECT_THAT(row(300), testing::ElementsAre(0.0f, 0.0f, 0.0f));
    for (const float weight : recording.poses)
        EXPECT_TRUE(weight >= 0.0f && weight <= 1.0f) << weight;
    EXPECT_NE(text.find(",0,1,0\n"), std::string::npos) << "the first row clamps 5 and -2";
}

// A case-blind file system would make two of "Take", "take", "Take" one file; a generated
// suffix must not take a name the model gives.
TEST(MorphAnimations, FileNamesAreUniqueInAnyLetterCase) {
    GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    for (const char* name : {"Take", "take", "Take", "take-1", "", "animation4", "a/b", "a_b"})
        builder.addWeightAnimation(name, 0, {0, 1}, {0, 0, 0, 1, 1, 1});
    EXPECT_THAT(fileNames(readMorphAnimations(builder.model()).animations),
                testing::ElementsAre("Take.csv", "take-2.csv", "Take-3.csv", "take-1.csv",
                                     "animation4.csv", "animation4-1.csv", "a_b.csv", "a_b-1.csv"));
}

} // namespace
