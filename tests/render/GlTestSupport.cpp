#include "GlTestSupport.h"

#include "render/SurfaceFormat.h"

GlTestDevice::GlTestDevice(int windowSamples) {
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(backBufferSize.width, backBufferSize.height);
    if (windowSamples > 0) {
        QSurfaceFormat format = deviceSurfaceFormat();
        format.setSamples(windowSamples);
        window.setFormat(format);
        window.create();
    }
    device = std::make_unique<RenderDevice>(WindowTarget{&window});
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
