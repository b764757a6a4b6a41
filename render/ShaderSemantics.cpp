#include "render/ShaderSemantics.h"

#include "render/RenderDevice.h"

#include <cctype>

namespace {
constexpr std::int32_t texcoordAttributeCount = 14;

// Vertex-to-pixel values: TEXCOORD0-15 first, then four slots each for the other usages that
// shader model 3 lets a vertex shader output.
struct VaryingRange {
    const char* name;
    std::uint32_t first;
    std::int32_t count;
};
constexpr VaryingRange varyingRanges[] = {
    {"TEXCOORD", 0, 16}, {"COLOR", 16, 4},    {"NORMAL", 20, 4},
    {"TANGENT", 24, 4},  {"BINORMAL", 28, 4},
};
} // namespace

std::optional<std::uint32_t> attributeLocation(std::int32_t usage, std::int32_t usageIndex) {
    if (usage == UsagePosition && usageIndex == 0) {
        return 0u;
    }
    if (usage == UsageNormal && usageIndex == 0) {
        return 1u;
    }
    if (usage == UsageTexcoord && usageIndex >= 0 && usageIndex < texcoordAttributeCount) {
        return static_cast<std::uint32_t>(2 + usageIndex);
    }
    return std::nullopt;
}

Semantic parseSemantic(const std::string& text) {
    std::size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1])) != 0) {
        --digits;
    }
    Semantic semantic;
    for (std::size_t k = 0; k < digits; ++k) {
        semantic.name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[k])));
    }
    if (digits < text.size()) {
        const std::string number = text.substr(digits);
        // More than four digits cannot be a register index; keep it out of range.
        semantic.index = number.size() > 4 ? 10000 : std::stoi(number);
    }
    return semantic;
}

std::optional<std::uint32_t> vertexInputLocation(const Semantic& semantic) {
    if (semantic.name == "POSITION") {
        return attributeLocation(UsagePosition, semantic.index);
    }
    if (semantic.name == "NORMAL") {
        return attributeLocation(UsageNormal, semantic.index);
    }
    if (semantic.name == "TEXCOORD") {
        return attributeLocation(UsageTexcoord, semantic.index);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> varyingLocation(const Semantic& semantic) {
    for (const VaryingRange& range : varyingRanges) {
        if (semantic.name == range.name && semantic.index < range.count) {
            return range.first + static_cast<std::uint32_t>(semantic.index);
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> pixelOutputLocation(const Semantic& semantic) {
    constexpr std::int32_t colorOutputCount = 4;
    if ((semantic.name == "COLOR" || semantic.name == "SV_TARGET") &&
        semantic.index < colorOutputCount) {
        return static_cast<std::uint32_t>(semantic.index);
    }
    return std::nullopt;
}

bool isClipPosition(const Semantic& semantic) {
    return (semantic.name == "POSITION" || semantic.name == "SV_POSITION") && semantic.index == 0;
}
