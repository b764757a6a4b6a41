#include "render/GlTexturedQuad.h"

#include "common/DemoError.h"
#include "render/GlErrors.h"

#include <QOpenGLFunctions_4_5_Core>
#include <string>

namespace {

// One triangle that covers the target, its corners made from the vertex number: no vertex data.
constexpr const char* vertexSource = R"(#version 450 core
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec2 coordinate;
void main() {
    coordinate = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(coordinate * 2.0 - 1.0, 0.0, 1.0);
}
)";

std::string fragmentSource(std::uint32_t textureUnit) {
    return "#version 450 core\nlayout(binding = " + std::to_string(textureUnit) +
           R"() uniform sampler2D picture;
layout(location = 0) in vec2 coordinate;
layout(location = 0) out vec4 colour;
void main() {
    colour = texture(picture, coordinate);
}
)";
}

GlProgram separableProgram(QOpenGLFunctions_4_5_Core& gl, GLenum stage, const std::string& glsl) {
    const char* source = glsl.c_str();
    GlProgram program(gl, gl.glCreateShaderProgramv(stage, 1, &source));
    GLint linked = GL_FALSE;
    if (program.get() != 0)
        gl.glGetProgramiv(program.get(), GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
        throw DemoError("RenderDevice: the present program does not link");
    return program;
}

// Turns a capability off for the lifetime of the guard, and back on if it was on.
class CapabilityOff {
  public:
    CapabilityOff(QOpenGLFunctions_4_5_Core& gl, GLenum capability)
        : gl_(gl), capability_(capability), wasOn_(gl.glIsEnabled(capability) == GL_TRUE) {
        gl_.glDisable(capability_);
    }
    ~CapabilityOff() {
        if (wasOn_)
            gl_.glEnable(capability_);
    }
    CapabilityOff(const CapabilityOff&) = delete;
    CapabilityOff& operator=(const CapabilityOff&) = delete;

  private:
    QOpenGLFunctions_4_5_Core& gl_;
    GLenum capability_;
    bool wasOn_;
};

} // namespace

GlTexturedQuad::GlTexturedQuad(QOpenGLFunctions_4_5_Core& gl, std::uint32_t textureUnit)
    : gl_(gl), textureUnit_(textureUnit),
      vertexProgram_(separableProgram(gl, GL_VERTEX_SHADER, vertexSource)),
      fragmentProgram_(separableProgram(gl, GL_FRAGMENT_SHADER, fragmentSource(textureUnit))),
      pipeline_(createGlProgramPipeline(gl)), noVertices_(createGlVertexArray(gl)),
      sampler_(createGlSampler(gl)) {
    gl_.glUseProgramStages(pipeline_.get(), GL_VERTEX_SHADER_BIT, vertexProgram_.get());
    gl_.glUseProgramStages(pipeline_.get(), GL_FRAGMENT_SHADER_BIT, fragmentProgram_.get());
    gl_.glSamplerParameteri(sampler_.get(), GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl_.glSamplerParameteri(sampler_.get(), GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_.glSamplerParameteri(sampler_.get(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl_.glSamplerParameteri(sampler_.get(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl_.glBindSampler(textureUnit_, sampler_.get());
    throwOnGlError(gl_, "RenderDevice (present program)");
}

void GlTexturedQuad::draw(std::uint32_t texture, std::uint32_t framebuffer, std::int32_t width,
                          std::int32_t height) {
    GLint frameProgram = 0;
    GLint frameVertexArray = 0;
    gl_.glGetIntegerv(GL_PROGRAM_PIPELINE_BINDING, &frameProgram);
    gl_.glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &frameVertexArray);
    {
        const CapabilityOff depthTest(gl_, GL_DEPTH_TEST);
        const CapabilityOff culling(gl_, GL_CULL_FACE);
        gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        gl_.glViewport(0, 0, width, height);
        gl_.glBindTextureUnit(textureUnit_, texture);
        gl_.glBindProgramPipeline(pipeline_.get());
        gl_.glBindVertexArray(noVertices_.get());
        gl_.glDrawArrays(GL_TRIANGLES, 0, 3);
    }
    gl_.glBindVertexArray(static_cast<GLuint>(frameVertexArray));
    gl_.glBindProgramPipeline(static_cast<GLuint>(frameProgram));
    throwOnGlError(gl_, "present");
}
