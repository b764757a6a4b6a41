#pragma once

#include "common/DisplaySizes.h"
#include "video/OutputKind.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a render to a file is asked for:
//     --render OUT [--fps N] [--crf N] [--size WxH] [--audio FILE] [--audio-offset S]
struct RenderOptions {
    std::filesystem::path out;
    OutputKind kind = OutputKind::Mp4;
    std::optional<std::int32_t> framesPerSecond; // the recording's own rate unless given
    std::int32_t crf = 18;
    PixelSize size = backBufferSize;
    std::optional<std::filesystem::path> audio;
    double audioOffsetSeconds = 0.0;
};

inline constexpr const char* renderUsage =
    "--render OUT.mp4|OUT.mkv|OUT/ [--fps N] [--crf 0..51] [--size WxH] [--audio FILE] "
    "[--audio-offset S]";

// Whether the arguments after the program's name ask for a render (any of its options), before
// they are parsed.
bool asksForRender(const std::vector<std::string>& arguments);

// Whether the argument names one of the options above; each takes a value.
bool isRenderOption(const std::string& argument);

// The render asked for by these options and their values, in the order given; nothing when there
// are none. Throws DemoError with what is wrong: a value out of range, an unknown kind of OUT,
// sound for a folder of frames, or render options without --render.
std::optional<RenderOptions>
parseRenderOptions(const std::vector<std::pair<std::string, std::string>>& options);
