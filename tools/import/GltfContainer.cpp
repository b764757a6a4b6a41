#include "GltfContainer.h"

#include "ImportError.h"

#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t jsonChunk = 0x4E4F534A; // "JSON"
constexpr std::uint32_t binChunk = 0x004E4942;  // "BIN\0"

std::uint32_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// The chunk at `at`: its type and contents, checked to lie inside the file's stated length.
std::pair<std::uint32_t, std::span<const std::uint8_t>> chunkAt(std::span<const std::uint8_t> file,
                                                                std::size_t at) {
    if (file.size() - at < 8)
        throw ImportError("damaged binary glTF: a chunk header is cut off");
    const std::uint32_t length = word(file, at);
    if (length > file.size() - at - 8)
        throw ImportError("damaged binary glTF: a chunk of " + std::to_string(length) +
                          " bytes runs past the length the header states");
    return {word(file, at + 4), file.subspan(at + 8, length)};
}

} // namespace

GltfContainer splitGltf(std::span<const std::uint8_t> bytes) {
    GltfContainer container;
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "glTF", 4) != 0) {
        container.json = {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
        return container;
    }
    container.binary = true;
    if (bytes.size() < 12)
        throw ImportError("truncated: " + std::to_string(bytes.size()) +
                          " bytes, fewer than a binary glTF header");
    if (word(bytes, 4) != 2)
        throw ImportError("binary glTF version " + std::to_string(word(bytes, 4)) + " is not 2");
    const std::uint32_t length = word(bytes, 8);
    if (length > bytes.size())
        throw ImportError("truncated: the header says " + std::to_string(length) +
                          " bytes, the file has " + std::to_string(bytes.size()));
    if (length < 20)
        throw ImportError("damaged binary glTF: the header says " + std::to_string(length) +
                          " bytes, too few for a header and a chunk");
    const std::span<const std::uint8_t> file = bytes.first(length);
    const auto [jsonType, json] = chunkAt(file, 12);
    if (jsonType != jsonChunk)
        throw ImportError("damaged binary glTF: the first chunk is not JSON");
    container.json = {reinterpret_cast<const char*>(json.data()), json.size()};
    const std::size_t next = 20 + json.size();
    if (file.size() - next >= 8) {
        const auto [type, chunk] = chunkAt(file, next);
        if (type == binChunk)
            container.binaryChunk = chunk;
    }
    return container;
}
