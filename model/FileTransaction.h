#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string_view>
#include <vector>

// Changes to several files that land together or not at all: new contents are written to
// temporary files beside their targets, and commit() renames them into place and removes what is
// to go. A file replaced or removed is kept as a hard link or under a temporary name until every
// step has succeeded, so that a failed step puts each file back as it was. Directories made here
// are removed again when the transaction does not commit. Throws std::runtime_error naming the
// file at fault.
//
//     FileTransaction transaction;
//     transaction.makeDirectories(folder);
//     transaction.write(folder / "a.txt", "new text");
//     transaction.remove(folder / "stale.txt");
//     transaction.commit();
class FileTransaction {
  public:
    FileTransaction();
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;
    ~FileTransaction(); // rolls back unless committed

    void makeDirectories(const std::filesystem::path& directory);
    // The target's new contents, streamed by `writeContents` into a temporary file now.
    void write(const std::filesystem::path& target,
               const std::function<void(std::ostream&)>& writeContents);
    void write(const std::filesystem::path& target, std::string_view bytes);
    // Removes the target at commit, if it is there then.
    void remove(const std::filesystem::path& target);
    void commit();

  private:
    struct Change {
        std::filesystem::path target;
        std::filesystem::path temporary; // empty: the target is removed
        std::filesystem::path backup;
        bool hadTarget = false;
        bool applied = false;
    };

    std::filesystem::path temporaryBeside(const std::filesystem::path& target,
                                          std::string_view kind) const;
    void apply(Change& change);
    void undo(const Change& change) noexcept;
    void rollback() noexcept;

    std::string suffix_;
    std::vector<Change> changes_;
    std::vector<std::filesystem::path> madeDirectories_;
    bool committed_ = false;
};
