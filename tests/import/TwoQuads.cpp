#include "TwoQuads.h"

#include <cstdint>
#include <initializer_list>

namespace {

constexpr const char* gltfText = R"({
  "asset": {"version": "2.0"},
  "extensionsUsed": ["KHR_mesh_quantization"],
  "extensionsRequired": ["KHR_mesh_quantization"],
  "scene": 0,
  "scenes": [{"nodes": [0, 2]}],
  "nodes": [
    {"name": "Root", "translation": [10, 0, 0], "scale": [2, 2, 2], "children": [1]},
    {"name": "LeftNode", "mesh": 0, "rotation": [0, 0, 0.70710678, 0.70710678]},
    {"name": "RightNode", "mesh": 1, "matrix": [1,0,0,0, 0,4,0,0, 0,0,1,0, 20,0,0,1]}
  ],
  "meshes": [
    {"name": "Left", "extras": {"targetNames": ["smile", "blink"]},
     "primitives": [{"attributes": {"POSITION": 0}, "indices": 1,
                     "targets": [{"POSITION": 2}, {"POSITION": 3}]}]},
    {"name": "Right", "extras": {"targetNames": ["blink"]},
     "primitives": [{"attributes": {"POSITION": 4, "NORMAL": 5}, "indices": 6, "mode": 5,
                     "targets": [{"POSITION": 7}]}]}
  ],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
     "min": [0, 0, 0], "max": [1, 1, 0]},
    {"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"},
    {"bufferView": 2, "componentType": 5126, "count": 4, "type": "VEC3"},
    {"componentType": 5126, "count": 4, "type": "VEC3",
     "sparse": {"count": 1, "indices": {"bufferView": 3, "componentType": 5121},
                "values": {"bufferView": 4}}},
    {"bufferView": 5, "componentType": 5122, "normalized": true, "count": 4, "type": "VEC3",
     "min": [0, 0, 0], "max": [32767, 32767, 0]},
    {"bufferView": 6, "componentType": 5120, "normalized": true, "count": 4, "type": "VEC3"},
    {"bufferView": 7, "componentType": 5121, "count": 4, "type": "SCALAR"},
    {"bufferView": 8, "componentType": 5120, "normalized": true, "count": 4, "type": "VEC3"}
  ],
  "bufferViews": [
    {"buffer": 0, "byteOffset": 0, "byteLength": 48},
    {"buffer": 0, "byteOffset": 48, "byteLength": 12},
    {"buffer": 0, "byteOffset": 60, "byteLength": 48},
    {"buffer": 0, "byteOffset": 108, "byteLength": 1},
    {"buffer": 0, "byteOffset": 112, "byteLength": 12},
    {"buffer": 0, "byteOffset": 124, "byteLength": 32, "byteStride": 8},
    {"buffer": 0, "byteOffset": 156, "byteLength": 16, "byteStride": 4},
    {"buffer": 0, "byteOffset": 172, "byteLength": 4},
    {"buffer": 0, "byteOffset": 176, "byteLength": 16, "byteStride": 4}
  ],
  "buffers": [{"uri": "@URI@", "byteLength": 192}]
})";

template <typename T> void append(std::string& bytes, std::initializer_list<T> values) {
    for (const T value : values)
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

std::string twoQuadsBin() {
    std::string bin;
    append<float>(bin, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}); // Left positions
    append<std::uint16_t>(bin, {0, 1, 2, 0, 2, 3});           // Left indices
    append<float>(bin, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}); // smile: vertex 0 moves +x
    append<std::uint8_t>(bin, {2, 0, 0, 0});                  // blink: vertex 2 ...
    append<float>(bin, {0, 0, 1});                            // ... moves +z
    append<std::int16_t>(bin, {0, 0, 0, 0, 32767, 0, 0, 0,    // Right positions, stride 8
                               32767, 32767, 0, 0, 0, 32767, 0, 0});
    append<std::int8_t>(bin, {0, 0, 127, 0, 0, 0, 127, 0, 0, 0, 127, 0, 0, 0, 127, 0});
    append<std::uint8_t>(bin, {0, 1, 3, 2}); // strip
    append<std::int8_t>(bin, {0, 127, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    return bin;
}

std::string twoQuadsGltf(const std::string& bufferUri) {
    std::string text = gltfText;
    return text.replace(text.find("@URI@"), 5, bufferUri);
}

std::string dataUri(const std::string& bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string uri = "data:application/octet-stream;base64,";
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group =
                group << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            uri += k <= (bytes.size() - i) ? digits[group >> (18 - 6 * k) & 63] : '=';
    }
    return uri;
}
