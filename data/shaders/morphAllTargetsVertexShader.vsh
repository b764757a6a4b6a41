// Morphs the head with any number of targets at once: the offsets of every target from the base
// lie in one buffer, vertex after vertex, each vertex's targets side by side, so one vertex reads
// one short run of it: a texel a target, its six offsets as half floats two a word, (position x,
// y), (position z, normal x), (normal y, z). Only the targets with a weight this frame are
// visited: morphPairs holds their indices and weights, two pairs a vector.

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space
float4 morphPairs[256];
float morphPairCount;
float targetCount;
Buffer<uint4> targetOffsets;

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
    int vertexTexel = int(input.vertexId) * int(targetCount);
    // Two pairs a step; an odd count ends on a pair of weight 0.
    int steps = (int(morphPairCount) + 1) / 2;
    for (int step = 0; step < steps; ++step)
    {
        float4 two = morphPairs[step];
        uint3 first = targetOffsets.Load(vertexTexel + int(two.x)).xyz;
        uint3 second = targetOffsets.Load(vertexTexel + int(two.z)).xyz;
        float3 low = two.y * f16tof32(first) + two.w * f16tof32(second);
        float3 high = two.y * f16tof32(first >> 16) + two.w * f16tof32(second >> 16);
        position += float3(low.x, high.x, low.y);
        normal += float3(high.y, low.z, high.z);
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
