// Places the static mesh (the upper teeth) turned with the head, as the player draws it: each
// vertex turns about headPivot by its own share of the head's turn (headTurn: the unit axis and
// the angle in radians), then is handed to the pixel shader as the still mesh is.

float4x4 viewProj;  // world to clip, row-vector convention
float4 eyePosition; // world space
float4 headTurn;    // axis xyz, angle w
float4 headPivot;   // xyz

struct VertexInput
{
    float3 position : POSITION0;
    float4 normal : NORMAL0;
    float turnWeight : TEXCOORD0;
};

struct VertexOutput
{
    float4 position : POSITION;
    float3 worldPosition : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 toEye : TEXCOORD2;
};

// As the morphing head turns its vertices.
float3 turned(float3 v, float weight)
{
    float halfAngle = 0.5 * weight * headTurn.w;
    float3 q = headTurn.xyz * sin(halfAngle);
    float3 t = 2.0 * cross(q, v);
    return v + cos(halfAngle) * t + cross(q, t);
}

VertexOutput Main(VertexInput input)
{
    float3 position = headPivot.xyz + turned(input.position - headPivot.xyz, input.turnWeight);
    float3 normal = turned(input.normal.xyz, input.turnWeight);
    VertexOutput output;
    output.position = mul(float4(position, 1.0), viewProj);
    // The texture stays on the teeth as they turn.
    output.worldPosition = input.position;
    output.normal = normal * rsqrt(max(dot(normal, normal), 1e-12));
    output.toEye = eyePosition.xyz - position;
    return output;
}
