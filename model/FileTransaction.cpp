#include "model/FileTransaction.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Temporary names unlikely to meet another import's running beside this one.
std::string randomSuffix() {
    std::random_device device;
    std::mt19937_64 generator(
        (std::uint64_t{device()} << 32) ^ device() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    static constexpr char digits[] = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 12; ++i)
        suffix.push_back(digits[generator() % 16]);
    return suffix;
}

} // namespace

FileTransaction::FileTransaction() : suffix_(randomSuffix()) {}

FileTransaction::~FileTransaction() {
    if (!committed_)
        rollback();
}

void FileTransaction::makeDirectories(const fs::path& directory) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path path = directory; !path.empty() && !fs::exists(path, error);
         path = path.parent_path()) {
        missing.push_back(path);
        if (path == path.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!fs::create_directory(*it, error) && error)
            throw std::runtime_error("cannot create " + it->string() + ": " + error.message());
        madeDirectories_.push_back(*it);
    }
    if (!fs::is_directory(directory, error))
        throw std::runtime_error("cannot create " + directory.string() +
                                 ": a file that is not a directory is in the way");
}

fs::path FileTransaction::temporaryBeside(const fs::path& target, std::string_view kind) const {
    return target.string() + "." + std::string(kind) + "-" + suffix_;
}

void FileTransaction::write(const fs::path& target,
                            const std::function<void(std::ostream&)>& writeContents) {
    Change& change = changes_.emplace_back();
    change.target = target;
    change.temporary = temporaryBeside(target, "writing");
    change.backup = temporaryBeside(target, "previous");
    std::ofstream out(change.temporary, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + change.temporary.string());
    writeContents(out);
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + change.temporary.string());
}

void FileTransaction::write(const fs::path& target, std::string_view bytes) {
    write(target, [bytes](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
}

void FileTransaction::remove(const fs::path& target) {
    Change& change = changes_.emplace_back();
    change.target = target;
    change.backup = temporaryBeside(target, "removing");
}

// A replaced file stays where it is until the new one is renamed over it, kept meanwhile as a
// hard link; a removed one is moved aside.
void FileTransaction::apply(Change& change) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(change.target, error);
    change.hadTarget = fs::exists(status);
    if (change.hadTarget && !fs::is_regular_file(status))
        throw std::runtime_error("cannot replace " + change.target.string() +
                                 ": it is not a regular file");
    const bool removing = change.temporary.empty();
    if (change.hadTarget) {
        if (removing)
            fs::rename(change.target, change.backup, error);
        else
            fs::create_hard_link(change.target, change.backup, error);
        if (error)
            throw std::runtime_error("cannot keep " + change.target.string() +
                                     " while replacing it: " + error.message());
    }
    if (!removing) {
        fs::rename(change.temporary, change.target, error);
        if (error) {
            std::error_code ignored;
            if (change.hadTarget)
                fs::remove(change.backup, ignored);
            throw std::runtime_error("cannot replace " + change.target.string() + ": " +
                                     error.message());
        }
    }
    change.applied = true;
}

void FileTransaction::undo(const Change& change) noexcept {
    std::error_code ignored;
    if (change.hadTarget)
        fs::rename(change.backup, change.target, ignored);
    else if (!change.temporary.empty())
        fs::remove(change.target, ignored);
}

void FileTransaction::commit() {
    for (Change& change : changes_)
        apply(change);
    committed_ = true;
    std::error_code ignored;
    for (const Change& change : changes_)
        if (change.hadTarget)
            fs::remove(change.backup, ignored);
}

void FileTransaction::rollback() noexcept {
    std::error_code ignored;
    for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
        if (it->applied)
            undo(*it);
        else if (!it->temporary.empty())
            fs::remove(it->temporary, ignored);
    }
    for (auto it = madeDirectories_.rbegin(); it != madeDirectories_.rend(); ++it)
        fs::remove(*it, ignored);
}
