#pragma once

#include <cstdint>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// The most elements an accessor may hold; larger ones are refused before anything is allocated.
inline constexpr std::size_t maxAccessorElements = std::size_t{1} << 25;

// Accessor `index` as `components` floats per element (16: a matrix), in every form glTF allows:
// float or integer components (normalized ones mapped to [0, 1] or [-1, 1], others taken as their
// values), any byte stride, no buffer view (zeros), sparse substitutions. Every index and byte
// range is checked; non-finite values are refused. `what` names the data in error messages.
// Throws ImportError.
std::vector<float> readFloats(const tinygltf::Model& model, int index, int components,
                              const std::string& what);

// A scalar accessor of float components only, as keyframe times must be (`kind` says what they
// are in the message).
std::vector<float> readFloatScalars(const tinygltf::Model& model, int index,
                                    const std::string& kind, const std::string& what);

// A scalar accessor of unsigned integers (triangle indices), every value below `limit`.
std::vector<std::uint32_t> readIndices(const tinygltf::Model& model, int index, std::size_t limit,
                                       const std::string& what);

// The element count of accessor `index` after checking that it exists and is not too large.
std::size_t accessorCount(const tinygltf::Model& model, int index, const std::string& what);
