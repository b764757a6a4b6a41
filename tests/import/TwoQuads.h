#pragma once

#include <string>

// A hand-written .gltf of two quads: "Left" (float positions, no normals, a dense "smile" and a
// sparse "blink" target) under a translated, scaled root and a rotated child; "Right"
// (normalized short positions with a byte stride, byte normals, a strip, a quantized "blink")
// placed by a matrix. Its one buffer is bufferUri: a file name or a data: URI.
std::string twoQuadsGltf(const std::string& bufferUri);

// The buffer's 192 bytes.
std::string twoQuadsBin();

// bytes as a data: URI.
std::string dataUri(const std::string& bytes);
