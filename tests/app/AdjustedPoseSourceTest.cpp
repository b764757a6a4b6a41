// The player's pose: a recording played through the smoothing and the neutral pose.
#include "app/AdjustedPoseSource.h"

#include "app/PlaybackSource.h"

#include <gtest/gtest.h>

namespace {

constexpr float frame = 1.0f / 30.0f;

// Two targets; "jawOpen" jumps from 0 to 1 at the second second, the head turns with it.
Recording stepRecording() {
    Recording recording;
    recording.columns = {"JawOpen", "EyeBlinkLeft"};
    recording.hasHeadAngles = true;
    recording.poses = {0.0f, 0.2f, 1.0f, 0.2f};
    recording.headAngles = {0.0f, 0.0f, 0.0f, 0.4f, 0.0f, 0.0f};
    for (int row = 0; row < 120; ++row) {
        recording.times.push_back(row * double{frame});
        recording.poseOfRow.push_back(row < 60 ? 0 : 1);
    }
    return recording;
}

AdjustedPoseSource adjusted(std::optional<Smoothing> smoothing) {
    return AdjustedPoseSource(
        std::make_unique<PlaybackSource>(stepRecording(),
                                         std::vector<std::string>{"jawOpen", "eyeBlinkLeft"}),
        smoothing ? smoothingSettings(*smoothing) : std::nullopt);
}

float jawAfter(AdjustedPoseSource& source, int frames) {
    std::vector<float> weights;
    for (int step = 0; step < frames; ++step)
        source.advance(frame);
    source.pose(weights);
    return weights[0];
}

} // namespace

TEST(AdjustedPoseSourceTest, UnsmoothedItShowsTheRecordingAsItIs) {
    AdjustedPoseSource source = adjusted(std::nullopt);
    EXPECT_EQ(jawAfter(source, 61), 1.0f);
    EXPECT_FLOAT_EQ(source.headAngles()->yaw, 0.4f);
}

TEST(AdjustedPoseSourceTest, SmoothedTheJumpIsFollowedAndThePausedPictureComesToRest) {
    AdjustedPoseSource source = adjusted(Smoothing::Default);
    EXPECT_EQ(jawAfter(source, 59), 0.0f);
    const float justAfter = jawAfter(source, 2);
    EXPECT_GT(justAfter, 0.1f);
    EXPECT_LT(justAfter, 0.9f) << "a jump is eased in";
    EXPECT_LT(source.headAngles()->yaw, 0.4f);
    source.togglePause();
    EXPECT_TRUE(source.moving()) << "paused, it is still catching up";
    int framesToRest = 0;
    while (source.moving() && framesToRest < 300) {
        source.advance(frame);
        ++framesToRest;
    }
    EXPECT_LT(framesToRest, 300) << "it never came to rest";
    EXPECT_EQ(jawAfter(source, 0), 1.0f) << "at rest it shows the source's own value";
    EXPECT_EQ(source.headAngles()->yaw, 0.4f);
    const float rested = jawAfter(source, 5);
    EXPECT_EQ(rested, 1.0f) << "frames drawn at rest change nothing";
}

TEST(AdjustedPoseSourceTest, NeutralIsTakenFromWhatIsShownAndRedrawsAPausedPicture) {
    AdjustedPoseSource source = adjusted(std::nullopt);
    source.advance(frame);
    source.togglePause();
    EXPECT_FALSE(source.moving());
    source.takeNeutral();
    EXPECT_TRUE(source.moving()) << "the change must reach the screen";
    std::vector<float> weights;
    source.pose(weights);
    EXPECT_EQ(weights, (std::vector<float>{0.0f, 0.0f}));
    source.togglePause();
    EXPECT_EQ(jawAfter(source, 60), 1.0f) << "a shape at rest 0 is left as it is";
    EXPECT_FLOAT_EQ(source.headAngles()->yaw, 0.4f);
    source.takeNeutral();
    EXPECT_FLOAT_EQ(source.headAngles()->yaw, 0.0f);
    source.pose(weights);
    EXPECT_EQ(weights, (std::vector<float>{0.0f, 0.0f}));
    source.clearNeutral();
    source.pose(weights);
    EXPECT_FLOAT_EQ(weights[1], 0.2f);
    EXPECT_FLOAT_EQ(source.headAngles()->yaw, 0.4f);
}
