#pragma once

#include <cstdint>
#include <span>

struct FrameSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Where rendered frames go, one after the other at the output's own rate.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // One frame of A8R8G8B8 words (BGRA bytes), top row first, width times height of them.
    virtual void write(std::span<const std::uint32_t> argb) = 0;
    // Everything after the last frame; the output is complete once this returns.
    virtual void finish() = 0;
};
