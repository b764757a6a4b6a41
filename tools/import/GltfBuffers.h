#pragma once

#include "GltfContainer.h"
#include "GltfDocument.h"

#include <filesystem>
#include <nlohmann/json.hpp>
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
