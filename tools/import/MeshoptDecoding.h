#pragma once

#include <cstddef>
#include <tiny_gltf.h>

// The most bytes the compressed views of one model may decode to.
inline constexpr std::size_t maxDecodedBytes = std::size_t{1} << 28;

// Decodes every buffer view compressed with EXT_meshopt_compression (attributes, triangles and
// index sequences; octahedral, quaternion and exponential filters) into the bytes the view
// describes, growing its buffer where it is an empty fallback. Throws ImportError for malformed
// or undecodable data.
void decodeMeshoptViews(tinygltf::Model& model);
