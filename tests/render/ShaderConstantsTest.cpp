#include "GlTestSupport.h"
#include "common/DemoError.h"
#include "model/TargetOffsets.h"
#include "render/HlslCompiler.h"
#include "render/ShaderD3D9.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

using ::testing::HasSubstr;

namespace {
const char* const morphVertexPath = "data/shaders/morphVertexShader.vsh";
const char* const allTargetsVertexPath = "data/shaders/morphAllTargetsVertexShader.vsh";
const char* const morphPixelPath = "data/shaders/morphPixelShader.psh";
const char* const staticVertexPath = "data/shaders/staticVertexShader.vsh";
const char* const staticPixelPath = "data/shaders/staticPixelShader.psh";

const glm::mat4 someMatrix(2.0f);
const glm::vec4 someVector(0.0f, 0.0f, 1.0f, 0.0f);
} // namespace

TEST(ShaderConstants, EachShaderLooksEachNameUpOnce) {
    GlTestDevice gl;
    ShaderD3D9* morph = gl.device->createShader(morphVertexPath, ShaderType::Vertex);
    ShaderD3D9* fixed = gl.device->createShader(staticVertexPath, ShaderType::Vertex);
    EXPECT_EQ(morph->constantLookupCount(), 0u);

    morph->setMatrix("viewProj", someMatrix);
    fixed->setMatrix("viewProj", someMatrix);
    EXPECT_EQ(morph->constantLookupCount(), 1u);
    EXPECT_EQ(fixed->constantLookupCount(), 1u);

    for (int frame = 0; frame < 3; ++frame) {
        morph->setMatrix("viewProj", someMatrix);
        morph->setFloat("weight3", 0.5f);
        morph->setVector("eyePosition", someVector);
    }
    EXPECT_EQ(morph->constantLookupCount(), 3u);
    EXPECT_EQ(fixed->constantLookupCount(), 1u);
}

TEST(ShaderConstants, UnreferencedOrUnknownNamesFailAtEveryUse) {
    GlTestDevice gl;
    TemporaryDirectory dir;
    const auto path = dir.write("partial.psh", R"(
float4 used;
float4 declaredOnly;
float4x4 matrixUsed;
sampler2D samplerUsed;
sampler2D samplerDeclaredOnly;
float4 Main(float2 uv : TEXCOORD0) : COLOR
{
    return used + tex2D(samplerUsed, uv) + matrixUsed[1];
}
)");
    ShaderD3D9* shader = gl.device->createShader(path, ShaderType::Pixel);

    for (int use = 0; use < 3; ++use) {
        EXPECT_THROW(shader->setVector("declaredOnly", someVector), DemoError);
        EXPECT_THROW(shader->setFloat("neverDeclared", 1.0f), DemoError);
        EXPECT_THROW(shader->getSamplerIndex("samplerDeclaredOnly"), DemoError);
    }
    // The null handles were cached like any other: three names, three lookups.
    EXPECT_EQ(shader->constantLookupCount(), 3u);
    try {
        shader->setMatrix("declaredOnly", someMatrix);
        FAIL() << "no exception";
    } catch (const DemoError& error) {
        EXPECT_THAT(error.what(), HasSubstr("partial.psh"));
        EXPECT_THAT(error.what(), HasSubstr("declaredOnly"));
    }

    EXPECT_NO_THROW(shader->setVector("used", someVector));
    EXPECT_NO_THROW(shader->setMatrix("matrixUsed", someMatrix));
    // A constant used as what it is not.
    EXPECT_THROW(shader->setMatrix("used", someMatrix), DemoError);
    EXPECT_THROW(shader->setVector("matrixUsed", someVector), DemoError);
    EXPECT_THROW(shader->getSamplerIndex("used"), DemoError);
    EXPECT_THROW(shader->setFloat("samplerUsed", 1.0f), DemoError);
}

TEST(ShaderConstants, SamplersTakeUnitsInDeclarationOrder) {
    GlTestDevice gl;
    TemporaryDirectory dir;
    // Declared neither in the order of use nor alphabetically, with a constant in between.
    const auto path = dir.write("samplers.psh", R"(
sampler2D zeta;
sampler2D unused;
float4 tint;
sampler3D alpha;
sampler2D mid;
float4 Main(float3 uvw : TEXCOORD0) : COLOR
{
    return tex2D(mid, uvw.xy) + tex3D(alpha, uvw) + tex2D(zeta, uvw.yx) * tint;
}
)");
    ShaderD3D9* shader = gl.device->createShader(path, ShaderType::Pixel);
    EXPECT_EQ(shader->getSamplerIndex("zeta"), 0u);
    EXPECT_EQ(shader->getSamplerIndex("alpha"), 1u);
    EXPECT_EQ(shader->getSamplerIndex("mid"), 2u);
    EXPECT_THROW(shader->getSamplerIndex("unused"), DemoError);
    EXPECT_EQ(shader->getSamplerIndex("zeta"), 0u);
    EXPECT_EQ(shader->constantLookupCount(), 4u);
}

TEST(ShaderConstants, DemoShaderFilesReferenceEveryConstantTheFrameSets) {
    GlTestDevice gl;
    ShaderD3D9* morphVertex = gl.device->createShader(morphVertexPath, ShaderType::Vertex);
    ShaderD3D9* morphPixel = gl.device->createShader(morphPixelPath, ShaderType::Pixel);
    ShaderD3D9* staticVertex = gl.device->createShader(staticVertexPath, ShaderType::Vertex);
    ShaderD3D9* staticPixel = gl.device->createShader(staticPixelPath, ShaderType::Pixel);

    for (int channel = 0; channel < 7; ++channel) {
        EXPECT_NO_THROW(morphVertex->setFloat("weight" + std::to_string(channel), 0.25f));
    }
    EXPECT_THROW(morphVertex->setFloat("weight7", 0.25f), DemoError);
    ShaderD3D9* allTargets = gl.device->createShader(allTargetsVertexPath, ShaderType::Vertex);
    const std::vector<glm::vec4> weights(1200, someVector); // more than it holds: cut off
    EXPECT_NO_THROW(allTargets->setVectorArray("targetWeights", weights.data(), 1200));
    EXPECT_THROW(allTargets->setMatrix("targetWeights", someMatrix), DemoError);
    // The scene weighs up to maxTargetsAtOnce targets; a shorter array would drop the last ones.
    ConstantTable allTargetsConstants =
        compileHlslFile(allTargetsVertexPath, ShaderType::Vertex).constants;
    EXPECT_EQ(allTargetsConstants.constantByName("targetWeights")->size,
              maxTargetsAtOnce * sizeof(float));
    // The vertex stage's units follow the pixel stage's, which are never shared with it.
    const std::set<std::uint32_t> vertexUnits{allTargets->getSamplerIndex("vertexRuns"),
                                              allTargets->getSamplerIndex("targetOffsets")};
    EXPECT_EQ(vertexUnits, (std::set<std::uint32_t>{16u, 17u}));
    for (ShaderD3D9* vertex : {morphVertex, staticVertex, allTargets}) {
        EXPECT_NO_THROW(vertex->setMatrix("viewProj", someMatrix));
        EXPECT_NO_THROW(vertex->setVector("eyePosition", glm::vec4(0, -10, 450, 0)));
    }
    for (ShaderD3D9* pixel : {morphPixel, staticPixel}) {
        EXPECT_NO_THROW(pixel->setVector("lightDir", someVector));
        const std::set<std::uint32_t> units{pixel->getSamplerIndex("noiseTexture"),
                                            pixel->getSamplerIndex("gradientTexture")};
        EXPECT_EQ(units.size(), 2u);
        EXPECT_LT(*units.rbegin(), 16u);
    }
    gl.device->bindShader(allTargets);
    gl.device->bindShader(morphVertex);
    gl.device->bindShader(morphPixel);
    gl.device->bindShader(staticVertex);
    gl.device->bindShader(staticPixel);
    EXPECT_THROW(gl.device->bindShader(nullptr), DemoError);
}

TEST(ShaderCompile, FailuresNameTheFileAndCarryTheCompilerMessages) {
    GlTestDevice gl;
    TemporaryDirectory dir;
    // The reason travels in the exception alone: the entry point writes it once.
    auto expectRefused = [&](const std::filesystem::path& path, ShaderType type,
                             const std::string& reasonPart) {
        testing::internal::CaptureStderr();
        try {
            gl.device->createShader(path, type);
            ADD_FAILURE() << "no exception for " << path;
        } catch (const DemoError& error) {
            EXPECT_THAT(error.what(), HasSubstr(path.string()));
            EXPECT_THAT(error.what(), HasSubstr(reasonPart));
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    };

    expectRefused(dir.write("broken.psh", R"(
float4 Main(float2 uv : TEXCOORD0) : COLOR
{
    return float4(uv, 0.0, 1.0)   // missing semicolon
}
)"),
                  ShaderType::Pixel, "ERROR");
    expectRefused(dir.write("nomain.vsh", "float4 Other() : POSITION { return 0; }\n"),
                  ShaderType::Vertex, "Entry point not found");
    // A vertex input with no attribute slot cannot be fed by any declaration.
    expectRefused(dir.write("colour.vsh", R"(
float4 Main(float4 position : POSITION0, float4 colour : COLOR0) : POSITION
{
    return position * colour;
}
)"),
                  ShaderType::Vertex, "COLOR0");

    // Paths that are no shader file, refused before anything is read: opening a named pipe
    // would wait for a writer forever.
    const std::filesystem::path folder = dir.write("present.vsh", "").parent_path();
    expectRefused(folder / "absent.vsh", ShaderType::Vertex, "file not found");
    expectRefused(folder, ShaderType::Vertex, "is a directory");
    const std::filesystem::path pipe = folder / "pipe.vsh";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    expectRefused(pipe, ShaderType::Vertex, "named pipe");

    // Far longer than a real shader, though valid: the driver's compiler would chew on it for
    // minutes and crash.
    std::string longShader = "float4 Main(float4 p : POSITION) : POSITION { return p; }\n";
    while (longShader.size() <= 64 * 1024)
        longShader += "// a line that makes the shader long but changes nothing at all\n";
    expectRefused(dir.write("long.vsh", longShader), ShaderType::Vertex, "bytes long");
}
