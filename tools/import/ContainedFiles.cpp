#include "ContainedFiles.h"

#include "ImportError.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> readPrefix(const fs::path& path, std::size_t byteCount) {
    std::vector<unsigned char> bytes(byteCount);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw ImportError("cannot read " + path.string());
    return bytes;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether `path` is `folder` or lies below it; both canonical.
bool isInside(const fs::path& path, const fs::path& folder) {
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
           folder.end();
}

} // namespace

std::vector<std::uint8_t> readModelFile(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        throw ImportError("no such file");
    if (fs::is_directory(status))
        throw ImportError("is a directory, not a glTF file");
    if (!fs::is_regular_file(status))
        throw ImportError("not a regular file");
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        throw ImportError("cannot read the file: " + error.message());
    if (size > maxFileBytes)
        throw ImportError("the file is " + std::to_string(size) +
                          " bytes, more than the importer reads");
    return readPrefix(path, static_cast<std::size_t>(size));
}

std::string percentDecoded(const std::string& uri) {
    std::string decoded;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            decoded += uri[i];
            continue;
        }
        const int high = i + 2 < uri.size() ? hexValue(uri[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(uri[i + 2]) : -1;
        if (low < 0)
            throw ImportError("URI \"" + uri + "\" has a malformed % escape");
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (decoded.find('\0') != std::string::npos)
        throw ImportError("URI \"" + uri + "\" holds a zero byte");
    return decoded;
}

std::vector<unsigned char> readContainedFile(const fs::path& folder, const std::string& uri,
                                             std::size_t byteLength) {
    const std::string named = "URI \"" + uri + "\"";
    std::error_code error;
    const fs::path root = fs::canonical(folder.empty() ? fs::path(".") : folder, error);
    if (error)
        throw ImportError(named + ": the model's folder cannot be resolved");
    // An absolute path replaces the folder when appended and is then refused as outside it.
    const fs::path resolved = fs::canonical(root / percentDecoded(uri), error);
    if (error)
        throw ImportError(named + ": no such file");
    if (!isInside(resolved, root))
        throw ImportError(named + " leads outside the model's folder; refused");
    if (!fs::is_regular_file(resolved, error))
        throw ImportError(named + " is not a regular file");
    const std::uintmax_t size = fs::file_size(resolved, error);
    if (error || size < byteLength)
        throw ImportError(named + " holds " + std::to_string(error ? 0 : size) +
                          " bytes, fewer than the buffer's byteLength " +
                          std::to_string(byteLength));
    return readPrefix(resolved, byteLength);
}
