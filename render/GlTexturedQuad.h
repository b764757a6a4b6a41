#pragma once

#include "render/GlName.h"

#include <cstdint>

class QOpenGLFunctions_4_5_Core;

// Draws a 2-D texture over the whole of a framebuffer, scaled linearly: a present that works
// where a blit cannot go, as into a multisampled window. It samples on a texture unit of its
// own and puts back the program pipeline, vertex array and tests it changes, so the frame's
// state is untouched; the viewport is left at the target's size.
class GlTexturedQuad {
  public:
    GlTexturedQuad(QOpenGLFunctions_4_5_Core& gl, std::uint32_t textureUnit);
    GlTexturedQuad(const GlTexturedQuad&) = delete;
    GlTexturedQuad& operator=(const GlTexturedQuad&) = delete;

    void draw(std::uint32_t texture, std::uint32_t framebuffer, std::int32_t width,
              std::int32_t height);

  private:
    QOpenGLFunctions_4_5_Core& gl_;
    std::uint32_t textureUnit_;
    GlProgram vertexProgram_;
    GlProgram fragmentProgram_;
    GlProgramPipeline pipeline_;
    GlVertexArray noVertices_;
    GlSampler sampler_;
};
