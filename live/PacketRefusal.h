#pragma once

#include <cstddef>

// Why a datagram was dropped, or nothing when it was taken. Static text: refusing a packet
// allocates nothing, so a flood of bad ones costs only the parsing.
struct PacketRefusal {
    const char* reason = nullptr;

    explicit operator bool() const { return reason != nullptr; }
};

// The largest datagram read; anything longer is no tracker's and is dropped unread.
inline constexpr std::size_t maxDatagramBytes = 64 * 1024;
// The longest name (device, subject, shape, bone) a packet may carry.
inline constexpr std::size_t maxNameBytes = 256;
