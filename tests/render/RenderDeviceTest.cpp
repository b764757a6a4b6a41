#include "GlTestSupport.h"
#include "common/DemoError.h"
#include "render/ColorRamp.h"
#include "render/NoiseVolume.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_4_5_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<TestVertex> vertices(int count) {
    std::vector<TestVertex> result;
    for (int k = 0; k < count; ++k) {
        result.push_back({float(k), float(k % 2), 0.0f, 1.0f, 1.0f, 1.0f, 1.0f});
    }
    return result;
}

std::int32_t createVertices(RenderDevice& device, int count) {
    const std::vector<TestVertex> data = vertices(count);
    return device.createVertexBuffer(count, sizeof(TestVertex), data.data());
}

std::int32_t createIndices(RenderDevice& device, std::vector<std::int32_t> indices) {
    return device.createIndexBuffer(static_cast<std::int32_t>(indices.size()), indices.data());
}

struct ColourShaders {
    explicit ColourShaders(RenderDevice& device) {
        vertex = device.createShader(dir.write("colour.vsh", colourVertexShaderSource()),
                                     ShaderType::Vertex);
        pixel = device.createShader(dir.write("colour.psh", colourPixelShaderSource()),
                                    ShaderType::Pixel);
    }
    void bind(RenderDevice& device) const {
        device.bindShader(vertex);
        device.bindShader(pixel);
    }
    TemporaryDirectory dir;
    ShaderD3D9* vertex = nullptr;
    ShaderD3D9* pixel = nullptr;
};
} // namespace

TEST(RenderDevice, TablesCountFromZeroAndBindsRejectIndicesPastTheEnd) {
    GlTestDevice gl;
    RenderDevice& device = *gl.device;
    EXPECT_EQ(device.backBufferWidth(), 800);
    EXPECT_EQ(device.backBufferHeight(), 600);
    EXPECT_EQ(device.currentVertexBuffer(), 0);
    EXPECT_EQ(device.currentIndexBuffer(), 0);

    // Each table counts on its own, whatever the others already hold.
    std::vector<std::uint8_t> volume(noiseVolumeBytes, 0x40);
    EXPECT_EQ(device.createVolumeTexture(volume.data()), 0);
    EXPECT_EQ(buildGradientTexture(device), 1);
    EXPECT_EQ(createVertices(device, 3), 0);
    EXPECT_EQ(createVertices(device, 4), 1);
    EXPECT_EQ(createIndices(device, {0, 1, 2}), 0);
    EXPECT_EQ(createPositionNormalDeclaration(device), 0);
    EXPECT_EQ(createPositionNormalDeclaration(device), 1);

    EXPECT_THROW(device.bindVertexBuffer(0, 2), DemoError);
    EXPECT_THROW(device.bindVertexBuffer(0, -1), DemoError);
    EXPECT_NO_THROW(device.bindVertexBuffer(3, 1));
    EXPECT_EQ(device.currentVertexBuffer(), 1);
    EXPECT_THROW(device.bindVertexBuffer(16, 0), DemoError); // Direct3D 9 has 16 streams
    EXPECT_EQ(device.currentVertexBuffer(), 1);              // a failed bind changes nothing

    EXPECT_THROW(device.bindIndexBuffer(1), DemoError);
    EXPECT_THROW(device.bindIndexBuffer(-1), DemoError);
    EXPECT_NO_THROW(device.bindIndexBuffer(0));
    EXPECT_EQ(device.currentIndexBuffer(), 0);

    EXPECT_THROW(device.bindVertexDeclaration(2), DemoError);
    EXPECT_NO_THROW(device.bindVertexDeclaration(1));

    EXPECT_THROW(device.bindTexture(0, 2), DemoError);
    EXPECT_NO_THROW(device.bindTexture(0, 1));
    // 16 pixel sampler stages, then 4 for vertex shaders.
    EXPECT_NO_THROW(device.bindTexture(19, 1));
    EXPECT_THROW(device.bindTexture(20, 0), DemoError);

    EXPECT_NO_THROW(device.setAddressMode(15, AddressClamp));
    EXPECT_THROW(device.setAddressMode(20, AddressClamp), DemoError);
    EXPECT_THROW(device.setAddressMode(0, 9), DemoError);
    EXPECT_THROW(device.setLinearFilter(20), DemoError);

    // Creation that cannot succeed appends nothing.
    EXPECT_THROW(device.createVertexBuffer(0, 28, volume.data()), DemoError);
    EXPECT_THROW(device.createVertexBuffer(3, 28, nullptr), DemoError);
    EXPECT_THROW(device.createIndexBuffer(0, nullptr), DemoError);
    const MeshVertexElement colour{0, DeclFloat4, 10 /* COLOR */, 0, 0};
    EXPECT_THROW(device.createVertexDeclaration(1, &colour), DemoError);
    const MeshVertexElement farStream{0, DeclFloat3, UsagePosition, 0, 16};
    EXPECT_THROW(device.createVertexDeclaration(1, &farStream), DemoError);
    EXPECT_EQ(createVertices(device, 3), 2);
    EXPECT_EQ(createIndices(device, {0, 1, 2}), 1);
    EXPECT_EQ(createPositionNormalDeclaration(device), 2);
}

TEST(RenderDevice, IndexBuffersKeepLow16BitsAndWholeTriangles) {
    GlTestDevice gl;
    RenderDevice& device = *gl.device;
    const std::int32_t wide = createIndices(device, {0, 65535, 65536, 65537, 131071, 70000, -1, 7});
    EXPECT_EQ(device.readIndexBuffer(wide),
              (std::vector<std::uint16_t>{0, 65535, 0, 1, 65535, 4464, 65535, 7}));

    // Seven indices make two triangles; the seventh is stored but never drawn.
    ColourShaders shaders(device);
    createVertices(device, 3);
    const std::int32_t seven = createIndices(device, {0, 1, 2, 2, 1, 0, 1});
    EXPECT_EQ(device.readIndexBuffer(seven).size(), 7u);
    device.bindVertexDeclaration(createPositionNormalDeclaration(device));
    device.bindIndexBuffer(seven);
    device.bindVertexBuffer(0, 0);
    shaders.bind(device);
    device.drawIndexed();
    EXPECT_EQ(device.lastDraw().triangleCount, 2);
    EXPECT_EQ(device.lastDraw().vertexCount, 3);

    device.bindIndexBuffer(createIndices(device, {0, 1}));
    device.drawIndexed();
    EXPECT_EQ(device.lastDraw().triangleCount, 0);
}

TEST(RenderDevice, DrawTakesTheVertexCountOfTheLastBoundBuffer) {
    GlTestDevice gl;
    RenderDevice& device = *gl.device;
    // Nothing to draw yet: no buffers, no declaration.
    EXPECT_THROW(device.drawIndexed(), DemoError);

    ColourShaders shaders(device);
    const std::int32_t three = createVertices(device, 3);
    const std::int32_t five = createVertices(device, 5);
    createIndices(device, {0, 1, 2});
    EXPECT_THROW(device.drawIndexed(), DemoError); // still no declaration

    const MeshVertexElement twoStreams[] = {
        {0, DeclFloat3, UsagePosition, 0, 0},
        {12, DeclFloat4, UsageNormal, 0, 0},
        {0, DeclFloat3, UsageTexcoord, 0, 1},
    };
    device.bindVertexDeclaration(device.createVertexDeclaration(3, twoStreams));
    device.bindIndexBuffer(0);
    shaders.bind(device);

    device.bindVertexBuffer(0, three);
    device.bindVertexBuffer(1, five);
    device.drawIndexed();
    EXPECT_EQ(device.lastDraw().vertexCount, 5);

    device.bindVertexBuffer(1, five);
    device.bindVertexBuffer(0, three);
    device.drawIndexed();
    EXPECT_EQ(device.lastDraw().vertexCount, 3);
    EXPECT_EQ(device.currentVertexBuffer(), three);
}

TEST(RenderDevice, OutlivesTheSurfaceOfItsWindow) {
    // Closing the main window destroys its surface before the device goes.
    GlTestDevice gl;
    {
        ColourShaders shaders(*gl.device);
        createVertices(*gl.device, 3);
        createIndices(*gl.device, {0, 1, 2});
        gl.device->bindVertexDeclaration(createPositionNormalDeclaration(*gl.device));
    }
    gl.window.show();
    gl.window.close();
    ASSERT_EQ(gl.window.handle(), nullptr);
    gl.device.reset();

    // The process can go on with OpenGL: a new device on a new window works.
    GlTestDevice next;
    next.device->clear(0xFF336699, 1.0f, 0);
    EXPECT_EQ(next.device->readBackBuffer()[0], 0xFF336699u);
}

// Without a window (a render to a file) the device draws on an offscreen surface, at the size
// asked for, and a present shows nothing and keeps the frame for the readback.
TEST(RenderDevice, DrawsWithoutAWindowAtTheSizeAskedFor) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{320, 200}, {1280, 720}, {17, 33}};
    for (const auto& [width, height] : sizes) {
        RenderDevice device(WindowTarget{nullptr, width, height});
        EXPECT_EQ(device.backBufferWidth(), width);
        EXPECT_EQ(device.backBufferHeight(), height);
        device.clear(0xFF336699, 1.0f, 0);
        device.present();
        const std::vector<std::uint32_t> pixels = device.readBackBuffer();
        ASSERT_EQ(pixels.size(),
                  static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        EXPECT_EQ(pixels.front(), 0xFF336699u);
        EXPECT_EQ(pixels.back(), 0xFF336699u);
    }
    EXPECT_THROW(RenderDevice(WindowTarget{nullptr, 0, 600}), DemoError);
}

TEST(RenderDevice, AFailedCallIsReportedByTheOperationThatMadeIt) {
    GlTestDevice gl;
    ColourShaders shaders(*gl.device);
    auto* functions = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(
        QOpenGLContext::currentContext());
    ASSERT_NE(functions, nullptr);
    RenderDevice& device = *gl.device;
    const std::vector<std::pair<std::string, std::function<void()>>> operations = {
        {"clear", [&] { device.clear(0, 1.0f, 0); }},
        {"beginScene", [&] { device.beginScene(); }},
        {"endScene", [&] { device.endScene(); }},
        {"setAddressMode", [&] { device.setAddressMode(0, AddressClamp); }},
        {"setLinearFilter", [&] { device.setLinearFilter(0); }},
        {"setMatrix \"viewProj\"", [&] { shaders.vertex->setMatrix("viewProj", {}); }},
    };
    for (const auto& [name, operation] : operations) {
        // An invalid enum stands in for the operation's own call failing.
        functions->glEnable(0);
        try {
            operation();
            ADD_FAILURE() << name << " did not report the error";
        } catch (const DemoError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
        EXPECT_EQ(functions->glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << name;
    }
}
