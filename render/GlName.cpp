#include "render/GlName.h"

#include <QOpenGLFunctions_4_5_Core>

void deleteGlName(QOpenGLFunctions_4_5_Core& gl, GlKind kind, std::uint32_t name) noexcept {
    switch (kind) {
    case GlKind::Buffer:
        gl.glDeleteBuffers(1, &name);
        break;
    case GlKind::Texture:
        gl.glDeleteTextures(1, &name);
        break;
    case GlKind::VertexArray:
        gl.glDeleteVertexArrays(1, &name);
        break;
    case GlKind::Sampler:
        gl.glDeleteSamplers(1, &name);
        break;
    case GlKind::ProgramPipeline:
        gl.glDeleteProgramPipelines(1, &name);
        break;
    case GlKind::Program:
        gl.glDeleteProgram(name);
        break;
    case GlKind::Framebuffer:
        gl.glDeleteFramebuffers(1, &name);
        break;
    case GlKind::Renderbuffer:
        gl.glDeleteRenderbuffers(1, &name);
        break;
    }
}

GlBuffer createGlBuffer(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateBuffers(1, &name);
    return {gl, name};
}

GlTexture createGlTexture(QOpenGLFunctions_4_5_Core& gl, std::uint32_t target) {
    GLuint name = 0;
    gl.glCreateTextures(target, 1, &name);
    return {gl, name};
}

GlVertexArray createGlVertexArray(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateVertexArrays(1, &name);
    return {gl, name};
}

GlSampler createGlSampler(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateSamplers(1, &name);
    return {gl, name};
}

GlProgramPipeline createGlProgramPipeline(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateProgramPipelines(1, &name);
    return {gl, name};
}

GlFramebuffer createGlFramebuffer(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateFramebuffers(1, &name);
    return {gl, name};
}

GlRenderbuffer createGlRenderbuffer(QOpenGLFunctions_4_5_Core& gl) {
    GLuint name = 0;
    gl.glCreateRenderbuffers(1, &name);
    return {gl, name};
}
