#pragma once

#include <array>
#include <cstdint>

class RenderDevice;

// A colour curve: a cubic Bezier through four control colours given as ARGB words.
class ColorBezier {
  public:
    ColorBezier(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3);
    // The ARGB word at t in 0 .. 1; channels are clamped to 0 .. 255.
    std::uint32_t colorAt(float t) const;

  private:
    // Red, green, blue, alpha in 0 .. 1.
    using Color = std::array<float, 4>;
    static Color fromArgb(std::uint32_t argb);
    std::array<Color, 4> controls_;
};

constexpr std::int32_t gradientTexelCount = 256;

// The 256 texels of the blue ramp; texel i is the curve at i / 255.
std::array<std::uint32_t, gradientTexelCount> gradientTexels();

// Evaluates the ramp and creates its 256 x 1 texture; returns the texture table index.
std::int32_t buildGradientTexture(RenderDevice& device);
