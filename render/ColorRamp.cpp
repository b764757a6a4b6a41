#include "render/ColorRamp.h"

#include "render/RenderDevice.h"

namespace {
// Deep to pale blue.
constexpr std::uint32_t rampControl0 = 0xFF0B3274;
constexpr std::uint32_t rampControl1 = 0xFF4D75B0;
constexpr std::uint32_t rampControl2 = 0xFF78A0D4;
constexpr std::uint32_t rampControl3 = 0xFFC8E1FE;

std::uint32_t toByte(float v) {
    if (v >= 1.0f) {
        return 255;
    }
    if (v <= 0.0f) {
        return 0;
    }
    return static_cast<std::uint32_t>(v * 255.0f + 0.5f);
}
} // namespace

ColorBezier::ColorBezier(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3)
    : controls_{fromArgb(c0), fromArgb(c1), fromArgb(c2), fromArgb(c3)} {}

ColorBezier::Color ColorBezier::fromArgb(std::uint32_t argb) {
    constexpr float byteScale = 1.0f / 255.0f;
    auto channel = [argb, byteScale](int shift) {
        return static_cast<float>((argb >> shift) & 0xFFu) * byteScale;
    };
    return {channel(16), channel(8), channel(0), channel(24)};
}

std::uint32_t ColorBezier::colorAt(float t) const {
    const float u = 1.0f - t;
    const float w0 = u * u * u;
    const float w1 = 3.0f * t * u * u;
    const float w2 = 3.0f * t * t * u;
    const float w3 = t * t * t;
    std::array<std::uint32_t, 4> bytes{};
    for (std::size_t k = 0; k < 4; ++k) {
        const float v = w1 * controls_[1][k] + w0 * controls_[0][k] + w2 * controls_[2][k] +
                        w3 * controls_[3][k];
        bytes[k] = toByte(v);
    }
    return bytes[3] << 24 | bytes[0] << 16 | bytes[1] << 8 | bytes[2];
}

std::array<std::uint32_t, gradientTexelCount> gradientTexels() {
    const ColorBezier ramp(rampControl0, rampControl1, rampControl2, rampControl3);
    std::array<std::uint32_t, gradientTexelCount> texels{};
    for (std::int32_t i = 0; i < gradientTexelCount; ++i) {
        const auto t = static_cast<float>(static_cast<double>(i) / 255.0);
        texels[i] = ramp.colorAt(t);
    }
    return texels;
}

std::int32_t buildGradientTexture(RenderDevice& device) {
    const auto texels = gradientTexels();
    return device.createGradientTexture(texels.data());
}
