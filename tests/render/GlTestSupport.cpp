#include "GlTestSupport.h"

#include <fstream>
#include <unistd.h>

GlTestDevice::GlTestDevice() {
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(800, 600);
    device = std::make_unique<RenderDevice>(WindowTarget{&window, 800, 600});
}

TempShaderDir::TempShaderDir() {
    static int counter = 0;
    directory_ =
        std::filesystem::temp_directory_path() /
        ("mirelda-render-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(directory_);
}

TempShaderDir::~TempShaderDir() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::filesystem::path TempShaderDir::write(const std::string& name,
                                           const std::string& source) const {
    const std::filesystem::path path = directory_ / name;
    std::ofstream(path, std::ios::binary) << source;
    return path;
}

std::int32_t createPositionNormalDeclaration(RenderDevice& device) {
    const MeshVertexElement elements[] = {
        {0, DeclFloat3, UsagePosition, 0, 0},
        {12, DeclFloat4, UsageNormal, 0, 0},
    };
    return device.createVertexDeclaration(2, elements);
}

std::string colourVertexShaderSource(bool rowMajor) {
    return std::string(rowMajor ? "row_major " : "") + R"(float4x4 viewProj;
struct VertexInput { float3 position : POSITION0; float4 colour : NORMAL0; };
struct VertexOutput { float4 position : POSITION; float4 colour : TEXCOORD0; };
VertexOutput Main(VertexInput input)
{
    VertexOutput output;
    output.position = mul(float4(input.position, 1.0), viewProj);
    output.colour = input.colour;
    return output;
}
)";
}

std::string colourPixelShaderSource() {
    return R"(float4 Main(float4 colour : TEXCOORD0) : COLOR
{
    return colour;
}
)";
}
