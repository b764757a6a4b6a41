#pragma once

#include <cstdint>

// How a video is encoded: H.264 in yuv420p through libx264.
struct H264Settings {
    std::int32_t framesPerSecond = 30;
    // 18 is visually lossless for x264; 0 (lossless) to 51.
    std::int32_t crf = 18;
    // Fast enough for a 2-core software renderer to stay ahead of the clip, with little loss at
    // this crf on a head against a plain background.
    const char* preset = "veryfast";
};

inline constexpr std::int32_t maxCrf = 51;
