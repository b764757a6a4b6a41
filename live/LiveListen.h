#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where the player listens for trackers, and whose stream it shows.
struct LiveListen {
    std::string bindAddress; // empty: every interface
    std::uint16_t liveLinkFacePort = 11111;
    std::uint16_t vmcPort = 39539;
    // Only this subject's frames; without it, the first subject heard.
    std::optional<std::string> subject;
};
