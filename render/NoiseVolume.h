#pragma once

#include <cstddef>
#include <cstdint>

// The noise volume: 128 x 128 x 128 A8R8G8B8 texels, x fastest, then y, then z.
constexpr std::int32_t noiseVolumeSize = 128;
constexpr std::size_t noiseVolumeBytes =
    std::size_t{4} * noiseVolumeSize * noiseVolumeSize * noiseVolumeSize; // 8,388,608

// Four octaves of periodic gradient noise, one per byte of each texel: blue holds the period-4
// octave (amplitude 0.5), green period 8, red period 16 and alpha period 32. Every octave repeats
// exactly across the volume, so it tiles under wrap addressing. texels must hold
// noiseVolumeBytes bytes.
void fillNoiseVolume(std::uint8_t* texels);
