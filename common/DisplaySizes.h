#pragma once

#include <cstdint>

struct PixelSize {
    std::int32_t width;
    std::int32_t height;
};

// Every frame is drawn at this size and scaled into whatever client area the window has.
inline constexpr PixelSize backBufferSize{800, 600};

// The main window's outer size, frame included, when it is first shown: its client area is
// smaller than the back buffer.
inline constexpr PixelSize mainWindowFrameSize{800, 600};
