#include "app/FrameLoop.h"

#include "common/DemoError.h"

#include <cstdint>

namespace {
constexpr std::int64_t framesPerSecond = 60;
}

void runFrameLoop(PerformanceClock& clock, MessagePump& pump, const FrameClient& client) {
    std::int64_t frequency = 0;
    if (!clock.queryFrequency(frequency) || frequency <= 0)
        throw DemoError("the performance counter has no frequency");
    const double secondsPerTick = 1.0 / static_cast<double>(frequency);
    const auto framePeriod = static_cast<std::uint32_t>(frequency / framesPerSecond);

    std::int64_t lastFrameAt = clock.queryCounter();
    std::int64_t nextFrameAt = 0;
    bool rested = false;
    bool firstFrame = true;

    while (!pump.quitPosted()) {
        if (pump.dispatchPending())
            continue;
        // The first frame is drawn whatever the picture says: there is none on screen yet.
        const bool nothingToDraw = !pump.windowExposed() || (!firstFrame && client.pictureChanged &&
                                                             !client.pictureChanged());
        if (nothingToDraw) {
            pump.waitForMessages(restWait);
            rested = true;
            continue;
        }
        const std::int64_t now = clock.queryCounter();
        if (now < nextFrameAt) {
            const auto untilDeadline = std::chrono::microseconds(static_cast<std::int64_t>(
                static_cast<double>(nextFrameAt - now) * 1e6 * secondsPerTick));
            if (untilDeadline > frameWaitMargin)
                pump.waitForMessages(untilDeadline - frameWaitMargin);
            continue;
        }
        const std::int64_t elapsed = rested ? framePeriod : now - lastFrameAt;
        lastFrameAt = now;
        rested = false;
        firstFrame = false;
        client.renderFrame(static_cast<float>(static_cast<double>(elapsed) * secondsPerTick));
        nextFrameAt += framePeriod;
        if (nextFrameAt < now)
            nextFrameAt = now + framePeriod;
    }
}
