// The all-targets path against the seven channels, on the generated head.
#include "play/HeadTurnSettings.h"
#include "render/Scene.h"

#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr int width = backBufferSize.width;
constexpr int height = backBufferSize.height;

// Pixels whose red, green or blue differ by more than a tenth of the range.
int pixelsOff(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int off = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        for (const int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a[k] >> shift) & 0xFF) -
                         static_cast<int>((b[k] >> shift) & 0xFF)) > 25) {
                ++off;
                break;
            }
    return off;
}

const std::map<std::string, float> sevenTargetPose{
    {"jawOpen", 0.7f},   {"mouthSmileLeft", 0.9f}, {"eyeBlinkRight", 1.0f}, {"browInnerUp", 0.5f},
    {"cheekPuff", 0.4f}, {"mouthFunnel", 0.3f},    {"eyeLookInLeft", 0.6f},
};

// The weight of every target, in the head's order: `others` where the pose names none.
std::vector<float> weightsOf(const std::vector<std::string>& names, float others = 0.0f) {
    std::vector<float> weights(names.size(), others);
    for (const auto& [name, weight] : sevenTargetPose)
        weights[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                         names.begin())] = weight;
    return weights;
}

struct Drawn {
    std::vector<std::uint32_t> pixels;
    std::int32_t headLevel;
};

Drawn draw(Scene& scene) {
    scene.renderFrame(1.0f / 60.0f);
    return {scene.readBackBuffer(), scene.drawnHeadIndexBuffer()};
}

TEST(AllTargets, APoseOfSevenTargetsDrawsTheSamePictureOnBothPaths) {
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(width, height);

    // The path is chosen when the scene is built: one scene for each.
    std::vector<std::uint32_t> neutral, sevenChannels;
    std::int32_t channelLevel = 0;
    {
        Scene scene(WindowTarget{&window, width, height}, MorphPath::SevenChannels);
        ASSERT_FALSE(scene.drawsAllTargets());
        neutral = draw(scene).pixels;
        MorphChannelSet& channels = scene.channelSet();
        std::int32_t channel = 0;
        for (const auto& [name, weight] : sevenTargetPose) {
            channels.setChannelTarget(name, channel);
            channels.setChannelWeight(weight, channel++);
        }
        const Drawn drawn = draw(scene);
        sevenChannels = drawn.pixels;
        channelLevel = drawn.headLevel;
    }
    Scene scene(WindowTarget{&window, width, height}, MorphPath::AllTargets);
    ASSERT_TRUE(scene.drawsAllTargets());
    const std::vector<std::string> names = scene.morphMesh().targetNames();
    EXPECT_EQ(pixelsOff(neutral, draw(scene).pixels), 0) << "no pose yet: the neutral head";
    scene.setPose(weightsOf(names));
    const Drawn allTargets = draw(scene);

    EXPECT_GT(pixelsOff(neutral, sevenChannels), 2000) << "the pose changes the face";
    EXPECT_LE(pixelsOff(sevenChannels, allTargets.pixels), 50);
    EXPECT_EQ(allTargets.headLevel, channelLevel) << "both paths draw the same level";

    // Every target at once moves the head further than the seven strongest of them.
    scene.setPose(weightsOf(names, 0.3f));
    EXPECT_GT(pixelsOff(allTargets.pixels, draw(scene).pixels), 500);
}

} // namespace

namespace {

// Where the eyes are drawn: the centre of the glazed pixels, light but not the white background.
glm::vec2 eyesIn(const std::vector<std::uint32_t>& pixels) {
    glm::dvec2 sum(0.0);
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t argb = pixels[static_cast<std::size_t>(y * width + x)];
            const auto channel = [&](int shift) { return (argb >> shift) & 0xFF; };
            if ((argb & 0xFFFFFF) != 0xFFFFFF && channel(16) > 200 && channel(8) > 200 &&
                channel(0) > 200) {
                sum += glm::dvec2(x, y);
                ++count;
            }
        }
    return count > 0 ? glm::vec2(sum / double(count)) : glm::vec2(-1.0f);
}

TEST(HeadTurn, TheFaceTurnsNodsAndTiltsAsAMirrorShowsThePerformer) {
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(width, height);
    Scene scene(WindowTarget{&window, width, height}, MorphPath::AllTargets);
    ASSERT_TRUE(scene.turnsHead());
    scene.setPose(std::vector<float>(scene.morphMesh().targetNames().size(), 0.0f));
    const auto eyesAt = [&](const HeadAngles& angles, const HeadTurnSettings& settings) {
        scene.setHeadRotation(shownHeadRotation(angles, settings));
        return eyesIn(draw(scene).pixels);
    };
    const HeadTurnSettings mirror;
    const glm::vec2 rest = eyesAt({}, mirror);
    ASSERT_GT(rest.x, 300.0f) << "the eyes are found";
    EXPECT_NEAR(rest.x, width / 2.0f, 15.0f) << "the light falls on one eye more";
    // The performer turns to their left (positive yaw): their reflection turns to the picture's
    // left; seen as they are, to the picture's right.
    EXPECT_LT(eyesAt({0.5f, 0.0f, 0.0f}, mirror).x, rest.x - 30.0f);
    EXPECT_GT(eyesAt({0.5f, 0.0f, 0.0f}, {true, false, 1.0f}).x, rest.x + 30.0f);
    // Looking up (positive pitch) lifts the face, mirrored or not; rows count downwards.
    EXPECT_LT(eyesAt({0.0f, 0.4f, 0.0f}, mirror).y, rest.y - 15.0f);
    EXPECT_GT(eyesAt({0.0f, -0.4f, 0.0f}, {true, false, 1.0f}).y, rest.y + 15.0f);
    // Off, and at scale 0, the head stays as it is.
    EXPECT_EQ(eyesAt({0.5f, 0.4f, 0.3f}, {false, true, 1.0f}), rest);
    EXPECT_NEAR(eyesAt({0.5f, 0.4f, 0.3f}, {true, true, 0.0f}).x, rest.x, 0.01f);
}

} // namespace
