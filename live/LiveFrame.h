#pragma once

#include "common/HeadAngles.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LiveWeight {
    std::string name;
    float value = 0.0f;
};

// The sender's clock for a frame, as the phone app stamps it: a frame count at a rate of
// numerator / denominator frames a second, and how far into that frame.
struct LiveFrameTime {
    std::int32_t frame = 0;
    float subFrame = 0.0f;
    std::int32_t rateNumerator = 60;
    std::int32_t rateDenominator = 1;
};

// One complete face pose as a tracker streams it. A frame without tracking carries no values:
// the head holds what it showed.
struct LiveFrame {
    std::string subject;
    bool tracked = false;
    std::vector<LiveWeight> weights;
    std::optional<HeadAngles> head; // the phone app's angles (common/HeadAngles.h)
    // Left eye then right eye, yaw, pitch and roll, as the phone app sends them.
    std::array<float, 6> eyeAngles{};
    std::optional<LiveFrameTime> time;
};
