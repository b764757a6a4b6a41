#include "GltfBuffers.h"

#include "ContainedFiles.h"
#include "ImportError.h"

#include <string>

namespace {

using nlohmann::json;

bool isFallback(const json& buffer) {
    const auto extensions = buffer.find("extensions");
    if (extensions == buffer.end() || !extensions->is_object())
        return false;
    const auto meshopt = extensions->find("EXT_meshopt_compression");
    if (meshopt == extensions->end() || !meshopt->is_object())
        return false;
    const auto fallback = meshopt->find("fallback");
    return fallback != meshopt->end() && fallback->is_boolean() && fallback->get<bool>();
}

std::vector<unsigned char> dataUriBytes(const std::string& uri, std::size_t byteLength,
                                        const std::string& what) {
    std::vector<unsigned char> bytes;
    std::string mimeType;
    if (!tinygltf::DecodeDataURI(&bytes, mimeType, uri, 0, false))
        throw ImportError(what + ": the data: URI cannot be decoded");
    if (bytes.size() < byteLength)
        throw ImportError(what + ": the data: URI holds fewer bytes than its byteLength");
    bytes.resize(byteLength);
    return bytes;
}

} // namespace

std::vector<tinygltf::Buffer> loadBuffers(const json& buffers, const GltfContainer& container,
                                          const std::filesystem::path& folder,
                                          ExternalFiles externalFiles) {
    if (!buffers.is_array())
        throw ImportError("\"buffers\" is not an array");
    std::vector<tinygltf::Buffer> loaded;
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        const json& buffer = buffers[i];
        const std::string what = "buffer " + std::to_string(i);
        if (!buffer.is_object() || !buffer.contains("byteLength") ||
            !buffer["byteLength"].is_number_unsigned())
            throw ImportError(what + " has no byteLength");
        const auto byteLength = buffer["byteLength"].get<std::uint64_t>();
        if (byteLength > maxFileBytes)
            throw ImportError(what + " is larger than the importer reads");
        const auto length = static_cast<std::size_t>(byteLength);
        tinygltf::Buffer& out = loaded.emplace_back();
        if (buffer.contains("name") && buffer["name"].is_string())
            out.name = buffer["name"].get<std::string>();

        if (!buffer.contains("uri")) {
            if (isFallback(buffer))
                continue;
            if (i != 0 || !container.binary)
                throw ImportError(what + " has neither a URI nor binary glTF data");
            if (container.binaryChunk.size() < length)
                throw ImportError(what + ": byteLength " + std::to_string(length) +
                                  " exceeds the binary chunk's " +
                                  std::to_string(container.binaryChunk.size()) + " bytes");
            out.data.assign(container.binaryChunk.begin(),
                            container.binaryChunk.begin() + static_cast<std::ptrdiff_t>(length));
            continue;
        }
        if (!buffer["uri"].is_string())
            throw ImportError(what + ": the URI is not a string");
        out.uri = buffer["uri"].get<std::string>();
        if (tinygltf::IsDataURI(out.uri))
            out.data = dataUriBytes(out.uri, length, what);
        else if (externalFiles == ExternalFiles::Refuse)
            throw ImportError(what + ": URI \"" + out.uri + "\" refused: external files are off");
        else
            out.data = readContainedFile(folder, out.uri, length);
    }
    return loaded;
}

std::span<const unsigned char> bufferBytes(const tinygltf::Model& model, int buffer,
                                           std::size_t offset, std::size_t length,
                                           const std::string& what, const std::string& subject) {
    if (buffer < 0 || static_cast<std::size_t>(buffer) >= model.buffers.size())
        throw ImportError(what + ": buffer " + std::to_string(buffer) + " does not exist");
    const std::vector<unsigned char>& data = model.buffers[static_cast<std::size_t>(buffer)].data;
    if (offset > data.size() || length > data.size() - offset)
        throw ImportError(what + ": " + subject + " lies outside its buffer");
    return std::span<const unsigned char>(data).subspan(offset, length);
}
