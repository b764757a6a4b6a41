#include "model/DataFilePair.h"

#include "model/MorphGroupFileWriter.h"

#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// Undoes what a failed write left behind: temporary files, then new directories innermost
// first.
class WriteRollback {
  public:
    void madeDirectory(const fs::path& path) { directories_.push_back(path); }
    void madeFile(const fs::path& path) { files_.push_back(path); }
    void commit() {
        files_.clear();
        directories_.clear();
    }
    ~WriteRollback() {
        std::error_code ignored;
        for (const fs::path& file : files_)
            fs::remove(file, ignored);
        for (auto it = directories_.rbegin(); it != directories_.rend(); ++it)
            fs::remove(*it, ignored);
    }

  private:
    std::vector<fs::path> files_;
    std::vector<fs::path> directories_;
};

void makeDirectories(const fs::path& directory, WriteRollback& rollback) {
    std::vector<fs::path> missing;
    for (fs::path path = directory; !path.empty() && !fs::exists(path); path = path.parent_path()) {
        missing.push_back(path);
        if (path == path.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        std::error_code error;
        if (!fs::create_directory(*it, error) && error)
            throw std::runtime_error("cannot create " + it->string() + ": " + error.message());
        rollback.madeDirectory(*it);
    }
    if (!fs::is_directory(directory))
        throw std::runtime_error(directory.string() + " is not a directory");
}

// Renames both temporary files into place. Two renames cannot be one atomic step, so the
// first file's previous version is kept as a hard link until the second rename has succeeded:
// if it fails, the first is put back and the directory holds the old pair, not a mixed one.
void replacePair(const fs::path& firstTemp, const fs::path& first, const fs::path& secondTemp,
                 const fs::path& second, WriteRollback& rollback) {
    const fs::path firstBackup = firstTemp.string() + ".previous";
    std::error_code error;
    const bool hadFirst = fs::exists(first, error);
    if (hadFirst) {
        fs::create_hard_link(first, firstBackup, error);
        if (error)
            throw std::runtime_error("cannot keep " + first.string() +
                                     " while replacing it: " + error.message());
    }
    rollback.madeFile(firstBackup);
    fs::rename(firstTemp, first, error);
    if (!error)
        fs::rename(secondTemp, second, error);
    if (error) {
        std::error_code ignored;
        if (hadFirst)
            fs::rename(firstBackup, first, ignored);
        else
            fs::remove(first, ignored);
        throw std::runtime_error("cannot replace the files in " + first.parent_path().string() +
                                 ": " + error.message());
    }
    fs::remove(firstBackup, error);
}

} // namespace

void writeDataFilePair(const fs::path& directory, const MeshFileImage& meshFile,
                       const std::vector<MorphGroup>& groups) {
    const std::string meshBytes = encodeMeshFile(meshFile);
    const std::string groupText = encodeMorphGroupFile(groups);
    const fs::path meshPath = directory / meshFileName;
    const fs::path groupPath = directory / groupFileName;
    const std::string suffix = ".writing-" + std::to_string(::getpid());
    const fs::path meshTemp = meshPath.string() + suffix;
    const fs::path groupTemp = groupPath.string() + suffix;

    WriteRollback rollback;
    makeDirectories(directory, rollback);
    rollback.madeFile(meshTemp);
    rollback.madeFile(groupTemp);
    writeBytes(meshTemp, meshBytes);
    writeBytes(groupTemp, groupText);
    replacePair(groupTemp, groupPath, meshTemp, meshPath, rollback);
    rollback.commit();
}
