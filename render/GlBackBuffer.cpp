#include "render/GlBackBuffer.h"

#include "common/DemoError.h"
#include "render/GlErrors.h"

#include <QOpenGLFunctions_4_5_Core>
#include <algorithm>

GlBackBuffer::GlBackBuffer(QOpenGLFunctions_4_5_Core& gl, std::int32_t width, std::int32_t height)
    : gl_(gl), width_(width), height_(height), colour_(createGlTexture(gl, GL_TEXTURE_2D)),
      depthStencil_(createGlRenderbuffer(gl)), framebuffer_(createGlFramebuffer(gl)) {
    gl_.glTextureStorage2D(colour_.get(), 1, GL_RGBA8, width_, height_);
    gl_.glNamedRenderbufferStorage(depthStencil_.get(), GL_DEPTH24_STENCIL8, width_, height_);
    gl_.glNamedFramebufferTexture(framebuffer_.get(), GL_COLOR_ATTACHMENT0, colour_.get(), 0);
    gl_.glNamedFramebufferRenderbuffer(framebuffer_.get(), GL_DEPTH_STENCIL_ATTACHMENT,
                                       GL_RENDERBUFFER, depthStencil_.get());
    const GLenum status =
        gl_.glCheckNamedFramebufferStatus(framebuffer_.get(), GL_DRAW_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        throw DemoError("the back buffer cannot be created");
    }
    bindForDrawing();
    throwOnGlError(gl_, "RenderDevice (back buffer)");
}

void GlBackBuffer::bindForDrawing() {
    gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_.get());
    gl_.glViewport(0, 0, width_, height_);
}

void GlBackBuffer::blitTo(std::uint32_t framebuffer, std::int32_t width, std::int32_t height) {
    gl_.glBlitNamedFramebuffer(framebuffer_.get(), framebuffer, 0, 0, width_, height_, 0, 0, width,
                               height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    throwOnGlError(gl_, "present");
}

std::vector<std::uint32_t> GlBackBuffer::read() {
    const auto rowLength = static_cast<std::size_t>(width_);
    std::vector<std::uint32_t> bottomUp(rowLength * static_cast<std::size_t>(height_));
    gl_.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
    gl_.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes are the little-endian A8R8G8B8 word.
    gl_.glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
    throwOnGlError(gl_, "readBackBuffer");
    std::vector<std::uint32_t> topDown(bottomUp.size());
    for (std::size_t row = 0; row < static_cast<std::size_t>(height_); ++row) {
        const auto source = bottomUp.begin() + static_cast<std::ptrdiff_t>(row * rowLength);
        std::copy(source, source + static_cast<std::ptrdiff_t>(rowLength),
                  topDown.begin() + static_cast<std::ptrdiff_t>(
                                        (static_cast<std::size_t>(height_) - 1 - row) * rowLength));
    }
    return topDown;
}
