#include "MeshImages.h"
#include "model/MeshFile.h"
#include "model/MorphMesh.h"
#include "render/RenderDevice.h"
#include "render/ShaderD3D9.h"
#include "tests/support/TemporaryDirectory.h"

#include <QSurface>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Shaders that show what the declarations feed them: the position blended over the seven
// channels as the demo's morph shader blends it, taken directly as the clip position, and the
// normal blended the same way as the colour.
std::string morphProbeVertexShader() {
    std::string source;
    for (int channel = 0; channel < morphChannelCount; ++channel)
        source += "float weight" + std::to_string(channel) + ";\n";
    source += "struct VertexInput {\n    float3 position : POSITION0;\n"
              "    float4 normal : NORMAL0;\n";
    for (int channel = 0; channel < morphChannelCount; ++channel) {
        const std::string n = std::to_string(channel);
        source += "    float3 targetPosition" + n + " : TEXCOORD" + std::to_string(2 * channel) +
                  ";\n    float4 targetNormal" + n + " : TEXCOORD" +
                  std::to_string(2 * channel + 1) + ";\n";
    }
    source +=
        "};\nstruct VertexOutput { float4 position : POSITION; float4 colour : TEXCOORD0; };\n"
        "VertexOutput Main(VertexInput input)\n{\n"
        "    float3 position = input.position;\n    float4 colour = input.normal;\n";
    for (int channel = 0; channel < morphChannelCount; ++channel) {
        const std::string n = std::to_string(channel);
        source += "    position += weight" + n + " * (input.targetPosition" + n +
                  " - input.position);\n    colour += weight" + n + " * (input.targetNormal" + n +
                  " - input.normal);\n";
    }
    source += "    VertexOutput output;\n    output.position = float4(position, 1.0);\n"
              "    output.colour = colour;\n    return output;\n}\n";
    return source;
}

const char* const staticProbeVertexShader = R"(
struct VertexInput { float3 position : POSITION0; float4 normal : NORMAL0; };
struct VertexOutput { float4 position : POSITION; float4 colour : TEXCOORD0; };
VertexOutput Main(VertexInput input)
{
    VertexOutput output;
    output.position = float4(input.position, 1.0);
    output.colour = input.normal;
    return output;
}
)";

const char* const colourPixelShader = R"(
float4 Main(float4 colour : TEXCOORD0) : COLOR
{
    return colour;
}
)";

constexpr std::int32_t width = backBufferSize.width;
constexpr std::int32_t height = backBufferSize.height;
constexpr std::uint32_t white = 0xFFFFFFFF;

// Target k puts the head's one triangle around (targetX(k), 0) in clip space and colours it
// targetColour(k); the base triangle lies outside the picture.
float targetX(std::int32_t k) {
    return -0.875f + 0.25f * static_cast<float>(k);
}
std::uint32_t targetColour(std::int32_t k) {
    return 0xFF008040u | (static_cast<std::uint32_t>(k * 32) << 16);
}

// A vertex: position, then the normal as the colour's four channels, then filler floats.
void appendVertex(std::vector<float>& floats, std::int32_t floatsPerVertex, float x, float y,
                  std::uint32_t argb) {
    auto channel = [argb](int shift) {
        return static_cast<float>((argb >> shift) & 0xFF) / 255.0f;
    };
    const std::vector<float> values{x, y, 0.5f, channel(16), channel(8), channel(0), channel(24)};
    floats.insert(floats.end(), values.begin(), values.end());
    for (std::int32_t extra = 7; extra < floatsPerVertex; ++extra)
        floats.push_back(-1.0e6f);
}

void appendTriangle(std::vector<float>& floats, std::int32_t floatsPerVertex, float x, float y,
                    std::uint32_t argb) {
    appendVertex(floats, floatsPerVertex, x - 0.1f, y - 0.1f, argb);
    appendVertex(floats, floatsPerVertex, x + 0.1f, y - 0.1f, argb);
    appendVertex(floats, floatsPerVertex, x, y + 0.15f, argb);
}

// Eight targets t0..t7, each one triangle with both windings so that culling keeps one; the
// vertex sizes differ, so a stride mixed up between the meshes would scramble the triangles.
MeshFileImage probeImage() {
    MeshFileImage image;
    image.baseFloats = 7;
    image.targetFloats = 9;
    image.vertexCount = 3;
    appendTriangle(image.baseVertices, image.baseFloats, -5.0f, 0.0f, 0xFF000000);
    for (std::int32_t k = 0; k < 8; ++k) {
        image.targetNames.push_back(std::string(1, 't').append(std::to_string(k)));
        image.targetBlocks.emplace_back();
        appendTriangle(image.targetBlocks.back(), image.targetFloats, targetX(k), 0.0f,
                       targetColour(k));
    }
    image.indices = {0, 1, 2, 0, 2, 1};
    image.staticFloats = 10;
    image.staticVertexCount = 3;
    appendTriangle(image.staticVertices, image.staticFloats, 0.0f, 0.6f, 0xFF40C0FF);
    image.staticIndices = {0, 1, 2, 0, 2, 1};
    return image;
}

bool sameColour(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

class MorphMeshDrawTest : public ::testing::Test {
  protected:
    MorphMeshDrawTest() {
        window_.setSurfaceType(QSurface::OpenGLSurface);
        window_.resize(width, height);
        device_ = std::make_unique<RenderDevice>(WindowTarget{&window_, width, height});
        model_ = loadHeadModel(directory_.write("probe.dat", encodeMeshFile(probeImage())),
                               *device_, morphChannelCount);
        morphVertexShader_ =
            createShader("morph.vsh", morphProbeVertexShader(), ShaderType::Vertex);
        staticVertexShader_ =
            createShader("static.vsh", staticProbeVertexShader, ShaderType::Vertex);
        pixelShader_ = createShader("colour.psh", colourPixelShader, ShaderType::Pixel);
    }

    ShaderD3D9* createShader(const std::string& name, const std::string& source, ShaderType type) {
        return device_->createShader(directory_.write(name, source), type);
    }

    // One frame of the head, bound the way the scene binds it.
    std::vector<std::uint32_t> drawHead() {
        const MorphMesh& mesh = *model_.morphMesh;
        device_->clear(white, 1.0f, 0);
        device_->beginScene();
        device_->bindVertexDeclaration(mesh.vertexDeclaration);
        device_->bindIndexBuffer(mesh.indexBuffer);
        device_->bindVertexBuffer(0, mesh.baseVertexBuffer);
        for (std::int32_t channel = 0; channel < mesh.channelSet.channelCount(); ++channel) {
            device_->bindVertexBuffer(
                static_cast<std::uint32_t>(channel) + 1,
                mesh.targetVertexBuffer(mesh.channelSet.getChannelTarget(channel)));
            morphVertexShader_->setFloat("weight" + std::to_string(channel),
                                         mesh.channelSet.getChannelWeight(channel));
        }
        device_->bindShader(morphVertexShader_);
        device_->bindShader(pixelShader_);
        device_->drawIndexed();
        device_->endScene();
        return device_->readBackBuffer();
    }

    std::vector<std::uint32_t> drawStatic() {
        const StaticMeshBuffers& mesh = *model_.staticMesh;
        device_->clear(white, 1.0f, 0);
        device_->beginScene();
        device_->bindVertexDeclaration(mesh.vertexDeclaration);
        device_->bindIndexBuffer(mesh.indexBuffer);
        device_->bindVertexBuffer(0, mesh.vertexBuffer);
        device_->bindShader(staticVertexShader_);
        device_->bindShader(pixelShader_);
        device_->drawIndexed();
        device_->endScene();
        return device_->readBackBuffer();
    }

    // The pixel at clip coordinates (x, y); the back buffer comes top row first.
    static std::uint32_t pixelAt(const std::vector<std::uint32_t>& pixels, float x, float y) {
        const auto column = static_cast<std::size_t>((x + 1.0f) * 0.5f * width);
        const auto row = static_cast<std::size_t>((1.0f - y) * 0.5f * height);
        return pixels.at(row * width + column);
    }

    // The colour at each of the eight target places, t0 first.
    static std::vector<std::uint32_t> targetPlaces(const std::vector<std::uint32_t>& pixels) {
        std::vector<std::uint32_t> colours;
        for (std::int32_t k = 0; k < 8; ++k)
            colours.push_back(pixelAt(pixels, targetX(k), 0.0f));
        return colours;
    }

    void expectOnlyTargetShown(const std::vector<std::uint32_t>& pixels, std::int32_t shown) {
        const std::vector<std::uint32_t> colours = targetPlaces(pixels);
        for (std::int32_t k = 0; k < 8; ++k) {
            const std::uint32_t expected = k == shown ? targetColour(k) : white;
            EXPECT_TRUE(sameColour(colours[static_cast<std::size_t>(k)], expected))
                << "place of t" << k << ": " << std::hex << colours[static_cast<std::size_t>(k)]
                << ", expected " << expected;
        }
    }

    TemporaryDirectory directory_;
    QWindow window_;
    std::unique_ptr<RenderDevice> device_;
    HeadModel model_;
    ShaderD3D9* morphVertexShader_ = nullptr;
    ShaderD3D9* staticVertexShader_ = nullptr;
    ShaderD3D9* pixelShader_ = nullptr;
};

TEST_F(MorphMeshDrawTest, EachChannelStreamCarriesItsTargetsPositionAndNormal) {
    MorphChannelSet& channels = model_.morphMesh->channelSet;

    // All weights 0: only the base, which lies outside the picture.
    expectOnlyTargetShown(drawHead(), -1);
    EXPECT_EQ(device_->lastDraw().vertexCount, 3);
    EXPECT_EQ(device_->lastDraw().triangleCount, 2);

    // Channel i starts on t<i>; at weight 1 the head is that target, colour and all.
    for (std::int32_t channel = 0; channel < morphChannelCount; ++channel) {
        channels.setChannelWeight(1.0f, channel);
        SCOPED_TRACE("channel " + std::to_string(channel));
        expectOnlyTargetShown(drawHead(), channel);
        channels.setChannelWeight(0.0f, channel);
    }

    // t7 plays as soon as a channel is given it.
    channels.setChannelTarget("t7", 4);
    channels.setChannelWeight(1.0f, 4);
    expectOnlyTargetShown(drawHead(), 7);
}

TEST_F(MorphMeshDrawTest, HeadIndicesAndStaticMeshArrive) {
    EXPECT_EQ(device_->readIndexBuffer(model_.morphMesh->indexBuffer),
              (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 1}));
    EXPECT_EQ(device_->readIndexBuffer(model_.staticMesh->indexBuffer),
              (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 1}));

    const std::vector<std::uint32_t> pixels = drawStatic();
    EXPECT_TRUE(sameColour(pixelAt(pixels, 0.0f, 0.6f), 0xFF40C0FF))
        << std::hex << pixelAt(pixels, 0.0f, 0.6f);
    EXPECT_EQ(pixelAt(pixels, 0.0f, 0.0f), white);
    EXPECT_EQ(device_->lastDraw().vertexCount, 3);
    EXPECT_EQ(device_->lastDraw().triangleCount, 2);
}

} // namespace
