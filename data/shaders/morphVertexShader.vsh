// Morphs the head: the base vertex blended with the targets of the seven morph channels by
// their weights. Targets hold absolute positions and normals, so each channel adds its weighted
// offset from the base. The pixel shader textures the skin at its rest position, so the marble
// moves with the skin, and lights it where the blend puts it.

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space
float weight0;
float weight1;
float weight2;
float weight3;
float weight4;
float weight5;
float weight6;

struct VertexInput
{
    float3 position : POSITION0;
    float4 normal : NORMAL0;
    float3 targetPosition0 : TEXCOORD0;
    float4 targetNormal0 : TEXCOORD1;
    float3 targetPosition1 : TEXCOORD2;
    float4 targetNormal1 : TEXCOORD3;
    float3 targetPosition2 : TEXCOORD4;
    float4 targetNormal2 : TEXCOORD5;
    float3 targetPosition3 : TEXCOORD6;
    float4 targetNormal3 : TEXCOORD7;
    float3 targetPosition4 : TEXCOORD8;
    float4 targetNormal4 : TEXCOORD9;
    float3 targetPosition5 : TEXCOORD10;
    float4 targetNormal5 : TEXCOORD11;
    float3 targetPosition6 : TEXCOORD12;
    float4 targetNormal6 : TEXCOORD13;
};

struct VertexOutput
{
    float4 position : POSITION;
    float3 restPosition : TEXCOORD0; // where the texture is looked up
    float3 normal : TEXCOORD1;
    float3 toEye : TEXCOORD2;
    float glaze : TEXCOORD3;
};

VertexOutput Main(VertexInput input)
{
    float3 position = input.position;
    position += weight0 * (input.targetPosition0 - input.position);
    position += weight1 * (input.targetPosition1 - input.position);
    position += weight2 * (input.targetPosition2 - input.position);
    position += weight3 * (input.targetPosition3 - input.position);
    position += weight4 * (input.targetPosition4 - input.position);
    position += weight5 * (input.targetPosition5 - input.position);
    position += weight6 * (input.targetPosition6 - input.position);

    float3 normal = input.normal.xyz;
    normal += weight0 * (input.targetNormal0.xyz - input.normal.xyz);
    normal += weight1 * (input.targetNormal1.xyz - input.normal.xyz);
    normal += weight2 * (input.targetNormal2.xyz - input.normal.xyz);
    normal += weight3 * (input.targetNormal3.xyz - input.normal.xyz);
    normal += weight4 * (input.targetNormal4.xyz - input.normal.xyz);
    normal += weight5 * (input.targetNormal5.xyz - input.normal.xyz);
    normal += weight6 * (input.targetNormal6.xyz - input.normal.xyz);

    VertexOutput output;
    output.position = mul(float4(position, 1.0), viewProj);
    output.restPosition = input.position;
    // Blended normals shrink; a vanishing one stays zero rather than becoming NaN.
    output.normal = normal * rsqrt(max(dot(normal, normal), 1e-12));
    output.toEye = eyePosition.xyz - position;
    // The base normal's w tells glazed parts (eyeballs, teeth) from skin; no target changes it.
    output.glaze = input.normal.w;
    return output;
}
