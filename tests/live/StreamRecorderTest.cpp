#include "live/StreamRecorder.h"

#include "common/DemoError.h"
#include "live/ArkitShapes.h"
#include "live/LiveState.h"
#include "play/Playback.h"
#include "play/Recording.h"
#include "tests/support/TemporaryDirectory.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// A tracked frame whose shapes and angles differ from frame to frame, as a stream's do.
LiveArrival arrivalOf(std::int32_t frame, std::chrono::steady_clock::time_point when) {
    LiveArrival arrival;
    arrival.arrived = when;
    arrival.frame.tracked = true;
    arrival.frame.time = LiveFrameTime{frame, 0.0f, 60, 1};
    for (std::size_t shape = 0; shape < arkitStreamOrder.size(); ++shape)
        arrival.frame.weights.push_back(
            {std::string(arkitStreamOrder[shape]),
             std::fmod(0.123457f * static_cast<float>(shape + frame), 1.0f)});
    const auto turn = static_cast<float>(frame % 100);
    arrival.frame.head = HeadAngles{0.01f * turn, -0.02f * turn, 0.005f * turn};
    return arrival;
}

TEST(StreamRecorder, WritesATakeThatPlaysBackWithTheSameWeights) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "take.csv";
    std::vector<LiveArrival> sent;
    const auto start = std::chrono::steady_clock::now();
    {
        StreamRecorder recorder(path);
        for (std::int32_t frame = 0; frame < 40; ++frame) {
            sent.push_back(arrivalOf(1000 + frame, start + std::chrono::milliseconds(17 * frame)));
            if (frame == 20) { // tracking lost for a frame: the recording holds
                LiveArrival lost = sent.back();
                lost.frame.tracked = false;
                recorder.write(lost);
                sent.pop_back();
                continue;
            }
            recorder.write(sent.back());
        }
        EXPECT_TRUE(std::filesystem::exists(recorder.partPath()));
        EXPECT_FALSE(std::filesystem::exists(path)); // only once finished
        recorder.finish();
        EXPECT_FALSE(std::filesystem::exists(recorder.partPath()));
    }
    Recording recording = readRecording(path);
    ASSERT_EQ(recording.rowCount(), 40u);
    EXPECT_EQ(recording.framesPerSecond, 60);
    std::vector<std::string> targets(arkitFileOrder.rbegin(), arkitFileOrder.rend());
    Playback playback(std::move(recording), targets);
    EXPECT_TRUE(playback.notes().size() == 1); // the eye rotations only
    double at = 0.0;
    std::vector<float> weights;
    for (const LiveArrival& arrival : sent) {
        const double time = (arrival.frame.time->frame - 1000) / 60.0;
        playback.advance(time - at);
        at = time;
        playback.pose(weights);
        for (const LiveWeight& weight : arrival.frame.weights) {
            const auto target = std::find(targets.begin(), targets.end(), weight.name);
            EXPECT_NEAR(weights[static_cast<std::size_t>(target - targets.begin())], weight.value,
                        5e-7)
                << weight.name << " at frame " << arrival.frame.time->frame;
        }
        EXPECT_NEAR(playback.headAngles()->yaw, arrival.frame.head->yaw, 5e-7);
        EXPECT_NEAR(playback.headAngles()->pitch, arrival.frame.head->pitch, 5e-7);
    }
}

TEST(StreamRecorder, BridgesASilenceAndNeverGoesBack) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "take.csv";
    const auto start = std::chrono::steady_clock::now();
    {
        StreamRecorder recorder(path);
        recorder.write(arrivalOf(600, start));
        // Half a minute of silence, then a sender that restarted its clock, then a stream
        // without one.
        const auto later = start + std::chrono::seconds(30);
        recorder.write(arrivalOf(600 + 60 * 30, later));
        recorder.write(arrivalOf(10, later + std::chrono::milliseconds(10)));
        LiveArrival unclocked = arrivalOf(0, later + std::chrono::milliseconds(600));
        unclocked.frame.time.reset();
        recorder.write(unclocked);
        recorder.finish();
    }
    // The reader refuses holes of over 10 s and times going back.
    const Recording recording = readRecording(path);
    EXPECT_EQ(recording.rowCount(), 5u + 4u); // four rows bridge the silence
    EXPECT_NEAR(recording.times[recording.rowCount() - 3], 30.0, 1e-9);
    EXPECT_NEAR(recording.times.back(), 30.6, 1e-3);
}

TEST(StreamRecorder, RefusesAFolderItCannotWriteAndLeavesNoFile) {
    TemporaryDirectory directory;
    EXPECT_THROW(StreamRecorder(directory.path() / "missing" / "take.csv"), DemoError);
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(LiveState, SaysWaitingReceivingAndSilent) {
    using namespace std::chrono_literals;
    LiveState state(11111, 39539);
    const auto start = LiveState::Clock::time_point{} + 1000s;
    EXPECT_EQ(state.line(start, 0), "Waiting for a sender on ports 11111 and 39539");
    for (int frame = 0; frame <= 120; ++frame)
        state.frameTaken("10.0.0.7", "iPhone", start + frame * 1s / 60);
    struct Case {
        std::chrono::milliseconds after;
        std::uint64_t malformed;
        std::string line;
    };
    const Case cases[] = {
        {100ms, 0, "Receiving from 10.0.0.7 (\"iPhone\") at 60 Hz"},
        {100ms, 1, "Receiving from 10.0.0.7 (\"iPhone\") at 60 Hz; 1 malformed"},
        {3500ms, 12, "No data for 3 s from 10.0.0.7; 12 malformed"},
    };
    for (const Case& moment : cases)
        EXPECT_EQ(state.line(start + 2s + moment.after, moment.malformed), moment.line);
}

} // namespace
