#pragma once

#include <filesystem>

// An output written under a temporary name beside its final one and renamed into place only when
// complete, so a failed or interrupted render leaves OUT as it was. The temporary file or folder
// is made at once: an unwritable folder is found before any frame is drawn.
class TemporaryOutput {
  public:
    enum class Kind { File, Folder };
    // Throws DemoError when the folder OUT goes in cannot take it, or OUT is of the other kind.
    TemporaryOutput(std::filesystem::path out, Kind kind);
    // Removes what was written unless it was committed.
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const std::filesystem::path& temporaryPath() const { return temporary_; }
    const std::filesystem::path& finalPath() const { return final_; }
    // Puts the output in place, replacing what OUT held; throws DemoError when it cannot.
    void commit();

  private:
    std::filesystem::path final_;
    std::filesystem::path temporary_;
    Kind kind_;
    bool committed_ = false;
};
