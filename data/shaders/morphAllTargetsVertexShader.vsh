// Morphs the head with any number of targets at once. Each vertex visits only the targets that
// move it: vertexRuns gives where its offsets start in targetOffsets and how many there are; an
// offset is a texel of six half floats two a word, (position x, y), (position z, normal x),
// (normal y, z), then the target's index, which picks its weight from targetWeights (target t
// at [t / 4][t % 4]; an unweighted target weighs 0). Then the vertex turns with the head about
// headPivot by its own share of the turn (headTurn: the unit axis and the angle in radians).

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space
float4 headTurn;    // axis xyz, angle w
float4 headPivot;   // xyz
float4 targetWeights[1000];
Buffer<uint4> vertexRuns;
Buffer<uint4> targetOffsets;

struct VertexInput
{
    float3 position : POSITION0;
    float4 normal : NORMAL0;
    float turnWeight : TEXCOORD0;
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

// v turned by the share `weight` of the head's turn: a quaternion of the scaled angle, never a
// blend of matrices, so that a half-turned neck keeps its girth.
float3 turned(float3 v, float weight)
{
    float halfAngle = 0.5 * weight * headTurn.w;
    float3 q = headTurn.xyz * sin(halfAngle);
    float3 t = 2.0 * cross(q, v);
    return v + cos(halfAngle) * t + cross(q, t);
}

VertexOutput Main(VertexInput input)
{
    uint2 run = vertexRuns.Load(int(input.vertexId)).xy;
    float3 low = float3(0.0, 0.0, 0.0);
    float3 high = float3(0.0, 0.0, 0.0);
    for (uint texel = run.x; texel < run.x + run.y; ++texel)
    {
        uint4 offset = targetOffsets.Load(int(texel));
        float weight = targetWeights[offset.w >> 2][offset.w & 3];
        low += weight * f16tof32(offset.xyz);
        high += weight * f16tof32(offset.xyz >> 16);
    }
    float3 morphed = input.position + float3(low.x, high.x, low.y);
    float3 position = headPivot.xyz + turned(morphed - headPivot.xyz, input.turnWeight);
    float3 normal = turned(input.normal.xyz + float3(high.y, low.z, high.z), input.turnWeight);

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
