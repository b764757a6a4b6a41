#pragma once

#include "common/DisplaySizes.h"
#include "render/ShaderD3D9.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QWindow;
class QOpenGLContext;
class QOpenGLFunctions_4_5_Core;

// What the device is created on: the window, and the size of the back buffer it renders into.
// Without a window the device draws on an offscreen surface, for frames that are only read back.
struct WindowTarget {
    QWindow* window = nullptr;
    std::int32_t width = backBufferSize.width;
    std::int32_t height = backBufferSize.height;
};

// One element of a vertex declaration, as five integers in this order.
struct MeshVertexElement {
    std::int32_t offset;     // bytes from the start of the vertex
    std::int32_t type;       // DeclType
    std::int32_t usage;      // DeclUsage
    std::int32_t usageIndex; // e.g. the n of TEXCOORDn
    std::int32_t stream;
};

// Declaration types and usages keep their Direct3D 9 numbers, so declarations read as tables.
enum DeclType : std::int32_t { DeclFloat1 = 0, DeclFloat3 = 2, DeclFloat4 = 3 };
enum DeclUsage : std::int32_t { UsagePosition = 0, UsageNormal = 3, UsageTexcoord = 5 };
// Texture address modes, with their Direct3D 9 numbers.
enum TextureAddress : std::uint32_t {
    AddressWrap = 1,
    AddressMirror = 2,
    AddressClamp = 3,
    AddressBorder = 4,
    AddressMirrorOnce = 5
};

// The GPU: an OpenGL 4.5 core context on the main window, a back buffer of a fixed size that is
// scaled into the window on present, and tables of every resource made on it. Resources other
// than shaders are handed out as indices into their table, counted from 0 per table; they stay
// valid until the device is destroyed. Every failure throws DemoError.
class RenderDevice {
  public:
    explicit RenderDevice(const WindowTarget& target);
    virtual ~RenderDevice();
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    std::int32_t createVertexBuffer(std::int32_t vertexCount, std::int32_t stride,
                                    const void* data);
    // Keeps the low 16 bits of each index.
    std::int32_t createIndexBuffer(std::int32_t indexCount, const std::int32_t* indices);
    std::int32_t createVertexDeclaration(std::int32_t elementCount,
                                         const MeshVertexElement* elements);
    // 128 x 128 x 128 A8R8G8B8 texels, x fastest, then y, then z.
    std::int32_t createVolumeTexture(const std::uint8_t* texels);
    // 256 x 1 A8R8G8B8 texels.
    std::int32_t createGradientTexture(const std::uint32_t* texels);
    // texelCount texels of 1 to 4 32-bit unsigned words (R32UI to RGBA32UI), read in a shader as
    // a Buffer<uint4>; at most maxBufferTextureTexels() of them. fill writes the
    // wordsPerTexel * texelCount words in place, so a large texture needs no second copy on its
    // way.
    std::int32_t createBufferTexture(std::int32_t texelCount, std::int32_t wordsPerTexel,
                                     const std::function<void(std::uint32_t* words)>& fill);
    std::int32_t maxBufferTextureTexels() const;
    // Compiles an HLSL file ("Main", vs_3_0 or ps_3_0); the device owns the result.
    ShaderD3D9* createShader(const std::filesystem::path& path, ShaderType type);

    void bindVertexBuffer(std::uint32_t stream, std::int32_t index);
    void bindIndexBuffer(std::int32_t index);
    void bindVertexDeclaration(std::int32_t index);
    void bindTexture(std::uint32_t stage, std::int32_t index);
    void setAddressMode(std::uint32_t sampler, std::uint32_t mode);
    void setLinearFilter(std::uint32_t sampler);
    void bindShader(ShaderD3D9* shader);
    // A triangle list over the current index buffer; the vertex count is that of the vertex
    // buffer bound last, on whichever stream.
    void drawIndexed();

    // Frame steps, in the order a frame issues them.
    void clear(std::uint32_t argb, float depth, std::uint8_t stencil);
    void beginScene();
    void endScene();
    void present();

    std::int32_t currentVertexBuffer() const;
    std::int32_t currentIndexBuffer() const;
    std::int32_t backBufferWidth() const;
    std::int32_t backBufferHeight() const;

    // The back buffer as A8R8G8B8 words, top row first: what the next present would show.
    std::vector<std::uint32_t> readBackBuffer();

    // For checks: the 16-bit indices an index buffer holds, and what the last drawIndexed drew.
    std::vector<std::uint16_t> readIndexBuffer(std::int32_t index);
    struct DrawCall {
        std::int32_t vertexCount = 0;
        std::int32_t triangleCount = 0;
    };
    DrawCall lastDraw() const { return lastDraw_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    DrawCall lastDraw_;
};
