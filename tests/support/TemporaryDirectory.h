#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes. Each has its own name, so tests running in parallel never share files.
class TemporaryDirectory {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file of that name in the directory, replacing it, and returns its path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};
