// Places the static mesh (eyeballs, teeth) and hands the pixel shader what it lights and
// textures with.

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space

struct VertexInput
{
    float3 position : POSITION0;
    float4 normal : NORMAL0;
};

struct VertexOutput
{
    float4 position : POSITION;
    float3 worldPosition : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 toEye : TEXCOORD2;
};

VertexOutput Main(VertexInput input)
{
    VertexOutput output;
    output.position = mul(float4(input.position, 1.0), viewProj);
    output.worldPosition = input.position;
    output.normal = input.normal.xyz * rsqrt(max(dot(input.normal.xyz, input.normal.xyz), 1e-12));
    output.toEye = eyePosition.xyz - input.position;
    return output;
}
