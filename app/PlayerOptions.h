#pragma once

#include "app/LiveOptions.h"
#include "app/RenderOptions.h"
#include "play/HeadTurnSettings.h"
#include "play/Smoothing.h"

#include <optional>
#include <string>
#include <vector>

// What mirelda-play is asked to do:
//     mirelda-play FILE|--live ... [--map FILE] [--no-mirror] [--head on|off] [--head-scale S]
//                  [--smooth LEVEL] [render options, with FILE]
struct PlayerOptions {
    std::string recording; // empty with live
    std::optional<LiveOptions> live;
    std::string nameMap; // empty: names match targets of their own name
    HeadTurnSettings headTurn;
    // Nothing when not asked: a recording then plays as it was recorded.
    std::optional<Smoothing> smoothing;
    // Drawn into a file instead of a window.
    std::optional<RenderOptions> render;
};

inline constexpr const char* playerUsage =
    "usage: mirelda-play FILE|--live [--llf-port N] [--vmc-port N] [--bind ADDR] [--subject "
    "NAME] [--record TAKE.csv] [--map NAMES] [--no-mirror] [--head on|off] [--head-scale S] "
    "[--smooth off|light|default|strong] [--render OUT.mp4|OUT.mkv|OUT/ [--fps N] [--crf N] "
    "[--size WxH] [--audio FILE] [--audio-offset S]] (FILE a face-capture recording, CSV; NAMES "
    "lines of incoming name, target name, optional scale; S from 0 to 4)";

// The options of the arguments after the program's name; throws DemoError with the usage and
// what is wrong for anything else.
PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments);
