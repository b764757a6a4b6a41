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

TEST(AllTargets, APoseOfSevenTargetsDrawsTheSamePictureOnBothPaths) {
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(width, height);
    Scene scene(WindowTarget{&window, width, height}, MorphPath::AllTargets);
    ASSERT_TRUE(scene.drawsAllTargets());
    const std::vector<std::string> names = scene.morphMesh().targetNames();
    const auto frame = [&] {
        scene.renderFrame(1.0f / 60.0f);
        return scene.readBackBuffer();
    };
    const std::vector<std::uint32_t> neutral = frame();

    const std::map<std::string, float> pose{
        {"jawOpen", 0.7f},       {"mouthSmileLeft", 0.9f}, {"eyeBlinkRight", 1.0f},
        {"browInnerUp", 0.5f},   {"cheekPuff", 0.4f},      {"mouthFunnel", 0.3f},
        {"eyeLookInLeft", 0.6f},
    };
    MorphChannelSet& channels = scene.channelSet();
    std::vector<float> weights(names.size(), 0.0f);
    std::int32_t channel = 0;
    for (const auto& [name, weight] : pose) {
        channels.setChannelTarget(name, channel);
        channels.setChannelWeight(weight, channel++);
        weights[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                         names.begin())] = weight;
    }
    const std::vector<std::uint32_t> sevenChannels = frame();
    const std::int32_t channelLevel = scene.drawnHeadIndexBuffer();
    scene.setPose(weights);
    const std::vector<std::uint32_t> allTargets = frame();

    EXPECT_GT(pixelsOff(neutral, sevenChannels), 2000) << "the pose changes the face";
    EXPECT_LE(pixelsOff(sevenChannels, allTargets), 50);
    EXPECT_EQ(scene.drawnHeadIndexBuffer(), channelLevel) << "both paths draw the same level";

    // Every target at once moves the head further than the seven strongest of them.
    std::vector<float> everything(names.size(), 0.3f);
    for (const auto& [name, weight] : pose)
        everything[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                            names.begin())] = weight;
    scene.setPose(everything);
    EXPECT_GT(pixelsOff(allTargets, frame()), 500);
}

} // namespace
