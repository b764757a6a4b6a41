#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The two parts of a glTF file: its JSON, and for a .glb the binary chunk that a buffer without
// a URI refers to.
struct GltfContainer {
    std::string_view json;
    std::span<const std::uint8_t> binaryChunk; // empty for a .gltf or a .glb without one
    bool binary = false;
};

// Splits a .glb (told by its magic) or takes a .gltf's text whole; the parts point into
// `bytes`. Throws ImportError for a damaged or truncated .glb.
GltfContainer splitGltf(std::span<const std::uint8_t> bytes);
