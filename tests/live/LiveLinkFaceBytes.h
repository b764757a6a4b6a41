#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A phone-app face datagram built field by field, so that tests can make good ones and damage
// them one field at a time.
struct LiveLinkFaceBytes {
    std::uint8_t version = 6;
    std::string device = "test-device";
    std::string subject = "tester";
    std::int32_t frame = 0;
    float subFrame = 0.0f;
    std::int32_t rateNumerator = 60;
    std::int32_t rateDenominator = 1;
    bool tracked = true;
    std::uint8_t count = 61;
    std::array<float, 61> values{}; // the tracker's order: 52 shapes, then nine angles

    std::vector<std::byte> bytes() const;
};

// Indices into LiveLinkFaceBytes::values.
inline constexpr std::size_t jawOpenValue = 17;
inline constexpr std::size_t headYawValue = 52;
inline constexpr std::size_t headPitchValue = 53;
inline constexpr std::size_t headRollValue = 54;
