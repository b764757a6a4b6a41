#include "video/TemporaryOutput.h"

#include "common/DemoError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path withoutTrailingSlash(fs::path path) {
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Hidden and marked with the process, so two renders beside each other never share one.
fs::path besideWithSuffix(const fs::path& out, const std::string& suffix) {
    std::string name(1, '.');
    name.append(out.filename().string()).append(1, '.').append(std::to_string(::getpid()));
    return out.parent_path() / name.append(suffix);
}

std::string reason(int error) {
    return std::strerror(error);
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

} // namespace

TemporaryOutput::TemporaryOutput(fs::path out, Kind kind)
    : final_(withoutTrailingSlash(std::move(out))), kind_(kind) {
    if (final_.parent_path().empty())
        final_ = fs::path(".") / final_;
    const fs::path folder = final_.parent_path();
    std::error_code error;
    const fs::file_status status = fs::status(final_, error);
    if (kind_ == Kind::File && fs::is_directory(status))
        throw DemoError("cannot write " + final_.string() + ": it is a folder");
    if (kind_ == Kind::Folder && fs::exists(status) && !fs::is_directory(status))
        throw DemoError("cannot write frames into " + final_.string() + ": it is not a folder");
    temporary_ = besideWithSuffix(final_, ".partial");
    if (kind_ == Kind::File) {
        const int descriptor =
            ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0)
            throw DemoError("cannot write in " + folder.string() + ": " + reason(errno));
        ::close(descriptor);
    } else if (::mkdir(temporary_.c_str(), 0777) != 0) {
        throw DemoError("cannot write in " + folder.string() + ": " + reason(errno));
    }
}

TemporaryOutput::~TemporaryOutput() {
    if (!committed_)
        removeQuietly(temporary_);
}

void TemporaryOutput::commit() {
    if (kind_ == Kind::File) {
        if (::rename(temporary_.c_str(), final_.c_str()) != 0)
            throw DemoError("cannot put " + final_.string() + " in place: " + reason(errno));
        committed_ = true;
        return;
    }
    // A folder cannot be renamed over a full one: the old one steps aside first and comes back
    // if the new one cannot take its place.
    const fs::path old = besideWithSuffix(final_, ".old");
    const bool hadOld = fs::exists(final_);
    if (hadOld && ::rename(final_.c_str(), old.c_str()) != 0)
        throw DemoError("cannot replace " + final_.string() + ": " + reason(errno));
    if (::rename(temporary_.c_str(), final_.c_str()) != 0) {
        const int error = errno;
        if (hadOld)
            ::rename(old.c_str(), final_.c_str());
        throw DemoError("cannot put " + final_.string() + " in place: " + reason(error));
    }
    committed_ = true;
    if (hadOld)
        removeQuietly(old);
}
