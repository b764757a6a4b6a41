#pragma once

#include "app/PoseSource.h"
#include "app/RenderOptions.h"
#include "play/HeadTurnSettings.h"

#include <cstdint>

// How long a recording plays and at what rate its rows come.
struct PerformanceTiming {
    std::int32_t framesPerSecond = 30;
    double durationSeconds = 0.0;
};

// The frames of a render: the whole duration at this rate, never fewer than one.
std::int64_t renderedFrameCount(double durationSeconds, std::int32_t framesPerSecond);

// Draws the performance of the source the factory makes, frame k at exactly k / fps, on an
// offscreen framebuffer through the player's scene and head turn, into the output the options
// name; nothing is shown. The output appears only when complete. Throws DemoError for whatever
// fails, and when Ctrl+C or SIGTERM stops it; OUT is then as it was.
void renderPerformance(const RenderOptions& options, const PoseSourceFactory& makeSource,
                       const HeadTurnSettings& headTurn, const PerformanceTiming& timing);
