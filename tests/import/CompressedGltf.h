#pragma once

#include <string>
#include <tiny_gltf.h>

// Compressed forms of a model made by GltfModelBuilder (one buffer, one view per accessor), as
// the common optimizers write them, for the importer's round trips, fuzzer seeds and timing.

// A .glb with every accessor's data compressed with EXT_meshopt_compression: the streams in the
// binary chunk, the views in a fallback buffer without URI, indices as triangles, and morph
// target positions through the exponential filter (15-bit mantissa).
std::string meshoptGlb(const tinygltf::Model& model);

// A .glb whose primitives' positions and indices are compressed with KHR_draco_mesh_compression
// (sequential encoding, so the vertices keep their order; 14-bit positions). Morph targets stay
// uncompressed, as the extension requires.
std::string dracoGlb(const tinygltf::Model& model);
