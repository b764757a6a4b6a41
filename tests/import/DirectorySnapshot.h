#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

// Every file under the directory with its bytes, and every folder: what a refused import must
// leave as it found it.
inline std::map<std::filesystem::path, std::string>
snapshot(const std::filesystem::path& directory) {
    std::map<std::filesystem::path, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path()] = entry.is_regular_file()
                                  ? std::string(std::istreambuf_iterator<char>(in), {})
                                  : std::string("<directory>");
    }
    return files;
}
