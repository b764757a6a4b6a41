#pragma once

#include <nlohmann/json.hpp>

// tinygltf reads the document's integers into int and size_t and its extension objects into
// int-valued tinygltf::Values, wrapping what does not fit and dropping or truncating what is not
// an integer. Before it does, every integer field the importer reads (indices into the model's
// arrays, offsets, lengths, strides, counts, component types and modes, in the core and in the
// meshopt and Draco extensions) must be a JSON integer in range. Throws ImportError naming the
// field, as in "bufferViews[3].extensions.EXT_meshopt_compression.count".
void refuseInexactIntegers(const nlohmann::json& document);
