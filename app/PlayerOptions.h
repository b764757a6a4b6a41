#pragma once

#include "play/HeadTurnSettings.h"

#include <string>
#include <vector>

// What mirelda-play is asked to do:
//     mirelda-play FILE [--no-mirror] [--head on|off] [--head-scale S]
struct PlayerOptions {
    std::string recording;
    HeadTurnSettings headTurn;
};

inline constexpr const char* playerUsage =
    "usage: mirelda-play FILE [--no-mirror] [--head on|off] [--head-scale S] (FILE a "
    "face-capture recording, CSV; S from 0 to 4)";

// The options of the arguments after the program's name; throws DemoError with the usage and
// what is wrong for anything else.
PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments);
