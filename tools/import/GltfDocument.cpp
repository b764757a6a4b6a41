#include "GltfDocument.h"

#include "ImportError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Extensions a file may require that change nothing the importer reads: it reads no materials,
// textures or lights, and reads quantized attributes like any other accessor.
bool canIgnoreRequired(const std::string& extension) {
    static constexpr std::array<std::string_view, 4> prefixes{"KHR_materials_", "KHR_texture_",
                                                              "EXT_texture_", "KHR_lights_"};
    return extension == "KHR_mesh_quantization" ||
           std::any_of(prefixes.begin(), prefixes.end(),
                       [&](std::string_view prefix) { return extension.starts_with(prefix); });
}

std::string describeExtension(const std::string& extension) {
    if (extension == "KHR_draco_mesh_compression")
        return "Draco mesh compression (KHR_draco_mesh_compression)";
    if (extension == "EXT_meshopt_compression" || extension == "KHR_meshopt_compression")
        return "meshopt compression (" + extension + ")";
    return extension;
}

// Mirelda shades procedurally: image bytes are left undecoded.
bool skipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int,
               const unsigned char*, int, void*) {
    return true;
}

struct FileAccess {
    std::string baseDirectory; // absolute, ends with a separator
    ExternalFiles policy;
};

// Only regular files under the model's directory: tinygltf also looks in the current
// directory, and a FIFO or device would block the import.
bool fileExists(const std::string& path, void* user) {
    const auto& access = *static_cast<const FileAccess*>(user);
    std::error_code error;
    return access.policy == ExternalFiles::Read && path.starts_with(access.baseDirectory) &&
           fs::is_regular_file(path, error);
}

std::string expandFilePath(const std::string& path, void*) {
    return path;
}

bool readWholeFile(std::vector<unsigned char>* out, std::string* error, const std::string& path,
                   void* user) {
    if (!fileExists(path, user)) {
        *error = "not a readable file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "read error";
        return false;
    }
    return true;
}

bool writeWholeFile(std::string* error, const std::string&, const std::vector<unsigned char>&,
                    void*) {
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

} // namespace

tinygltf::Model parseGltf(std::span<const std::uint8_t> bytes, const fs::path& baseDirectory,
                          ExternalFiles externalFiles) {
    if (bytes.size() > std::numeric_limits<unsigned int>::max())
        throw ImportError("the file is larger than 4 GB");

    const fs::path base = baseDirectory.empty() ? fs::current_path() : fs::absolute(baseDirectory);
    FileAccess access{(base.lexically_normal() / "").string(), externalFiles};
    if (!isBinaryGltf(bytes) && !looksLikeJson(bytes))
        throw ImportError("not a glTF file (neither binary glTF nor JSON)");

    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(skipImage, nullptr);
    loader.SetFsCallbacks({fileExists, expandFilePath, readWholeFile, writeWholeFile, &access});

    tinygltf::Model model;
    std::string error;
    std::string warning;
    const auto size = static_cast<unsigned int>(bytes.size());
    const bool loaded =
        isBinaryGltf(bytes)
            ? loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(), size,
                                          access.baseDirectory)
            : loader.LoadASCIIFromString(&model, &error, &warning,
                                         reinterpret_cast<const char*>(bytes.data()), size,
                                         access.baseDirectory);
    if (!loaded)
        throw ImportError(firstLine(error));
    if (!model.asset.version.starts_with("2."))
        throw ImportError("glTF version " + model.asset.version + " is not 2.x");
    for (const std::string& extension : model.extensionsRequired)
        if (!canIgnoreRequired(extension))
            throw ImportError("requires " + describeExtension(extension) +
                              ", which the importer cannot read");
    return model;
}
