#include "GlTestSupport.h"
#include "common/DemoError.h"
#include "render/Camera.h"
#include "render/ColorRamp.h"
#include "render/NoiseVolume.h"
#include "render/ShaderD3D9.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_5_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QPixmap>
#include <QScreen>
#include <QtTest/QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {
constexpr std::uint32_t white = 0xFFFFFFFF;
constexpr std::uint32_t red = 0xFFFF0000;
constexpr std::uint32_t green = 0xFF00FF00;
constexpr int width = backBufferSize.width;
constexpr int height = backBufferSize.height;

struct ScreenPoint {
    double x; // pixels from the left
    double y; // pixels from the top
};

// The demo's camera at its start.
Camera startCamera() {
    Camera camera;
    camera.init({0.0f, -10.0f, 450.0f}, {0.0f, -10.0f, 0.0f});
    return camera;
}

glm::mat4 viewProjection(const Camera& camera) {
    return multiplyRowMajor(camera.view(), camera.projection());
}

// Where the camera puts a world point, computed on the CPU from the same matrices.
ScreenPoint project(const Camera& camera, const glm::vec3& p) {
    const glm::vec4 clip = viewProjection(camera) * glm::vec4(p, 1.0f);
    return {(clip.x / clip.w + 1.0) / 2.0 * width, (1.0 - clip.y / clip.w) / 2.0 * height};
}

// Signed distance of the pixel centre to the triangle's edges, positive inside, whatever the
// triangle's winding.
double insideDistance(const std::array<ScreenPoint, 3>& t, double px, double py) {
    const double area =
        (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x);
    double nearest = 1e9;
    for (int k = 0; k < 3; ++k) {
        const ScreenPoint& a = t[k];
        const ScreenPoint& b = t[(k + 1) % 3];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
        nearest = std::min(nearest, (area > 0 ? cross : -cross) / length);
    }
    return nearest;
}

TestVertex vertex(const glm::vec3& p, std::uint32_t argb) {
    auto channel = [argb](int shift) { return float((argb >> shift) & 0xFF) / 255.0f; };
    return {p.x, p.y, p.z, channel(16), channel(8), channel(0), channel(24)};
}

// A device with the colour shader pair bound and the start camera set, drawing lists of
// triangles in world space.
struct ColourScene {
    explicit ColourScene(bool rowMajorMatrix = false, int windowSamples = 0) : gl(windowSamples) {
        RenderDevice& device = *gl.device;
        vertexShader = device.createShader(
            dir.write("colour.vsh", colourVertexShaderSource(rowMajorMatrix)), ShaderType::Vertex);
        pixelShader = device.createShader(dir.write("colour.psh", colourPixelShaderSource()),
                                          ShaderType::Pixel);
        device.bindVertexDeclaration(createPositionNormalDeclaration(device));
        device.bindShader(vertexShader);
        device.bindShader(pixelShader);
        vertexShader->setMatrix("viewProj", viewProjection(camera));
        device.clear(white, 1.0f, 0);
        device.beginScene();
    }

    void draw(const std::vector<TestVertex>& vertices) {
        RenderDevice& device = *gl.device;
        std::vector<std::int32_t> indices(vertices.size());
        for (std::size_t k = 0; k < indices.size(); ++k) {
            indices[k] = static_cast<std::int32_t>(k);
        }
        device.bindVertexBuffer(
            0, device.createVertexBuffer(static_cast<std::int32_t>(vertices.size()),
                                         sizeof(TestVertex), vertices.data()));
        device.bindIndexBuffer(
            device.createIndexBuffer(static_cast<std::int32_t>(indices.size()), indices.data()));
        device.drawIndexed();
    }

    std::vector<std::uint32_t> finish() {
        gl.device->endScene();
        return gl.device->readBackBuffer();
    }

    GlTestDevice gl;
    TemporaryDirectory dir;
    Camera camera = startCamera();
    ShaderD3D9* vertexShader = nullptr;
    ShaderD3D9* pixelShader = nullptr;
};

std::uint32_t pixelAt(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
}

// Every pixel well inside the projected triangle has its colour and, when it is alone on the
// screen, every pixel well outside is white; pixels within 1.5 of an edge may go either way.
void expectTriangleCoverage(const std::vector<std::uint32_t>& pixels, const Camera& camera,
                            const std::array<glm::vec3, 3>& world, std::uint32_t colour,
                            bool alone = true) {
    const std::array<ScreenPoint, 3> screen{project(camera, world[0]), project(camera, world[1]),
                                            project(camera, world[2])};
    int inside = 0;
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = insideDistance(screen, x + 0.5, y + 0.5);
            if (d > 1.5) {
                ++inside;
                wrong += pixelAt(pixels, x, y) != colour;
            } else if (d < -1.5 && alone) {
                wrong += pixelAt(pixels, x, y) != white;
            }
        }
    }
    EXPECT_GT(inside, 2000);
    EXPECT_EQ(wrong, 0);
}

// Off the view axis and unsymmetric, so a transposed or mis-scaled matrix misplaces it.
const std::array<glm::vec3, 3> offAxis{glm::vec3(30, 0, 0), glm::vec3(130, 0, 0),
                                       glm::vec3(30, 90, 0)};
} // namespace

TEST(Pixels, ClearFillsTheBackBuffer) {
    GlTestDevice gl;
    gl.device->clear(white, 1.0f, 0);
    std::vector<std::uint32_t> pixels = gl.device->readBackBuffer();
    ASSERT_EQ(pixels.size(), std::size_t{width} * height);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), white), width * height);

    gl.device->clear(0xFF102030, 1.0f, 0);
    pixels = gl.device->readBackBuffer();
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF102030u), width * height);
}

TEST(Pixels, TrianglesLandWhereTheCameraPutsThem) {
    for (bool rowMajor : {false, true}) {
        SCOPED_TRACE(rowMajor ? "row_major matrix" : "default matrix packing");
        ColourScene scene(rowMajor);
        scene.draw({vertex(offAxis[0], red), vertex(offAxis[1], red), vertex(offAxis[2], red)});
        const std::vector<std::uint32_t> pixels = scene.finish();
        expectTriangleCoverage(pixels, scene.camera, offAxis, red);
        // Up in the world is up on the screen: the top row comes first.
        EXPECT_EQ(pixelAt(pixels, 480, 250), red);
        EXPECT_EQ(pixelAt(pixels, 480, 350), white);
    }
}

TEST(Pixels, ClockwiseTrianglesAreCulled) {
    ColourScene scene;
    scene.draw({vertex(offAxis[0], red), vertex(offAxis[2], red), vertex(offAxis[1], red)});
    const std::vector<std::uint32_t> pixels = scene.finish();
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), white), width * height);
}

TEST(Pixels, NearerTriangleWinsWhateverTheOrder) {
    const std::array<glm::vec3, 3> far{glm::vec3(-100, -60, 0), glm::vec3(60, -60, 0),
                                       glm::vec3(-100, 80, 0)};
    const std::array<glm::vec3, 3> near{glm::vec3(-60, -90, 50), glm::vec3(100, -90, 50),
                                        glm::vec3(-60, 40, 50)};
    auto triangle = [](const std::array<glm::vec3, 3>& t, std::uint32_t colour) {
        return std::vector<TestVertex>{vertex(t[0], colour), vertex(t[1], colour),
                                       vertex(t[2], colour)};
    };
    for (bool nearFirst : {false, true}) {
        ColourScene scene;
        if (nearFirst) {
            scene.draw(triangle(near, green));
            scene.draw(triangle(far, red));
        } else {
            scene.draw(triangle(far, red));
            scene.draw(triangle(near, green));
        }
        const std::vector<std::uint32_t> pixels = scene.finish();
        const ScreenPoint overlap = project(scene.camera, {-40, -20, 25});
        EXPECT_EQ(pixelAt(pixels, int(overlap.x), int(overlap.y)), green) << nearFirst;
        const ScreenPoint farOnly = project(scene.camera, {-80, 60, 0});
        EXPECT_EQ(pixelAt(pixels, int(farOnly.x), int(farOnly.y)), red) << nearFirst;
        expectTriangleCoverage(pixels, scene.camera, near, green, false);
    }
}

TEST(Pixels, DepthRunsFromZeroAtTheNearPlane) {
    // At 0.07 units from the eye a point lies before the near plane (0.1) but within what a
    // -1 .. 1 clip depth would keep; at 0.2 it is in view.
    for (double distance : {0.07, 0.2}) {
        ColourScene scene;
        const float z = 450.0f - float(distance);
        const float s = float(distance);
        scene.draw({vertex({-0.2f * s, -10 - 0.15f * s, z}, red),
                    vertex({0.2f * s, -10 - 0.15f * s, z}, red),
                    vertex({0.0f, -10 + 0.15f * s, z}, red)});
        const std::vector<std::uint32_t> pixels = scene.finish();
        EXPECT_EQ(pixelAt(pixels, 400, 300), distance < 0.1 ? white : red) << distance;
    }
}

TEST(Pixels, TexturesArriveTexelForTexelWithTheirSamplerState) {
    ColourScene scene;
    RenderDevice& device = *scene.gl.device;
    ShaderD3D9* sampling = device.createShader(scene.dir.write("sample.psh", R"(
sampler3D volume;
sampler2D ramp;
float4 volumeCoordinate;
float4 rampCoordinate;
float4 pick;
float4 Main(float4 colour : TEXCOORD0) : COLOR
{
    return pick.x * tex3D(volume, volumeCoordinate.xyz) + pick.y * tex2D(ramp, rampCoordinate.xy);
}
)"),
                                               ShaderType::Pixel);
    device.bindShader(sampling);

    std::vector<std::uint8_t> texels(noiseVolumeBytes);
    fillNoiseVolume(texels.data());
    const std::int32_t volume = device.createVolumeTexture(texels.data());
    const std::int32_t ramp = buildGradientTexture(device);
    std::array<std::uint32_t, 256> stripes{};
    for (std::size_t i = 0; i < stripes.size(); ++i) {
        stripes[i] = i % 2 == 0 ? 0xFF000000 : 0xFFFFFFFF;
    }
    const std::int32_t striped = device.createGradientTexture(stripes.data());
    const std::uint32_t volumeUnit = sampling->getSamplerIndex("volume");
    const std::uint32_t rampUnit = sampling->getSamplerIndex("ramp");
    device.bindTexture(volumeUnit, volume);

    // One triangle over the whole screen; the centre pixel shows the sample.
    auto sample = [&] {
        device.clear(white, 1.0f, 0);
        scene.draw({vertex({-1000, -1000, 0}, red), vertex({1000, -1000, 0}, red),
                    vertex({0, 1000, 0}, red)});
        return pixelAt(device.readBackBuffer(), 400, 300);
    };
    auto texelCentre = [](int i, int count) { return (float(i) + 0.5f) / float(count); };

    sampling->setVector("pick", {1, 0, 0, 0});
    sampling->setVector("volumeCoordinate",
                        {texelCentre(5, 128), texelCentre(7, 128), texelCentre(9, 128), 0});
    EXPECT_EQ(sample(), 0x07111B37u); // bytes 55, 27, 17, 7 of texel (5, 7, 9)

    sampling->setVector("pick", {0, 1, 0, 0});
    device.bindTexture(rampUnit, ramp);
    sampling->setVector("rampCoordinate", {texelCentre(64, 256), 0.5f, 0, 0});
    EXPECT_EQ(sample(), 0xFF39619Du);

    device.bindTexture(rampUnit, striped);
    sampling->setVector("rampCoordinate", {1.0f + texelCentre(0, 256), 0.5f, 0, 0});
    EXPECT_EQ(sample(), 0xFF000000u); // wraps to texel 0 by default
    device.setAddressMode(rampUnit, AddressClamp);
    EXPECT_EQ(sample(), 0xFFFFFFFFu); // clamps to texel 255
    device.setAddressMode(rampUnit, AddressWrap);
    EXPECT_EQ(sample(), 0xFF000000u);

    // Between texels 64 (black) and 65 (white): point sampling picks one, linear blends.
    sampling->setVector("rampCoordinate", {65.0f / 256.0f, 0.5f, 0, 0});
    const std::uint32_t point = sample();
    EXPECT_TRUE(point == 0xFF000000u || point == 0xFFFFFFFFu) << std::hex << point;
    device.setLinearFilter(rampUnit);
    const std::uint32_t blended = sample();
    EXPECT_GT(blended & 0xFF, 0x60u) << std::hex << blended;
    EXPECT_LT(blended & 0xFF, 0xA0u) << std::hex << blended;
}

// Into a window as the demo asks for it and into one a driver made multisampled, where a blit
// is an invalid operation.
class Present : public ::testing::TestWithParam<int> {};

TEST_P(Present, ScalesTheBackBufferIntoTheWindow) {
    const int windowSamples = GetParam();
    ColourScene scene(false, windowSamples);
    QWindow& window = scene.gl.window;
    QOpenGLContext& context = *QOpenGLContext::currentContext();
    GLint sampleBuffers = -1;
    QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(&context)
        ->glGetNamedFramebufferParameteriv(context.defaultFramebufferObject(), GL_SAMPLE_BUFFERS,
                                           &sampleBuffers);
    ASSERT_EQ(sampleBuffers, windowSamples > 0 ? 1 : 0);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Mesa's software rasteriser sizes the window's buffers at a swap, so the first frame after
    // a resize may go to buffers of the old size; the next one shows.
    for (int frame = 0; frame < 2; ++frame) {
        // The right half of the back buffer green, the left half white.
        scene.gl.device->clear(white, 1.0f, 0);
        scene.draw({vertex({0, -1000, 0}, green), vertex({1000, -1000, 0}, green),
                    vertex({1000, 1000, 0}, green), vertex({0, -1000, 0}, green),
                    vertex({1000, 1000, 0}, green), vertex({0, 1000, 0}, green)});
        scene.gl.device->endScene();
        scene.gl.device->present();
        QTest::qWait(50);
    }
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
    ASSERT_EQ(shown.size(), QSize(400, 300));
    for (int y : {0, 150, 299}) {
        EXPECT_EQ(shown.pixel(0, y) & 0xFFFFFF, white & 0xFFFFFF) << y;
        EXPECT_EQ(shown.pixel(190, y) & 0xFFFFFF, white & 0xFFFFFF) << y;
        EXPECT_EQ(shown.pixel(210, y) & 0xFFFFFF, green & 0xFFFFFF) << y;
        EXPECT_EQ(shown.pixel(399, y) & 0xFFFFFF, green & 0xFFFFFF) << y;
    }
    // The back buffer keeps its own size.
    EXPECT_EQ(scene.gl.device->readBackBuffer().size(), std::size_t{width} * height);
}

INSTANTIATE_TEST_SUITE_P(Pixels, Present, ::testing::Values(0, 4),
                         [](const ::testing::TestParamInfo<int>& samples) {
                             return std::to_string(samples.param) + "Samples";
                         });
