#pragma once

#include "app/RenderOptions.h"
#include "play/HeadTurnSettings.h"

#include <optional>
#include <string>
#include <vector>

// What mirelda-play is asked to do:
//     mirelda-play FILE [--no-mirror] [--head on|off] [--head-scale S] [render options]
struct PlayerOptions {
    std::string recording;
    HeadTurnSettings headTurn;
    // Drawn into a file instead of a window.
    std::optional<RenderOptions> render;
};

inline constexpr const char* playerUsage =
    "usage: mirelda-play FILE [--no-mirror] [--head on|off] [--head-scale S] [--render "
    "OUT.mp4|OUT.mkv|OUT/ [--fps N] [--crf N] [--size WxH] [--audio FILE] [--audio-offset S]] "
    "(FILE a face-capture recording, CSV; S from 0 to 4)";

// The options of the arguments after the program's name; throws DemoError with the usage and
// what is wrong for anything else.
PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments);
