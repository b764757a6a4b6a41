#include "render/RenderDevice.h"

#include "common/DemoError.h"
#include "common/VectorState.h"
#include "render/GlBackBuffer.h"
#include "render/GlErrors.h"
#include "render/GlName.h"
#include "render/GlTexturedQuad.h"
#include "render/HlslCompiler.h"
#include "render/ShaderSemantics.h"
#include "render/SurfaceFormat.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_5_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QWindow>
#include <array>
#include <cmath>
#include <limits>
#include <string>

namespace {
// Direct3D 9 has 16 vertex streams, 16 pixel sampler stages and 4 vertex sampler stages.
constexpr std::uint32_t streamCount = 16;
constexpr std::uint32_t samplerStageCount = pixelSamplerCount + vertexSamplerCount;
constexpr std::int32_t volumeSize = 128;
constexpr std::int32_t gradientWidth = 256;
constexpr std::int32_t gradientMipLevels = 9; // the full chain of a 256-texel line

struct VertexBufferEntry {
    GlBuffer buffer;
    std::int32_t vertexCount;
    std::int32_t stride;
};

struct IndexBufferEntry {
    GlBuffer buffer;
    std::int32_t indexCount;
    std::int32_t triangleCount;
};

struct StreamSource {
    GLuint buffer = 0;
    GLsizei stride = 0;
};

template <typename Table>
void checkIndex(const Table& table, std::int32_t index, const char* operation) {
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) {
        throw DemoError(std::string(operation) + ": index " + std::to_string(index) +
                        " is outside a table of " + std::to_string(table.size()));
    }
}

std::int32_t lastIndex(std::size_t tableSize) {
    return static_cast<std::int32_t>(tableSize - 1);
}

GLint componentCount(std::int32_t declType) {
    switch (declType) {
    case DeclFloat1:
        return 1;
    case DeclFloat3:
        return 3;
    case DeclFloat4:
        return 4;
    default:
        throw DemoError("createVertexDeclaration: unsupported element type " +
                        std::to_string(declType));
    }
}

GLint glAddressMode(std::uint32_t mode) {
    switch (mode) {
    case AddressWrap:
        return GL_REPEAT;
    case AddressMirror:
        return GL_MIRRORED_REPEAT;
    case AddressClamp:
        return GL_CLAMP_TO_EDGE;
    case AddressBorder:
        return GL_CLAMP_TO_BORDER;
    case AddressMirrorOnce:
        return GL_MIRROR_CLAMP_TO_EDGE;
    default:
        throw DemoError("setAddressMode: unknown address mode " + std::to_string(mode));
    }
}
} // namespace

struct RenderDevice::Impl {
    // The window shown, or nothing and an offscreen surface: frames are then only read back.
    QWindow* window = nullptr;
    std::unique_ptr<QOffscreenSurface> offscreen;
    std::unique_ptr<QOpenGLContext> context;
    QOpenGLFunctions_4_5_Core* gl = nullptr;

    // Every object made on the context. Members go bottom-up, which is the teardown order:
    // shaders, vertex buffers, index buffers, declarations, textures, then the device's own
    // samplers, pipeline, present quad and back buffer, and the context last of all.
    std::unique_ptr<GlBackBuffer> backBuffer;
    // Only for a window whose framebuffer is multisampled, which no blit may write into.
    std::unique_ptr<GlTexturedQuad> presentQuad;
    GlProgramPipeline pipeline;
    std::array<GlSampler, samplerStageCount> samplers;
    std::vector<GlBuffer> textureBuffers; // the storage of buffer textures
    std::vector<GlTexture> textures;
    std::vector<GlVertexArray> vertexDeclarations;
    std::vector<IndexBufferEntry> indexBuffers;
    std::vector<VertexBufferEntry> vertexBuffers;
    std::vector<std::unique_ptr<ShaderD3D9>> shaders;

    std::int32_t currentVertexBuffer = 0;
    std::int32_t currentIndexBuffer = 0;

    // Streams and indices are device state, as in Direct3D; in OpenGL they belong to the vertex
    // array object of the bound declaration, so they are applied to it whenever either changes.
    std::array<StreamSource, streamCount> streams{};
    GLuint boundIndices = 0;
    GLuint boundDeclaration = 0;
    bool hasDeclaration = false;

    void createContext(const WindowTarget& target);
    void createOffscreenContext();
    bool windowIsMultisampled();
    void setInitialState();
    void checkSamplerStage(std::uint32_t sampler, const char* operation) const {
        if (sampler >= samplerStageCount) {
            throw DemoError(std::string(operation) + ": sampler stage " + std::to_string(sampler) +
                            " out of range");
        }
    }
};

void RenderDevice::Impl::createContext(const WindowTarget& target) {
    if (target.width <= 0 || target.height <= 0) {
        throw DemoError("RenderDevice: back buffer size " + std::to_string(target.width) + "x" +
                        std::to_string(target.height) + " is not positive");
    }
    if (target.window == nullptr) {
        createOffscreenContext();
        return;
    }
    window = target.window;
    QSurfaceFormat format = deviceSurfaceFormat();
    if (window->handle() == nullptr) {
        window->setFormat(format);
        window->create();
    }
    // A context can only be made current on a window of a like pixel format, and the window may
    // have samples although none were asked for: it was made elsewhere, or a driver forces them.
    format.setSamples(window->format().samples());
    context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (!context->create()) {
        throw DemoError("RenderDevice: cannot create an OpenGL context");
    }
    const QSurfaceFormat actual = context->format();
    if (actual.version() < qMakePair(4, 5) || actual.profile() != QSurfaceFormat::CoreProfile) {
        throw DemoError("RenderDevice: OpenGL 4.5 core profile is not available");
    }
    if (!context->makeCurrent(window)) {
        throw DemoError("RenderDevice: cannot make the OpenGL context current on the window");
    }
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(context.get());
    if (gl == nullptr || !gl->initializeOpenGLFunctions()) {
        throw DemoError("RenderDevice: OpenGL 4.5 functions are not available");
    }
}

void RenderDevice::Impl::createOffscreenContext() {
    const QSurfaceFormat format = deviceSurfaceFormat();
    context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (!context->create()) {
        throw DemoError("RenderDevice: Qt's " + QGuiApplication::platformName().toStdString() +
                        " platform offers no OpenGL context without a window here: give it a "
                        "display, a virtual one through `xvfb-run -a` will do");
    }
    const QSurfaceFormat actual = context->format();
    if (actual.version() < qMakePair(4, 5) || actual.profile() != QSurfaceFormat::CoreProfile) {
        throw DemoError("RenderDevice: OpenGL 4.5 core profile is not available");
    }
    offscreen = std::make_unique<QOffscreenSurface>();
    offscreen->setFormat(actual);
    offscreen->create();
    if (!offscreen->isValid() || !context->makeCurrent(offscreen.get())) {
        throw DemoError("RenderDevice: the platform offers no offscreen surface to draw on");
    }
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(context.get());
    if (gl == nullptr || !gl->initializeOpenGLFunctions()) {
        throw DemoError("RenderDevice: OpenGL 4.5 functions are not available");
    }
}

bool RenderDevice::Impl::windowIsMultisampled() {
    if (window == nullptr)
        return false;
    GLint sampleBuffers = 0;
    gl->glGetNamedFramebufferParameteriv(context->defaultFramebufferObject(), GL_SAMPLE_BUFFERS,
                                         &sampleBuffers);
    throwOnGlError(*gl, "RenderDevice (window framebuffer)");
    return sampleBuffers > 0;
}

void RenderDevice::Impl::setInitialState() {
    // Direct3D's conventions: clip depth 0 .. 1, depth test less-or-equal, and triangles that
    // appear clockwise on screen are culled.
    gl->glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glEnable(GL_CULL_FACE);
    gl->glFrontFace(GL_CCW);
    gl->glCullFace(GL_BACK);
    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    pipeline = createGlProgramPipeline(*gl);
    gl->glBindProgramPipeline(pipeline.get());

    // Direct3D's default sampler state: point filtering, no mip filter, wrap addressing.
    for (std::uint32_t unit = 0; unit < samplerStageCount; ++unit) {
        samplers[unit] = createGlSampler(*gl);
        const GLuint sampler = samplers[unit].get();
        gl->glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl->glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
        gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_REPEAT);
        gl->glBindSampler(unit, sampler);
    }
    throwOnGlError(*gl, "RenderDevice");
}

RenderDevice::RenderDevice(const WindowTarget& target) : impl_(std::make_unique<Impl>()) {
    clearUpperVectorState();
    impl_->createContext(target);
    impl_->backBuffer = std::make_unique<GlBackBuffer>(*impl_->gl, target.width, target.height);
    // Drivers can force anti-aliasing on the window whatever the program asks for.
    if (impl_->windowIsMultisampled())
        impl_->presentQuad = std::make_unique<GlTexturedQuad>(*impl_->gl, samplerStageCount);
    impl_->setInitialState();
}

RenderDevice::~RenderDevice() {
    // GL objects can only be deleted with the context current. Closing a window destroys its
    // surface, so the device may outlive it: an offscreen surface serves then.
    QOffscreenSurface offscreen;
    bool current = impl_->window != nullptr ? impl_->window->handle() != nullptr &&
                                                  impl_->context->makeCurrent(impl_->window)
                                            : impl_->context->makeCurrent(impl_->offscreen.get());
    if (!current) {
        offscreen.setFormat(impl_->context->format());
        offscreen.create();
        current = offscreen.isValid() && impl_->context->makeCurrent(&offscreen);
    }
    if (current) {
        impl_.reset();
    } else {
        // Without a current context no GL call may be made; destroying the context frees the
        // GL objects, and the holders that would delete them are let go.
        const std::unique_ptr<QOpenGLContext> context = std::move(impl_->context);
        static_cast<void>(impl_.release());
    }
}

std::int32_t RenderDevice::createVertexBuffer(std::int32_t vertexCount, std::int32_t stride,
                                              const void* data) {
    const std::int64_t size = std::int64_t{vertexCount} * stride;
    if (vertexCount <= 0 || stride <= 0 || data == nullptr ||
        size > std::numeric_limits<GLsizei>::max()) {
        throw DemoError("createVertexBuffer: " + std::to_string(vertexCount) + " vertices of " +
                        std::to_string(stride) + " bytes cannot make a buffer");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlBuffer buffer = createGlBuffer(gl);
    // Qt declares the size as GLsizei, which bounds a buffer at 2 GB.
    gl.glNamedBufferStorage(buffer.get(), static_cast<GLsizei>(size), data, 0);
    throwOnGlError(gl, "createVertexBuffer");
    impl_->vertexBuffers.push_back({std::move(buffer), vertexCount, stride});
    return lastIndex(impl_->vertexBuffers.size());
}

std::int32_t RenderDevice::createIndexBuffer(std::int32_t indexCount, const std::int32_t* indices) {
    if (indexCount <= 0 || indexCount > std::numeric_limits<GLsizei>::max() / 2 ||
        indices == nullptr) {
        throw DemoError("createIndexBuffer: " + std::to_string(indexCount) +
                        " indices cannot make a buffer");
    }
    std::vector<std::uint16_t> shortIndices(static_cast<std::size_t>(indexCount));
    for (std::size_t k = 0; k < shortIndices.size(); ++k) {
        shortIndices[k] = static_cast<std::uint16_t>(indices[k] & 0xFFFF);
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlBuffer buffer = createGlBuffer(gl);
    gl.glNamedBufferStorage(buffer.get(),
                            static_cast<GLsizei>(shortIndices.size() * sizeof(std::uint16_t)),
                            shortIndices.data(), 0);
    throwOnGlError(gl, "createIndexBuffer");
    // Trailing indices that do not complete a triangle are kept but never drawn.
    impl_->indexBuffers.push_back({std::move(buffer), indexCount, indexCount / 3});
    return lastIndex(impl_->indexBuffers.size());
}

std::int32_t RenderDevice::createVertexDeclaration(std::int32_t elementCount,
                                                   const MeshVertexElement* elements) {
    if (elementCount <= 0 || elements == nullptr) {
        throw DemoError("createVertexDeclaration: no elements");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlVertexArray declaration = createGlVertexArray(gl);
    const GLuint vertexArray = declaration.get();
    for (std::int32_t k = 0; k < elementCount; ++k) {
        const MeshVertexElement& element = elements[k];
        const std::optional<std::uint32_t> location =
            attributeLocation(element.usage, element.usageIndex);
        if (!location) {
            throw DemoError("createVertexDeclaration: usage " + std::to_string(element.usage) +
                            " index " + std::to_string(element.usageIndex) +
                            " has no attribute slot");
        }
        if (element.stream < 0 || static_cast<std::uint32_t>(element.stream) >= streamCount ||
            element.offset < 0) {
            throw DemoError("createVertexDeclaration: element " + std::to_string(k) +
                            " has stream " + std::to_string(element.stream) + ", offset " +
                            std::to_string(element.offset));
        }
        gl.glVertexArrayAttribFormat(vertexArray, *location, componentCount(element.type), GL_FLOAT,
                                     GL_FALSE, static_cast<GLuint>(element.offset));
        gl.glVertexArrayAttribBinding(vertexArray, *location, static_cast<GLuint>(element.stream));
        gl.glEnableVertexArrayAttrib(vertexArray, *location);
    }
    throwOnGlError(gl, "createVertexDeclaration");
    impl_->vertexDeclarations.push_back(std::move(declaration));
    return lastIndex(impl_->vertexDeclarations.size());
}

std::int32_t RenderDevice::createVolumeTexture(const std::uint8_t* texels) {
    if (texels == nullptr) {
        throw DemoError("createVolumeTexture: no texels");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlTexture holder = createGlTexture(gl, GL_TEXTURE_3D);
    const GLuint texture = holder.get();
    gl.glTextureStorage3D(texture, 1, GL_RGBA8, volumeSize, volumeSize, volumeSize);
    // The driver stores RGBA8 in RGBA byte order: 8 MB uploaded as BGRA would be converted
    // texel by texel. They go in as they are and the sampler swaps red and blue back.
    gl.glTextureParameteri(texture, GL_TEXTURE_SWIZZLE_R, GL_BLUE);
    gl.glTextureParameteri(texture, GL_TEXTURE_SWIZZLE_B, GL_RED);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.glTextureSubImage3D(texture, 0, 0, 0, 0, volumeSize, volumeSize, volumeSize, GL_RGBA,
                           GL_UNSIGNED_BYTE, texels);
    throwOnGlError(gl, "createVolumeTexture");
    impl_->textures.push_back(std::move(holder));
    return lastIndex(impl_->textures.size());
}

std::int32_t RenderDevice::createGradientTexture(const std::uint32_t* texels) {
    if (texels == nullptr) {
        throw DemoError("createGradientTexture: no texels");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlTexture holder = createGlTexture(gl, GL_TEXTURE_2D);
    const GLuint texture = holder.get();
    // A full mip chain is allocated but only level 0 is filled: sampling never uses mip levels.
    gl.glTextureStorage2D(texture, gradientMipLevels, GL_RGBA8, gradientWidth, 1);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.glTextureSubImage2D(texture, 0, 0, 0, gradientWidth, 1, GL_BGRA, GL_UNSIGNED_BYTE, texels);
    throwOnGlError(gl, "createGradientTexture");
    impl_->textures.push_back(std::move(holder));
    return lastIndex(impl_->textures.size());
}

std::int32_t
RenderDevice::createBufferTexture(std::int32_t texelCount, std::int32_t wordsPerTexel,
                                  const std::function<void(std::uint32_t* words)>& fill) {
    static constexpr GLenum formats[] = {GL_R32UI, GL_RG32UI, GL_RGB32UI, GL_RGBA32UI};
    if (wordsPerTexel < 1 || wordsPerTexel > 4 || texelCount <= 0 ||
        texelCount > maxBufferTextureTexels() ||
        std::int64_t{texelCount} * 4 * wordsPerTexel > std::numeric_limits<GLsizei>::max()) {
        throw DemoError("createBufferTexture: " + std::to_string(texelCount) + " texels of " +
                        std::to_string(wordsPerTexel) + " words cannot make a buffer texture");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    GlBuffer buffer = createGlBuffer(gl);
    const auto size = static_cast<GLsizei>(std::int64_t{texelCount} * 4 * wordsPerTexel);
    gl.glNamedBufferStorage(buffer.get(), size, nullptr, GL_MAP_WRITE_BIT);
    void* mapped = gl.glMapNamedBufferRange(buffer.get(), 0, size,
                                            GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
    if (mapped == nullptr) {
        throwOnGlError(gl, "createBufferTexture (map)");
        throw DemoError("createBufferTexture: the buffer cannot be mapped");
    }
    try {
        fill(static_cast<std::uint32_t*>(mapped));
    } catch (...) {
        gl.glUnmapNamedBuffer(buffer.get());
        throw;
    }
    if (gl.glUnmapNamedBuffer(buffer.get()) != GL_TRUE)
        throw DemoError("createBufferTexture: the texels were lost on their way to the GPU");
    GlTexture holder = createGlTexture(gl, GL_TEXTURE_BUFFER);
    gl.glTextureBuffer(holder.get(), formats[wordsPerTexel - 1], buffer.get());
    throwOnGlError(gl, "createBufferTexture");
    impl_->textureBuffers.push_back(std::move(buffer));
    impl_->textures.push_back(std::move(holder));
    return lastIndex(impl_->textures.size());
}

std::int32_t RenderDevice::maxBufferTextureTexels() const {
    GLint texels = 0;
    impl_->gl->glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &texels);
    return texels;
}

ShaderD3D9* RenderDevice::createShader(const std::filesystem::path& path, ShaderType type) {
    CompiledShader compiled = compileHlslFile(path, type);
    auto shader = std::make_unique<ShaderD3D9>(type, *impl_->gl, compiled.glsl,
                                               std::move(compiled.constants), path.string());
    throwOnGlError(*impl_->gl, "createShader");
    impl_->shaders.push_back(std::move(shader));
    return impl_->shaders.back().get();
}

void RenderDevice::bindVertexBuffer(std::uint32_t stream, std::int32_t index) {
    checkIndex(impl_->vertexBuffers, index, "bindVertexBuffer");
    if (stream >= streamCount) {
        throw DemoError("bindVertexBuffer: stream " + std::to_string(stream) + " out of range");
    }
    const VertexBufferEntry& entry = impl_->vertexBuffers[static_cast<std::size_t>(index)];
    impl_->streams[stream] = {entry.buffer.get(), entry.stride};
    if (impl_->hasDeclaration) {
        impl_->gl->glVertexArrayVertexBuffer(impl_->boundDeclaration, stream, entry.buffer.get(), 0,
                                             entry.stride);
        throwOnGlError(*impl_->gl, "bindVertexBuffer");
    }
    impl_->currentVertexBuffer = index;
}

void RenderDevice::bindIndexBuffer(std::int32_t index) {
    checkIndex(impl_->indexBuffers, index, "bindIndexBuffer");
    impl_->boundIndices = impl_->indexBuffers[static_cast<std::size_t>(index)].buffer.get();
    if (impl_->hasDeclaration) {
        impl_->gl->glVertexArrayElementBuffer(impl_->boundDeclaration, impl_->boundIndices);
        throwOnGlError(*impl_->gl, "bindIndexBuffer");
    }
    impl_->currentIndexBuffer = index;
}

void RenderDevice::bindVertexDeclaration(std::int32_t index) {
    checkIndex(impl_->vertexDeclarations, index, "bindVertexDeclaration");
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    const GLuint vertexArray = impl_->vertexDeclarations[static_cast<std::size_t>(index)].get();
    gl.glBindVertexArray(vertexArray);
    for (std::uint32_t stream = 0; stream < streamCount; ++stream) {
        const StreamSource& source = impl_->streams[stream];
        if (source.buffer != 0) {
            gl.glVertexArrayVertexBuffer(vertexArray, stream, source.buffer, 0, source.stride);
        }
    }
    gl.glVertexArrayElementBuffer(vertexArray, impl_->boundIndices);
    throwOnGlError(gl, "bindVertexDeclaration");
    impl_->boundDeclaration = vertexArray;
    impl_->hasDeclaration = true;
}

void RenderDevice::bindTexture(std::uint32_t stage, std::int32_t index) {
    checkIndex(impl_->textures, index, "bindTexture");
    impl_->checkSamplerStage(stage, "bindTexture");
    impl_->gl->glBindTextureUnit(stage, impl_->textures[static_cast<std::size_t>(index)].get());
    throwOnGlError(*impl_->gl, "bindTexture");
}

void RenderDevice::setAddressMode(std::uint32_t sampler, std::uint32_t mode) {
    impl_->checkSamplerStage(sampler, "setAddressMode");
    const GLint glMode = glAddressMode(mode);
    // U and V only; W keeps its default, wrap.
    const GLuint glSampler = impl_->samplers[sampler].get();
    impl_->gl->glSamplerParameteri(glSampler, GL_TEXTURE_WRAP_S, glMode);
    impl_->gl->glSamplerParameteri(glSampler, GL_TEXTURE_WRAP_T, glMode);
    throwOnGlError(*impl_->gl, "setAddressMode");
}

void RenderDevice::setLinearFilter(std::uint32_t sampler) {
    impl_->checkSamplerStage(sampler, "setLinearFilter");
    // Linear within level 0; there is no mip filter.
    const GLuint glSampler = impl_->samplers[sampler].get();
    impl_->gl->glSamplerParameteri(glSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    impl_->gl->glSamplerParameteri(glSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    throwOnGlError(*impl_->gl, "setLinearFilter");
}

void RenderDevice::bindShader(ShaderD3D9* shader) {
    if (shader == nullptr) {
        throw DemoError("bindShader: no shader");
    }
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    const GLbitfield stage =
        shader->type() == ShaderType::Vertex ? GL_VERTEX_SHADER_BIT : GL_FRAGMENT_SHADER_BIT;
    gl.glUseProgramStages(impl_->pipeline.get(), stage, shader->program());
    if (shader->uniformBuffer() != 0) {
        gl.glBindBufferBase(GL_UNIFORM_BUFFER, uniformBinding(shader->type()),
                            shader->uniformBuffer());
    }
    throwOnGlError(gl, "bindShader");
}

void RenderDevice::drawIndexed() {
    checkIndex(impl_->vertexBuffers, impl_->currentVertexBuffer, "drawIndexed (vertex buffer)");
    checkIndex(impl_->indexBuffers, impl_->currentIndexBuffer, "drawIndexed (index buffer)");
    if (!impl_->hasDeclaration) {
        throw DemoError("drawIndexed: no vertex declaration bound");
    }
    const VertexBufferEntry& vertices =
        impl_->vertexBuffers[static_cast<std::size_t>(impl_->currentVertexBuffer)];
    const IndexBufferEntry& indices =
        impl_->indexBuffers[static_cast<std::size_t>(impl_->currentIndexBuffer)];
    lastDraw_ = {vertices.vertexCount, indices.triangleCount};
    impl_->gl->glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(vertices.vertexCount - 1),
                                   indices.triangleCount * 3, GL_UNSIGNED_SHORT, nullptr);
    throwOnGlError(*impl_->gl, "drawIndexed");
}

void RenderDevice::clear(std::uint32_t argb, float depth, std::uint8_t stencil) {
    QOpenGLFunctions_4_5_Core& gl = *impl_->gl;
    auto channel = [argb](int shift) {
        return static_cast<float>((argb >> shift) & 0xFFu) / 255.0f;
    };
    impl_->backBuffer->bindForDrawing();
    gl.glClearColor(channel(16), channel(8), channel(0), channel(24));
    gl.glClearDepth(depth);
    gl.glClearStencil(stencil);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    throwOnGlError(gl, "clear");
}

void RenderDevice::beginScene() {
    impl_->backBuffer->bindForDrawing();
    throwOnGlError(*impl_->gl, "beginScene");
}

void RenderDevice::endScene() {
    // Hands the frame's commands to the GPU now rather than at present.
    impl_->gl->glFlush();
    throwOnGlError(*impl_->gl, "endScene");
}

void RenderDevice::present() {
    // Without a window a frame is only ever read back, which waits for it.
    if (impl_->window == nullptr)
        return;
    QWindow& window = *impl_->window;
    // Swapping a window that is not on screen is undefined; the frame is simply not shown. The
    // swap is also what holds the loop back to the pace the GPU keeps: without it every frame
    // would queue up in the driver, hundreds of megabytes while the window is minimised. So the
    // frame is waited for here instead.
    if (!window.isExposed()) {
        impl_->gl->glFinish();
        throwOnGlError(*impl_->gl, "present");
        return;
    }
    const qreal ratio = window.devicePixelRatio();
    const auto width = static_cast<std::int32_t>(std::lround(window.width() * ratio));
    const auto height = static_cast<std::int32_t>(std::lround(window.height() * ratio));
    const GLuint windowFramebuffer = impl_->context->defaultFramebufferObject();
    if (impl_->presentQuad)
        impl_->presentQuad->draw(impl_->backBuffer->colourTexture(), windowFramebuffer, width,
                                 height);
    else
        impl_->backBuffer->blitTo(windowFramebuffer, width, height);
    impl_->context->swapBuffers(&window);
    impl_->backBuffer->bindForDrawing();
    throwOnGlError(*impl_->gl, "present");
}

std::int32_t RenderDevice::currentVertexBuffer() const {
    return impl_->currentVertexBuffer;
}

std::int32_t RenderDevice::currentIndexBuffer() const {
    return impl_->currentIndexBuffer;
}

std::int32_t RenderDevice::backBufferWidth() const {
    return impl_->backBuffer->width();
}

std::int32_t RenderDevice::backBufferHeight() const {
    return impl_->backBuffer->height();
}

std::vector<std::uint32_t> RenderDevice::readBackBuffer() {
    std::vector<std::uint32_t> pixels = impl_->backBuffer->read();
    impl_->backBuffer->bindForDrawing();
    throwOnGlError(*impl_->gl, "readBackBuffer");
    return pixels;
}

std::vector<std::uint16_t> RenderDevice::readIndexBuffer(std::int32_t index) {
    checkIndex(impl_->indexBuffers, index, "readIndexBuffer");
    const IndexBufferEntry& entry = impl_->indexBuffers[static_cast<std::size_t>(index)];
    std::vector<std::uint16_t> indices(static_cast<std::size_t>(entry.indexCount));
    impl_->gl->glGetNamedBufferSubData(entry.buffer.get(), 0,
                                       static_cast<GLsizei>(indices.size() * sizeof(std::uint16_t)),
                                       indices.data());
    throwOnGlError(*impl_->gl, "readIndexBuffer");
    return indices;
}
