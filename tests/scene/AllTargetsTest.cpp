// The all-targets path against the seven channels, on the generated head.
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
