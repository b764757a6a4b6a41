#pragma once

#include <tiny_gltf.h>

// Decodes every primitive compressed with KHR_draco_mesh_compression: its indices and the
// attributes the extension names become plain accessors (float attributes, 32-bit indices) over
// a new buffer, in the order the encoder kept, so that uncompressed morph targets still line up.
// Throws ImportError for malformed or undecodable data.
void decodeDracoPrimitives(tinygltf::Model& model);
