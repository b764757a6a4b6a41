#pragma once

#include "live/LiveListen.h"

#include <functional>
#include <optional>
#include <string>

// What mirelda-play --live is asked to do:
//     --live [--llf-port N] [--vmc-port N] [--bind ADDR] [--subject NAME] [--record FILE]
struct LiveOptions {
    LiveListen listen;
    std::string record; // empty: nothing recorded
};

inline constexpr const char* liveUsage =
    "--live [--llf-port N] [--vmc-port N] [--bind ADDR] [--subject NAME] [--record TAKE.csv]";

// Takes `argument` when it is a live option, reading its value through `value`; false for any
// other argument. Throws DemoError (through `refuse`) for a bad value.
bool parseLiveOption(const std::string& argument, const std::function<const std::string&()>& value,
                     const std::function<void(const std::string&)>& refuse,
                     std::optional<LiveOptions>& live);
