#include "app/FrameLoop.h"

#include "app/ErrorReport.h"
#include "common/DemoError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

// A counter that moves on by a fixed step at every reading, as a busy loop sees a real one.
class SteppingClock final : public PerformanceClock {
  public:
    SteppingClock(std::int64_t frequency, std::int64_t start, std::int64_t step)
        : frequency_(frequency), now_(start), step_(step) {}
    bool queryFrequency(std::int64_t& ticksPerSecond) override {
        ticksPerSecond = frequency_;
        return frequencyWorks;
    }
    std::int64_t queryCounter() override {
        lastReading_ = now_;
        now_ += step_;
        return lastReading_;
    }
    void stall(std::int64_t ticks) { now_ += ticks; }
    std::int64_t lastReading() const { return lastReading_; }
    bool frequencyWorks = true;

  private:
    std::int64_t frequency_;
    std::int64_t now_;
    std::int64_t step_;
    std::int64_t lastReading_ = 0;
};

// A message source whose queue the test fills; it posts quit once enough frames ran.
class ScriptedPump final : public MessagePump {
  public:
    bool dispatchPending() override {
        ++passes;
        if (pendingMessages == 0)
            return false;
        --pendingMessages;
        if (onMessage)
            onMessage();
        return true;
    }
    bool quitPosted() const override { return quit; }
    int pendingMessages = 0;
    std::function<void()> onMessage;
    int passes = 0;
    bool quit = false;
};

struct Frame {
    std::int64_t counter; // the clock's reading taken for this frame
    float dt;
};

// Runs the loop until `frames` frames ran; onFrame may disturb the clock or the queue.
std::vector<Frame> runFrames(SteppingClock& clock, ScriptedPump& pump, std::size_t frames,
                             const std::function<void(std::size_t)>& onFrame = {}) {
    std::vector<Frame> seen;
    runFrameLoop(clock, pump, [&](float dt) {
        seen.push_back({clock.lastReading(), dt});
        if (onFrame)
            onFrame(seen.size());
        if (seen.size() == frames)
            pump.quit = true;
    });
    return seen;
}

constexpr std::int64_t ntscFrequency = 3'579'545;
constexpr std::int64_t ntscPeriod = 59'659; // 3,579,545 / 60, truncated

TEST(FrameLoop, FramesFollowAGridOfOnePeriodTruncatedFromTheFrequency) {
    SteppingClock clock(ntscFrequency, 1000, 1);
    ScriptedPump pump;
    const auto frames = runFrames(clock, pump, 4);
    ASSERT_EQ(frames.size(), 4u);
    for (std::size_t i = 2; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].counter - frames[i - 1].counter, ntscPeriod) << "frame " << i;
    // Seconds per tick come from the frequency itself, not from a rounded 60 Hz.
    EXPECT_FLOAT_EQ(frames[2].dt, static_cast<float>(ntscPeriod / double(ntscFrequency)));
}

TEST(FrameLoop, FirstFrameRunsAtOnceWithTheTimeSinceTheLoopFirstReadTheCounter) {
    SteppingClock clock(1'000'000, 5'000'000, 250);
    ScriptedPump pump;
    const auto frames = runFrames(clock, pump, 1);
    ASSERT_EQ(frames.size(), 1u);
    // One reading before the loop, one for the frame: 250 ticks of a microsecond clock.
    EXPECT_EQ(frames[0].counter, 5'000'250);
    EXPECT_FLOAT_EQ(frames[0].dt, 0.00025f);
}

TEST(FrameLoop, AfterAStallOneFrameRunsAndTheGridRestartsOnePeriodAfterIt) {
    SteppingClock clock(ntscFrequency, 0, 1);
    ScriptedPump pump;
    const std::int64_t stall = 5 * ntscPeriod + 123;
    const auto frames = runFrames(clock, pump, 5, [&](std::size_t frame) {
        if (frame == 2)
            clock.stall(stall);
    });
    ASSERT_EQ(frames.size(), 5u);
    // Frame 3 catches up at once; no burst replays the missed deadlines.
    EXPECT_EQ(frames[2].counter, frames[1].counter + 1 + stall);
    EXPECT_EQ(frames[3].counter - frames[2].counter, ntscPeriod);
    EXPECT_EQ(frames[4].counter - frames[3].counter, ntscPeriod);
    // dt is never clamped: the late frame reports the whole stall.
    EXPECT_NEAR(frames[2].dt, (1.0 + stall) / ntscFrequency, 1e-6);
}

TEST(FrameLoop, ADeadlineEqualToTheReadingStands) {
    // The first frame reads exactly one period: its advanced deadline (0 + period) equals the
    // reading, so it is kept and the next pass runs the second frame straight away.
    SteppingClock clock(ntscFrequency, ntscPeriod - 1, 1);
    ScriptedPump pump;
    const auto frames = runFrames(clock, pump, 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].counter, ntscPeriod);
    EXPECT_EQ(frames[1].counter, ntscPeriod + 1);
}

TEST(FrameLoop, MessagesAlwaysComeBeforeFrames) {
    SteppingClock clock(ntscFrequency, 0, 1000);
    ScriptedPump pump;
    pump.onMessage = [&] { clock.stall(1000); };
    const auto frames = runFrames(clock, pump, 2, [&](std::size_t frame) {
        if (frame == 1)
            pump.pendingMessages = 500; // handling them takes about eight periods
    });
    ASSERT_EQ(frames.size(), 2u);
    // No frame ran while the queue held messages, although the deadline passed long before;
    // the second frame comes on the first reading after the queue ran dry.
    EXPECT_EQ(pump.pendingMessages, 0);
    EXPECT_EQ(frames[1].counter, frames[0].counter + 1000 + 500 * 1000);
}

TEST(FrameLoop, QuitBeforeAnyMessageEndsTheLoopWithoutAFrame) {
    SteppingClock clock(ntscFrequency, 0, 1);
    ScriptedPump pump;
    pump.quit = true;
    int frames = 0;
    runFrameLoop(clock, pump, [&](float) { ++frames; });
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(pump.passes, 0);
}

// A pump that can block: each wait moves the clock on by its timeout, as a real one sleeps.
class WaitingPump final : public MessagePump {
  public:
    explicit WaitingPump(SteppingClock& clock) : clock_(clock) {}
    bool dispatchPending() override { return false; }
    bool quitPosted() const override { return quit; }
    void waitForMessages(std::chrono::microseconds timeout) override {
        waits.push_back(timeout);
        clock_.stall(timeout.count());
        if (onWait)
            onWait();
    }
    bool windowExposed() const override { return exposed; }

    std::vector<std::chrono::microseconds> waits;
    std::function<void()> onWait;
    bool exposed = true;
    bool quit = false;

  private:
    SteppingClock& clock_;
};

constexpr std::int64_t microsecondClock = 1'000'000;
constexpr float microsecondPeriod = 16'666e-6f;

TEST(FrameLoop, WaitsUntilAMarginBeforeEachDeadlineAndKeepsTheGrid) {
    SteppingClock clock(microsecondClock, 0, 10); // a period of 16,666
    WaitingPump pump(clock);
    std::vector<std::int64_t> counters;
    runFrameLoop(clock, pump, [&](float) {
        counters.push_back(clock.lastReading());
        pump.quit = counters.size() == 4;
    });
    ASSERT_EQ(counters.size(), 4u);
    for (std::size_t i = 2; i < counters.size(); ++i)
        EXPECT_NEAR(static_cast<double>(counters[i] - counters[i - 1]), 16'666, 10)
            << "frame " << i;
    // One blocked wait per frame, ending a margin before the deadline; the rest is polled.
    ASSERT_EQ(pump.waits.size(), 3u);
    for (const auto& wait : pump.waits) {
        EXPECT_GE(wait + frameWaitMargin, std::chrono::microseconds(16'600));
        EXPECT_LE(wait + frameWaitMargin, std::chrono::microseconds(16'666));
    }
}

TEST(FrameLoop, AHiddenWindowRestsInBoundedWaitsAndItsTimeNeverReachesAFrame) {
    SteppingClock clock(microsecondClock, 0, 10);
    WaitingPump pump(clock);
    std::vector<Frame> frames;
    int hiddenWaits = 0;
    pump.onWait = [&] {
        // Ten seconds hidden; the notice that it is back may never come, so the loop must look.
        if (!pump.exposed && ++hiddenWaits == 40)
            pump.exposed = true;
    };
    runFrameLoop(clock, pump, [&](float dt) {
        frames.push_back({clock.lastReading(), dt});
        pump.exposed = pump.exposed && frames.size() != 1; // minimised after the first frame
        pump.quit = frames.size() == 3;
    });
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(hiddenWaits, 40);
    for (const auto& wait : pump.waits)
        EXPECT_LE(wait, restWait);
    // The first reading after the window came back draws at once, with one frame's time: ten
    // seconds as a frame's time would throw the camera out of the scene.
    EXPECT_LT(frames[1].counter - frames[0].counter, 10'000'000 + restWait.count() + 100);
    EXPECT_FLOAT_EQ(frames[1].dt, microsecondPeriod);
    EXPECT_NEAR(static_cast<double>(frames[2].counter - frames[1].counter), 16'666, 10);
    EXPECT_NEAR(frames[2].dt, microsecondPeriod, 1e-5);
}

TEST(FrameLoop, AStillPictureIsNotDrawnAgainUntilSomethingInItChanges) {
    SteppingClock clock(microsecondClock, 0, 10);
    WaitingPump pump(clock);
    bool changed = false;
    int waitsWhileStill = 0;
    pump.onWait = [&] {
        // A weight moves after three seconds of nothing.
        if (!changed && ++waitsWhileStill == 12)
            changed = true;
    };
    std::vector<Frame> frames;
    const FrameClient client{[&](float dt) {
                                 frames.push_back({clock.lastReading(), dt});
                                 changed = false;
                                 pump.quit = frames.size() == 2;
                             },
                             [&] { return changed; }};
    runFrameLoop(clock, pump, client);
    // The first frame is drawn unasked; then nothing until the change, which is drawn at once
    // with one frame's time.
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(waitsWhileStill, 12);
    for (const auto& wait : pump.waits)
        EXPECT_LE(wait, restWait);
    EXPECT_GE(frames[1].counter - frames[0].counter, 11 * restWait.count());
    EXPECT_FLOAT_EQ(frames[1].dt, microsecondPeriod);
}

TEST(FrameLoop, AChangingPictureKeepsTheGridAndTheRealFrameTimes) {
    // While dragging, every frame changes the picture: frames follow the deadlines as ever.
    SteppingClock clock(microsecondClock, 0, 10);
    WaitingPump pump(clock);
    std::vector<Frame> frames;
    runFrameLoop(clock, pump,
                 FrameClient{[&](float dt) {
                                 frames.push_back({clock.lastReading(), dt});
                                 pump.quit = frames.size() == 5;
                             },
                             [] { return true; }});
    ASSERT_EQ(frames.size(), 5u);
    for (std::size_t i = 2; i < frames.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(frames[i].counter - frames[i - 1].counter), 16'666, 10);
        EXPECT_NEAR(frames[i].dt, 1e-6f * float(frames[i].counter - frames[i - 1].counter), 1e-7);
    }
}

class FailureReport : public ::testing::Test {
  protected:
    void SetUp() override {
        setErrorBoxPresenter([this](const std::string& caption, const std::string& text) {
            boxes.push_back({caption, text});
        });
    }
    void TearDown() override { setErrorBoxPresenter({}); }
    std::vector<std::pair<std::string, std::string>> boxes;
};

TEST_F(FailureReport, AFailingFrequencyShowsTheBoxBeforeAnyFrameAndReturnsOne) {
    SteppingClock clock(ntscFrequency, 0, 1);
    clock.frequencyWorks = false;
    ScriptedPump pump;
    int frames = 0;
    const int status =
        runReportingFailures([&] { runFrameLoop(clock, pump, [&](float) { ++frames; }); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(frames, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Error Message");
    EXPECT_EQ(boxes[0].second.rfind("The demo must finish due an error. Please feel free to "
                                    "contact me: ",
                                    0),
              0u);
}

TEST_F(FailureReport, TeardownHappensBeforeTheBoxWhateverWasThrown) {
    struct Witness {
        std::vector<std::string>& log;
        ~Witness() { log.push_back("torn down"); }
    };
    std::vector<std::string> log;
    setErrorBoxPresenter([&](const std::string&, const std::string&) { log.push_back("box"); });
    EXPECT_EQ(runReportingFailures([&] {
                  Witness witness{log};
                  throw DemoError("broken");
              }),
              1);
    EXPECT_EQ(runReportingFailures([&] {
                  Witness witness{log};
                  throw 42; // not a std::exception: the second handler
              }),
              1);
    EXPECT_EQ(log, (std::vector<std::string>{"torn down", "box", "torn down", "box"}));
}

TEST_F(FailureReport, ANormalEndShowsNoBoxAndQuitAsFirstMessageReturnsZero) {
    SteppingClock clock(ntscFrequency, 0, 1);
    ScriptedPump pump;
    pump.quit = true;
    EXPECT_EQ(runReportingFailures([&] { runFrameLoop(clock, pump, [](float) {}); }), 0);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
