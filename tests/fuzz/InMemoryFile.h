#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A file that lives in memory only, for readers that take a path: every fuzz input is written
// to it in place, without touching the disk, and read back through /proc/self/fd.
class InMemoryFile {
  public:
    InMemoryFile();
    ~InMemoryFile();
    InMemoryFile(const InMemoryFile&) = delete;
    InMemoryFile& operator=(const InMemoryFile&) = delete;

    // Makes `bytes` the whole content of the file.
    void replace(std::span<const std::uint8_t> bytes);
    // A path that opens the file anew, at offset 0, each time.
    const std::string& path() const { return path_; }

  private:
    int descriptor_;
    std::string path_;
};
