#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A model from anywhere may name any path: these read only regular files inside the model's
// folder, and check sizes before reading, so a crafted URI cannot reach the user's other files.

// The most bytes the importer reads from one file.
inline constexpr std::uintmax_t maxFileBytes = std::uintmax_t{1} << 32;

// The model file's bytes. Throws ImportError for a missing file, a directory, a device or a
// file too large, before reading any of it.
std::vector<std::uint8_t> readModelFile(const std::filesystem::path& path);

// The URI with its %XX escapes decoded. Throws ImportError for a malformed escape or a zero byte.
std::string percentDecoded(const std::string& uri);

// The first `byteLength` bytes of the file a relative URI names. The path is resolved with every
// symbolic link followed and refused unless it lies inside `folder`; the file must be a regular
// file of at least `byteLength` bytes. Throws ImportError naming the URI.
std::vector<unsigned char> readContainedFile(const std::filesystem::path& folder,
                                             const std::string& uri, std::size_t byteLength);
