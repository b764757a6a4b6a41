// Morphs the head with any number of targets at once: the offsets of every target from the base
// (position, then normal) lie in one buffer, vertex after vertex, each vertex's targets side by
// side, so one vertex reads one short run of it. Only the targets with a weight this frame are
// visited: morphPairs holds their indices and weights, two pairs a vector.

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space
float4 morphPairs[256];
float morphPairCount;
float targetCount;
Buffer<float4> targetOffsets;

struct VertexInput
{
    float3 position : POSITION0;
    float4 normal : NORMAL0;
    uint vertexId : SV_VertexID;
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
    float3 normal = input.normal.xyz;
    int vertexTexel = int(input.vertexId) * int(targetCount) * 2;
    int pairs = int(morphPairCount);
    for (int pair = 0; pair < pairs; ++pair)
    {
        float4 two = morphPairs[pair / 2];
        float2 targetWeight = (pair % 2) == 0 ? two.xy : two.zw;
        int texel = vertexTexel + int(targetWeight.x) * 2;
        position += targetWeight.y * targetOffsets.Load(texel).xyz;
        normal += targetWeight.y * targetOffsets.Load(texel + 1).xyz;
    }

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
