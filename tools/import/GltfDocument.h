#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <tiny_gltf.h>

// Where a glTF model's external files (.bin buffers) may come from.
enum class ExternalFiles {
    Read,   // regular files that resolve (links followed) to inside the model's folder
    Refuse, // none: every external reference is a fault (for input of unknown origin)
};

// Parses a .glb or .gltf image (told apart by its first bytes) whose relative URIs resolve
// against baseDirectory, reading no file outside it. Compressed geometry (meshopt, Draco) comes
// back decoded into plain accessors. Images are not read. Throws ImportError for anything that
// is not a readable glTF 2.0 model, including a required extension the importer cannot read.
tinygltf::Model parseGltf(std::span<const std::uint8_t> bytes,
                          const std::filesystem::path& baseDirectory, ExternalFiles externalFiles);
