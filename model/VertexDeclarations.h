#pragma once

#include "model/MorphChannelSet.h"
#include "render/RenderDevice.h"

#include <array>

// How the shaders read the mesh vertices: a position (3 floats at byte 0) and a normal (4 floats
// at byte 12) from every vertex, whatever else the vertex holds.

// The morph declaration has a stream per channel: stream 0 is the base mesh and streams 1..7
// carry the channels' targets, filling the 16 vertex inputs of the morph shader.
inline constexpr std::array<MeshVertexElement, 16> morphVertexDeclaration{{
    // offset, type, usage, usage index, stream
    {0, DeclFloat3, UsagePosition, 0, 0},
    {12, DeclFloat4, UsageNormal, 0, 0},
    {0, DeclFloat3, UsageTexcoord, 0, 1},
    {12, DeclFloat4, UsageTexcoord, 1, 1},
    {0, DeclFloat3, UsageTexcoord, 2, 2},
    {12, DeclFloat4, UsageTexcoord, 3, 2},
    {0, DeclFloat3, UsageTexcoord, 4, 3},
    {12, DeclFloat4, UsageTexcoord, 5, 3},
    {0, DeclFloat3, UsageTexcoord, 6, 4},
    {12, DeclFloat4, UsageTexcoord, 7, 4},
    {0, DeclFloat3, UsageTexcoord, 8, 5},
    {12, DeclFloat4, UsageTexcoord, 9, 5},
    {0, DeclFloat3, UsageTexcoord, 10, 6},
    {12, DeclFloat4, UsageTexcoord, 11, 6},
    {0, DeclFloat3, UsageTexcoord, 12, 7},
    {12, DeclFloat4, UsageTexcoord, 13, 7},
}};
static_assert(morphVertexDeclaration.size() == 2 * (1 + morphChannelCount),
              "a position and a normal for the base and for each channel");

inline constexpr std::array<MeshVertexElement, 2> staticVertexDeclaration{{
    {0, DeclFloat3, UsagePosition, 0, 0},
    {12, DeclFloat4, UsageNormal, 0, 0},
}};

// A mesh drawn turned with the head: its position and normal, and from stream 1 each vertex's
// share of the head's turn (one float a vertex).
inline constexpr std::array<MeshVertexElement, 3> turnedVertexDeclaration{{
    {0, DeclFloat3, UsagePosition, 0, 0},
    {12, DeclFloat4, UsageNormal, 0, 0},
    {0, DeclFloat1, UsageTexcoord, 0, 1},
}};
