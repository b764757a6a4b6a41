#pragma once

#include <cstdint>
#include <utility>

class QOpenGLFunctions_4_5_Core;

// The kinds of OpenGL object this program makes; each is deleted by its own call.
enum class GlKind {
    Buffer,
    Texture,
    VertexArray,
    Sampler,
    ProgramPipeline,
    Program,
    Framebuffer,
    Renderbuffer
};

void deleteGlName(QOpenGLFunctions_4_5_Core& gl, GlKind kind, std::uint32_t name) noexcept;

// Owns one OpenGL object name and deletes it when it goes, so a creation that fails half-way
// cleans up by unwinding and teardown is the order members are destroyed in. The context must
// be current whenever a holder that owns a name is destroyed or reset.
template <GlKind Kind> class GlName {
  public:
    GlName() = default;
    // Takes over a name made elsewhere; 0 owns nothing.
    GlName(QOpenGLFunctions_4_5_Core& gl, std::uint32_t name) noexcept : gl_(&gl), name_(name) {}
    ~GlName() { reset(); }
    GlName(GlName&& other) noexcept : gl_(other.gl_), name_(std::exchange(other.name_, 0u)) {}
    GlName& operator=(GlName&& other) noexcept {
        if (this != &other) {
            reset();
            gl_ = other.gl_;
            name_ = std::exchange(other.name_, 0u);
        }
        return *this;
    }
    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;

    std::uint32_t get() const noexcept { return name_; }
    void reset() noexcept {
        if (name_ != 0) {
            deleteGlName(*gl_, Kind, name_);
            name_ = 0;
        }
    }

  private:
    QOpenGLFunctions_4_5_Core* gl_ = nullptr;
    std::uint32_t name_ = 0;
};

using GlBuffer = GlName<GlKind::Buffer>;
using GlTexture = GlName<GlKind::Texture>;
using GlVertexArray = GlName<GlKind::VertexArray>;
using GlSampler = GlName<GlKind::Sampler>;
using GlProgramPipeline = GlName<GlKind::ProgramPipeline>;
using GlProgram = GlName<GlKind::Program>;
using GlFramebuffer = GlName<GlKind::Framebuffer>;
using GlRenderbuffer = GlName<GlKind::Renderbuffer>;

// New names through the direct-state-access calls, so each object exists at once.
GlBuffer createGlBuffer(QOpenGLFunctions_4_5_Core& gl);
// target is GL_TEXTURE_2D, GL_TEXTURE_3D, ...
GlTexture createGlTexture(QOpenGLFunctions_4_5_Core& gl, std::uint32_t target);
GlVertexArray createGlVertexArray(QOpenGLFunctions_4_5_Core& gl);
GlSampler createGlSampler(QOpenGLFunctions_4_5_Core& gl);
GlProgramPipeline createGlProgramPipeline(QOpenGLFunctions_4_5_Core& gl);
GlFramebuffer createGlFramebuffer(QOpenGLFunctions_4_5_Core& gl);
GlRenderbuffer createGlRenderbuffer(QOpenGLFunctions_4_5_Core& gl);
