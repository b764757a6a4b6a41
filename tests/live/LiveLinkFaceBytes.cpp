#include "LiveLinkFaceBytes.h"

#include <bit>

namespace {

void u32(std::vector<std::byte>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::byte>(value >> shift & 0xff));
}

void text(std::vector<std::byte>& out, const std::string& value) {
    u32(out, static_cast<std::uint32_t>(value.size()));
    for (const char c : value)
        out.push_back(static_cast<std::byte>(c));
}

} // namespace

std::vector<std::byte> LiveLinkFaceBytes::bytes() const {
    std::vector<std::byte> out{static_cast<std::byte>(version)};
    text(out, device);
    text(out, subject);
    u32(out, static_cast<std::uint32_t>(frame));
    u32(out, std::bit_cast<std::uint32_t>(subFrame));
    u32(out, static_cast<std::uint32_t>(rateNumerator));
    u32(out, static_cast<std::uint32_t>(rateDenominator));
    if (!tracked)
        return out;
    out.push_back(static_cast<std::byte>(count));
    for (std::size_t i = 0; i < count && i < values.size(); ++i)
        u32(out, std::bit_cast<std::uint32_t>(values[i]));
    return out;
}
