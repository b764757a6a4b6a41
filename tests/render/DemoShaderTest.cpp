#include "GlTestSupport.h"
#include "model/MorphChannelSet.h"
#include "render/Camera.h"
#include "render/ColorRamp.h"
#include "render/NoiseVolume.h"
#include "render/ShaderD3D9.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
constexpr std::uint32_t black = 0xFF000000;
constexpr int width = backBufferSize.width;
constexpr int height = backBufferSize.height;
constexpr int channelCount = morphChannelCount;

struct PixelStats {
    int count = 0;
    double centreX = 0; // pixels from the left
    double centreY = 0; // pixels from the top
    double meanLuminance = 0;
    int darkest = 255; // the lowest of every drawn pixel's brightest channel
};

PixelStats statsOfDrawn(const std::vector<std::uint32_t>& pixels) {
    PixelStats stats;
    double luminance = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            if (p == black) {
                continue;
            }
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ++stats.count;
            stats.centreX += x + 0.5;
            stats.centreY += y + 0.5;
            luminance += 0.2126 * r + 0.7152 * g + 0.0722 * b;
            stats.darkest = std::min(stats.darkest, std::max({r, g, b}));
        }
    }
    if (stats.count > 0) {
        stats.centreX /= stats.count;
        stats.centreY /= stats.count;
        stats.meanLuminance = luminance / stats.count;
    }
    return stats;
}

// A triangle drawn the way the frame draws the head: the demo's morph shaders, the 16-element
// declaration with the base on stream 0 and channel i's target on stream i + 1, the two
// procedural textures and the frame's constants. The picture is cleared to black so that every
// shaded pixel, however pale, counts as drawn.
class MorphTriangle {
  public:
    MorphTriangle() {
        RenderDevice& device = *gl.device;
        vertexShader_ =
            device.createShader("data/shaders/morphVertexShader.vsh", ShaderType::Vertex);
        pixelShader_ = device.createShader("data/shaders/morphPixelShader.psh", ShaderType::Pixel);
        std::vector<std::uint8_t> volume(noiseVolumeBytes);
        fillNoiseVolume(volume.data());
        noise_ = device.createVolumeTexture(volume.data());
        gradient_ = buildGradientTexture(device);

        std::array<MeshVertexElement, 16> elements{};
        elements[0] = {0, DeclFloat3, UsagePosition, 0, 0};
        elements[1] = {12, DeclFloat4, UsageNormal, 0, 0};
        for (int i = 0; i < channelCount; ++i) {
            elements[2 + 2 * i] = {0, DeclFloat3, UsageTexcoord, 2 * i, i + 1};
            elements[3 + 2 * i] = {12, DeclFloat4, UsageTexcoord, 2 * i + 1, i + 1};
        }
        declaration_ = device.createVertexDeclaration(16, elements.data());
        const std::int32_t indices[] = {0, 1, 2};
        indexBuffer_ = device.createIndexBuffer(3, indices);
        base_ = createBuffer(baseVertices());
    }

    // Targets hold absolute positions and normals.
    static std::array<TestVertex, 3> baseVertices() {
        return {TestVertex{-40, -40, 0, 0, 0, 1, 0}, TestVertex{40, -40, 0, 0, 0, 1, 0},
                TestVertex{0, 40, 0, 0, 0, 1, 0}};
    }

    std::int32_t createBuffer(const std::array<TestVertex, 3>& vertices) {
        return gl.device->createVertexBuffer(3, sizeof(TestVertex), vertices.data());
    }

    void setTarget(int channel, std::int32_t buffer) { targets_[channel] = buffer; }

    PixelStats draw(const std::array<float, channelCount>& weights) {
        return statsOfDrawn(drawPixels(weights));
    }

    std::vector<std::uint32_t> drawPixels(const std::array<float, channelCount>& weights) {
        RenderDevice& device = *gl.device;
        device.clear(black, 1.0f, 0);
        device.beginScene();
        std::uint32_t s = pixelShader_->getSamplerIndex("noiseTexture");
        device.bindTexture(s, noise_);
        device.setLinearFilter(s);
        device.setAddressMode(s, AddressWrap);
        s = pixelShader_->getSamplerIndex("gradientTexture");
        device.bindTexture(s, gradient_);
        device.setLinearFilter(s);
        device.setAddressMode(s, AddressClamp);
        device.bindVertexDeclaration(declaration_);
        device.bindIndexBuffer(indexBuffer_);
        device.bindVertexBuffer(0, base_);
        for (int i = 0; i < channelCount; ++i) {
            device.bindVertexBuffer(static_cast<std::uint32_t>(i + 1),
                                    targets_[i] < 0 ? base_ : targets_[i]);
            vertexShader_->setFloat("weight" + std::to_string(i), weights[i]);
        }
        device.bindShader(vertexShader_);
        device.bindShader(pixelShader_);
        vertexShader_->setMatrix("viewProj", multiplyRowMajor(camera.view(), camera.projection()));
        vertexShader_->setVector("eyePosition", glm::vec4(camera.eye(), 0.0f));
        pixelShader_->setVector("lightDir", glm::vec4(0.0f, 0.0f, 1.0f, 0.0f));
        device.drawIndexed();
        device.endScene();
        return device.readBackBuffer();
    }

    // Where the camera puts a world point, in pixels.
    glm::dvec2 project(const glm::vec3& p) const {
        const glm::vec4 clip =
            multiplyRowMajor(camera.view(), camera.projection()) * glm::vec4(p, 1.0f);
        return {(clip.x / clip.w + 1.0) / 2.0 * width, (1.0 - clip.y / clip.w) / 2.0 * height};
    }

    GlTestDevice gl;
    Camera camera = [] {
        Camera c;
        c.init({0.0f, -10.0f, 450.0f}, {0.0f, -10.0f, 0.0f});
        return c;
    }();

  private:
    ShaderD3D9* vertexShader_ = nullptr;
    ShaderD3D9* pixelShader_ = nullptr;
    std::int32_t noise_ = 0;
    std::int32_t gradient_ = 0;
    std::int32_t declaration_ = 0;
    std::int32_t indexBuffer_ = 0;
    std::int32_t base_ = 0;
    std::array<std::int32_t, channelCount> targets_{-1, -1, -1, -1, -1, -1, -1};
};

// The mean difference of the colour channels between `a` and `b` moved right by `shift` pixels,
// over the pixels drawn in both.
double meanDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                      int shift) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = std::max(0, shift); x < width; ++x) {
            const std::uint32_t p = a[static_cast<std::size_t>(y) * width + x - shift];
            const std::uint32_t q = b[static_cast<std::size_t>(y) * width + x];
            if (p == black || q == black) {
                continue;
            }
            for (int bit = 0; bit < 24; bit += 8) {
                sum += std::abs(int((p >> bit) & 0xFF) - int((q >> bit) & 0xFF));
            }
            count += 3;
        }
    }
    return count > 0 ? sum / count : 1e9;
}

std::array<TestVertex, 3> moved(float dx, float dy) {
    std::array<TestVertex, 3> v = MorphTriangle::baseVertices();
    for (TestVertex& p : v) {
        p.x += dx;
        p.y += dy;
    }
    return v;
}
} // namespace

TEST(DemoShaders, MorphMovesTheHeadTowardEachWeightedTarget) {
    MorphTriangle triangle;
    triangle.setTarget(0, triangle.createBuffer(moved(80, 0)));
    triangle.setTarget(3, triangle.createBuffer(moved(0, 60)));
    // The centroid of the base triangle, and how the offsets of the two targets add up.
    const struct {
        std::array<float, channelCount> weights;
        glm::vec3 centroid;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0}, {0, -40.0f / 3, 0}},
        {{1, 0, 0, 0, 0, 0, 0}, {80, -40.0f / 3, 0}},
        {{0.5f, 0, 0, 0, 0, 0, 0}, {40, -40.0f / 3, 0}},
        {{0.5f, 0, 0, 1, 0, 0, 0}, {40, 60 - 40.0f / 3, 0}},
        // Channels whose target is the base itself add nothing, whatever their weight.
        {{0, 1, 1, 0, 1, 1, 1}, {0, -40.0f / 3, 0}},
    };
    for (const auto& c : cases) {
        const PixelStats stats = triangle.draw(c.weights);
        const glm::dvec2 expected = triangle.project(c.centroid);
        EXPECT_GT(stats.count, 5000);
        EXPECT_NEAR(stats.centreX, expected.x, 1.0) << c.weights[0] << " " << c.weights[3];
        EXPECT_NEAR(stats.centreY, expected.y, 1.0) << c.weights[0] << " " << c.weights[3];
    }
}

// Each channel on its own: a different target per channel, moved, and on every other channel
// turned away from the light, so a channel that reads its neighbour's stream or weight puts the
// head in the wrong place or lights it wrongly.
TEST(DemoShaders, EveryChannelBlendsItsOwnTarget) {
    MorphTriangle triangle;
    const PixelStats facing = triangle.draw({0, 0, 0, 0, 0, 0, 0});
    const auto offsetOf = [](int channel) {
        return glm::vec3(-90.0f + 30.0f * static_cast<float>(channel),
                         static_cast<float>(channel % 2 == 0 ? 20 : -20), 0.0f);
    };
    for (int channel = 0; channel < channelCount; ++channel) {
        const glm::vec3 offset = offsetOf(channel);
        std::array<TestVertex, 3> target = moved(offset.x, offset.y);
        if (channel % 2 == 0)
            for (TestVertex& v : target)
                v.b = -1; // normal z
        triangle.setTarget(channel, triangle.createBuffer(target));
    }
    for (int channel = 0; channel < channelCount; ++channel) {
        std::array<float, channelCount> weights{};
        weights[static_cast<std::size_t>(channel)] = 1.0f;
        const PixelStats stats = triangle.draw(weights);
        const glm::dvec2 expected =
            triangle.project(glm::vec3(0, -40.0f / 3, 0) + offsetOf(channel));
        EXPECT_NEAR(stats.centreX, expected.x, 1.0) << "channel " << channel;
        EXPECT_NEAR(stats.centreY, expected.y, 1.0) << "channel " << channel;
        if (channel % 2 == 0)
            EXPECT_LT(stats.meanLuminance, facing.meanLuminance - 30) << "channel " << channel;
        else
            EXPECT_GT(stats.meanLuminance, facing.meanLuminance - 10) << "channel " << channel;
    }
}

TEST(DemoShaders, BlendedNormalsLightTheHeadAndItStaysBright) {
    MorphTriangle triangle;
    std::array<TestVertex, 3> facingAway = MorphTriangle::baseVertices();
    for (TestVertex& v : facingAway) {
        v.b = -1; // normal z
    }
    triangle.setTarget(1, triangle.createBuffer(facingAway));

    const PixelStats facing = triangle.draw({0, 0, 0, 0, 0, 0, 0});
    const PixelStats away = triangle.draw({0, 1, 0, 0, 0, 0, 0});
    // Halfway the blended normal vanishes; it must not turn into NaN and black pixels.
    const PixelStats vanished = triangle.draw({0, 0.5f, 0, 0, 0, 0, 0});
    EXPECT_EQ(facing.count, away.count);
    EXPECT_EQ(vanished.count, facing.count);
    EXPECT_LT(away.meanLuminance, facing.meanLuminance - 30);
    EXPECT_GT(vanished.meanLuminance, away.meanLuminance);
    EXPECT_LT(vanished.meanLuminance, facing.meanLuminance);

    // Porcelain, not a silhouette: even turned away from the light the surface stays light.
    for (const PixelStats& stats : {facing, away, vanished}) {
        EXPECT_GT(stats.meanLuminance, 100);
        EXPECT_GT(stats.darkest, 60);
    }
}

TEST(DemoShaders, TheMarbleMovesWithTheSkin) {
    MorphTriangle triangle;
    triangle.setTarget(2, triangle.createBuffer(moved(30, 0)));
    const std::vector<std::uint32_t> rest = triangle.drawPixels({0, 0, 0, 0, 0, 0, 0});
    const std::vector<std::uint32_t> morphed = triangle.drawPixels({0, 0, 1, 0, 0, 0, 0});
    const int shift = static_cast<int>(
        std::lround(triangle.project({30, 0, 0}).x - triangle.project({0, 0, 0}).x));
    ASSERT_GT(shift, 50);
    // Carried along, the pattern matches itself moved by the same distance (up to the light,
    // which follows the moved surface); left in place, the skin would slide under it.
    const double carried = meanDifference(rest, morphed, shift);
    const double inPlace = meanDifference(rest, morphed, 0);
    EXPECT_LT(carried, 3.0);
    EXPECT_GT(inPlace, 4 * carried);
}
