#pragma once

#include "render/GlName.h"

#include <cstdint>
#include <vector>

class QOpenGLFunctions_4_5_Core;

// The off-screen back buffer: RGBA8 colour and 24-bit depth with 8-bit stencil, at a fixed size
// whatever the window's size. Frames render into it; present copies it into the window. The
// colour is a texture, so a present can also draw it where a blit cannot go.
class GlBackBuffer {
  public:
    GlBackBuffer(QOpenGLFunctions_4_5_Core& gl, std::int32_t width, std::int32_t height);
    GlBackBuffer(const GlBackBuffer&) = delete;
    GlBackBuffer& operator=(const GlBackBuffer&) = delete;

    // Makes it the target of drawing, over its whole size.
    void bindForDrawing();
    // Scales it linearly into the given framebuffer of the given size.
    void blitTo(std::uint32_t framebuffer, std::int32_t width, std::int32_t height);
    // A8R8G8B8 words, top row first.
    std::vector<std::uint32_t> read();

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::uint32_t colourTexture() const { return colour_.get(); }

  private:
    QOpenGLFunctions_4_5_Core& gl_;
    std::int32_t width_;
    std::int32_t height_;
    GlTexture colour_;
    GlRenderbuffer depthStencil_;
    GlFramebuffer framebuffer_;
};
