#include "GltfDocument.h"

#include "DracoDecoding.h"
#include "GltfBuffers.h"
#include "GltfContainer.h"
#include "ImportError.h"
#include "JsonIntegers.h"
#include "MeshoptDecoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Extensions a file may require that the importer reads, or that change nothing it reads: it
// reads no materials, textures, images or lights.
bool canReadRequired(const std::string& extension) {
    static constexpr std::array<std::string_view, 3> read{
        "KHR_mesh_quantization", "EXT_meshopt_compression", "KHR_draco_mesh_compression"};
    static constexpr std::array<std::string_view, 5> ignored{
        "KHR_materials_", "KHR_texture_", "EXT_texture_", "MSFT_texture_", "KHR_lights_"};
    return std::find(read.begin(), read.end(), extension) != read.end() ||
           std::any_of(ignored.begin(), ignored.end(),
                       [&](std::string_view prefix) { return extension.starts_with(prefix); });
}

std::string describeExtension(const std::string& extension) {
    if (extension == "KHR_meshopt_compression")
        return "meshopt compression (" + extension + ")";
    return extension;
}

// tinygltf reads no file: buffers are loaded beforehand and images are not read.
bool noFileExists(const std::string&, void*) {
    return false;
}
std::string samePath(const std::string& path, void*) {
    return path;
}
bool noFileRead(std::vector<unsigned char>*, std::string* error, const std::string&, void*) {
    *error = "the importer reads no files through tinygltf";
    return false;
}
bool noFileWrite(std::string* error, const std::string&, const std::vector<unsigned char>&, void*) {
    *error = "the importer writes no files through tinygltf";
    return false;
}

// tinygltf reports several lines; the user gets the first, which names the fault.
std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line.empty() ? "not a readable glTF file" : line;
}

bool isBinaryGltf(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
}

// A .gltf is a JSON object: after an optional byte order mark, its first character other than
// white space is '{'.
bool looksLikeJson(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0)
        bytes = bytes.subspan(3);
    const auto first = std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t c) {
        return c != ' ' && c != '\t' && c != '\n' && c != '\r';
    });
    return first != bytes.end() && *first == '{';
}

json parseJson(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    // Writing the document back for tinygltf recurses once a level: deep nesting is refused.
    const json::parser_callback_t limitDepth = [](int depth, json::parse_event_t, json&) {
        if (depth > 64)
            throw ImportError("the JSON is nested more than 64 levels deep");
        return true;
    };
    try {
        json document = json::parse(text.begin(), text.end(), limitDepth);
        if (!document.is_object())
            throw ImportError("the JSON is not an object");
        return document;
    } catch (const json::exception& error) {
        const std::string what = error.what();
        throw ImportError("malformed JSON: " + what.substr(what.find(']') + 1));
    }
}

void refuseUnreadableExtensions(const json& document) {
    const auto required = document.find("extensionsRequired");
    if (required == document.end())
        return;
    if (!required->is_array())
        throw ImportError("\"extensionsRequired\" is not an array");
    for (const json& extension : *required)
        if (!extension.is_string() || !canReadRequired(extension.get<std::string>()))
            throw ImportError("requires " +
                              describeExtension(extension.is_string() ? extension.get<std::string>()
                                                                      : extension.dump()) +
                              ", which the importer cannot read");
}

// A Draco primitive's indices accessor has no buffer view until it is decoded, which tinygltf
// refuses: the reference is taken out before tinygltf reads the document and put back after.
struct DracoIndices {
    std::size_t mesh, primitive;
    json accessor;
};

std::vector<DracoIndices> takeDracoIndices(json& document) {
    std::vector<DracoIndices> taken;
    const auto meshes = document.find("meshes");
    if (meshes == document.end() || !meshes->is_array())
        return taken;
    for (std::size_t m = 0; m < meshes->size(); ++m) {
        json& mesh = (*meshes)[m];
        if (!mesh.is_object() || !mesh.contains("primitives") || !mesh["primitives"].is_array())
            continue;
        json& primitives = mesh["primitives"];
        for (std::size_t p = 0; p < primitives.size(); ++p) {
            json& primitive = primitives[p];
            if (primitive.is_object() && primitive.contains("indices") &&
                primitive.contains("extensions") && primitive["extensions"].is_object() &&
                primitive["extensions"].contains("KHR_draco_mesh_compression")) {
                taken.push_back({m, p, primitive["indices"]});
                primitive.erase("indices");
            }
        }
    }
    return taken;
}

void restoreDracoIndices(tinygltf::Model& model, const std::vector<DracoIndices>& taken) {
    for (const DracoIndices& entry : taken) {
        if (!entry.accessor.is_number_integer() || entry.mesh >= model.meshes.size() ||
            entry.primitive >= model.meshes[entry.mesh].primitives.size())
            throw ImportError("mesh " + std::to_string(entry.mesh) + ": malformed indices");
        const auto index = entry.accessor.get<std::int64_t>();
        if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size())
            throw ImportError("mesh " + std::to_string(entry.mesh) + ": indices accessor " +
                              std::to_string(index) + " does not exist");
        model.meshes[entry.mesh].primitives[entry.primitive].indices = static_cast<int>(index);
    }
}

} // namespace

tinygltf::Model parseGltf(std::span<const std::uint8_t> bytes, const fs::path& baseDirectory,
                          ExternalFiles externalFiles) {
    if (bytes.size() > std::numeric_limits<unsigned int>::max())
        throw ImportError("the file is larger than 4 GB");
    if (!isBinaryGltf(bytes) && !looksLikeJson(bytes))
        throw ImportError("not a glTF file (neither binary glTF nor JSON)");
    const GltfContainer container = splitGltf(bytes);
    json document = parseJson(container.json);
    refuseUnreadableExtensions(document);
    refuseInexactIntegers(document);

    // Buffers are loaded here, where every file read is contained. Images are not read at all
    // (Mirelda shades procedurally): only their number is kept, for the summary.
    const json buffers =
        document.contains("buffers") ? std::move(document["buffers"]) : json::array();
    document.erase("buffers");
    const std::size_t imageCount = document.contains("images") && document["images"].is_array()
                                       ? document["images"].size()
                                       : 0;
    document.erase("images");
    const std::vector<DracoIndices> dracoIndices = takeDracoIndices(document);

    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({noFileExists, samePath, noFileRead, noFileWrite, nullptr});
    tinygltf::Model model;
    std::string error;
    std::string warning;
    const std::string text = document.dump();
    if (!loader.LoadASCIIFromString(&model, &error, &warning, text.data(),
                                    static_cast<unsigned int>(text.size()), ""))
        throw ImportError(firstLine(error));
    if (!model.asset.version.starts_with("2."))
        throw ImportError("glTF version " + model.asset.version + " is not 2.x");

    model.buffers = loadBuffers(buffers, container, baseDirectory, externalFiles);
    model.images.resize(imageCount);
    restoreDracoIndices(model, dracoIndices);
    decodeMeshoptViews(model);
    decodeDracoPrimitives(model);
    return model;
}
