#include "common/DemoError.h"
#include "play/Playback.h"
#include "play/TargetBinding.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace {

TEST(NameMap, MapsNamesInAnyCaseWithAScale) {
    TemporaryDirectory directory;
    const auto path = directory.write("names.txt", "# incoming, target, scale\n"
                                                   "JawOpen, mouthOpen\n"
                                                   "\n"
                                                   "browInnerUp\tbrows 0.5\r\n");
    const TargetBinding binding({"mouthOpen", "brows", "eyeBlinkLeft"}, readNameMap(path));
    struct Case {
        const char* incoming;
        std::int32_t target;
        float scale;
    };
    for (const Case& name : {Case{"jawopen", 0, 1.0f}, Case{"BROWINNERUP", 1, 0.5f},
                             Case{"EyeBlinkLeft", 2, 1.0f}, Case{"mouthSmile", -1, 1.0f}}) {
        const TargetBinding::Bound bound = binding.bind(name.incoming);
        EXPECT_EQ(bound.target, name.target) << name.incoming;
        EXPECT_FLOAT_EQ(bound.scale, name.scale) << name.incoming;
    }
}

TEST(NameMap, RefusesEachDamage) {
    TemporaryDirectory directory;
    for (const char* text :
         {"JawOpen\n", "a b 1 extra\n", "a b half\n", "a b 1e9\n", "a b\nA c\n"}) {
        const auto path = directory.write("names.txt", text);
        EXPECT_THROW(readNameMap(path), DemoError) << text;
    }
    EXPECT_THROW(readNameMap(directory.path() / "none.txt"), DemoError);
}

TEST(NameMap, AppliesToRecordingsToo) {
    Recording recording;
    recording.columns = {"JawOpen", "Other"};
    recording.times = {0.0};
    recording.poseOfRow = {0};
    recording.poses = {0.8f, 0.6f};
    Playback playback(std::move(recording), {"mouth", "other"}, {{"jawopen", {"mouth", 1.5f}}});
    std::vector<float> weights;
    playback.pose(weights);
    EXPECT_EQ(weights, (std::vector<float>{1.0f, 0.6f})); // scaled, then clamped
}

} // namespace
