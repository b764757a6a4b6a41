#pragma once

#include "render/ShaderD3D9.h"

#include <cstdint>
#include <optional>
#include <string>

// How shader inputs and outputs meet the rest of the pipeline. Vertex attributes take their
// location from (usage, usage index), both in vertex declarations and in vertex shaders, so any
// declaration feeds any vertex shader that reads the same usages. Values passed from a vertex to
// a pixel shader take their location from their semantic, so any pair of shaders links.

// POSITION0 = 0, NORMAL0 = 1, TEXCOORDn = 2 + n (n up to 13); nothing else has a slot.
std::optional<std::uint32_t> attributeLocation(std::int32_t usage, std::int32_t usageIndex);

// A semantic split into its upper-case name and index: "texcoord3" -> ("TEXCOORD", 3),
// "POSITION" -> ("POSITION", 0).
struct Semantic {
    std::string name;
    std::int32_t index = 0;
};
Semantic parseSemantic(const std::string& text);

// The attribute location of a vertex shader input semantic, if it has one.
std::optional<std::uint32_t> vertexInputLocation(const Semantic& semantic);
// The location of a value passed from the vertex to the pixel shader.
std::optional<std::uint32_t> varyingLocation(const Semantic& semantic);
// The colour output location of a pixel shader output (COLORn, SV_TARGETn).
std::optional<std::uint32_t> pixelOutputLocation(const Semantic& semantic);
// Whether a vertex shader output is the clip-space position.
bool isClipPosition(const Semantic& semantic);

// The 16 pixel sampler stages come first; a vertex shader's samplers (Direct3D 9's vertex
// texture samplers) have 4 units of their own after them, so the two stages never share a unit.
inline constexpr std::uint32_t pixelSamplerCount = 16;
inline constexpr std::uint32_t vertexSamplerCount = 4;
constexpr std::uint32_t firstSamplerUnit(ShaderType type) {
    return type == ShaderType::Vertex ? pixelSamplerCount : 0u;
}

// Each shader stage reads its constants from its own uniform buffer binding.
constexpr std::uint32_t uniformBinding(ShaderType type) {
    return type == ShaderType::Vertex ? 0u : 1u;
}
