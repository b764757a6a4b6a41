#pragma once

#include "GltfContainer.h"
#include "GltfDocument.h"

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// The bytes of every buffer the document's "buffers" array describes: the .glb's binary chunk
// for the first buffer without a URI, a data: URI, or a file inside `folder` (as `externalFiles`
// allows). A meshopt fallback buffer (EXT_meshopt_compression, "fallback": true) stays empty:
// its contents are what decoding the compressed views writes. Throws ImportError.
std::vector<tinygltf::Buffer> loadBuffers(const nlohmann::json& buffers,
                                          const GltfContainer& container,
                                          const std::filesystem::path& folder,
                                          ExternalFiles externalFiles);

// `length` bytes from `offset` in buffer `buffer`, checked to exist: else ImportError
// "<what>: buffer <n> does not exist" or "<what>: <subject> lies outside its buffer".
std::span<const unsigned char> bufferBytes(const tinygltf::Model& model, int buffer,
                                           std::size_t offset, std::size_t length,
                                           const std::string& what, const std::string& subject);
