#pragma once

#include <cstdint>

// The frame loop's time source: a tick counter and its frequency, in 64-bit ticks.
class PerformanceClock {
  public:
    virtual ~PerformanceClock() = default;
    // False when the frequency cannot be known.
    virtual bool queryFrequency(std::int64_t& ticksPerSecond) = 0;
    virtual std::int64_t queryCounter() = 0;
};

// std::chrono::steady_clock in nanoseconds.
class SteadyPerformanceClock final : public PerformanceClock {
  public:
    bool queryFrequency(std::int64_t& ticksPerSecond) override;
    std::int64_t queryCounter() override;
};
