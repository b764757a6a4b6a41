#include "tests/support/TemporaryDirectory.h"

#include <fstream>
#include <random>
#include <stdexcept>

TemporaryDirectory::TemporaryDirectory() {
    std::random_device seed;
    std::mt19937_64 names(seed());
    // create_directory reports whether it made the directory, so a name taken by a parallel
    // test is never shared.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("mirelda-test-" + std::to_string(names()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TemporaryDirectory::write(const std::string& name,
                                                std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write test file " + file.string());
    return file;
}
