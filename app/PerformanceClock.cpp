#include "app/PerformanceClock.h"

#include <chrono>

bool SteadyPerformanceClock::queryFrequency(std::int64_t& ticksPerSecond) {
    ticksPerSecond = std::chrono::nanoseconds::period::den;
    return true;
}

std::int64_t SteadyPerformanceClock::queryCounter() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count();
}
