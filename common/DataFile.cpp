#include "common/DataFile.h"

#include <system_error>

std::optional<std::string> whyNotARegularFile(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    switch (status.type()) {
    case fs::file_type::regular:
        return std::nullopt;
    case fs::file_type::not_found:
        return "file not found";
    case fs::file_type::directory:
        return "is a directory, not a file";
    case fs::file_type::fifo:
        return "is a named pipe, not a file";
    case fs::file_type::block:
    case fs::file_type::character:
        return "is a device, not a file";
    case fs::file_type::socket:
        return "is a socket, not a file";
    default:
        break;
    }
    if (error == std::errc::too_many_symbolic_link_levels)
        return "is a loop of symbolic links";
    if (error == std::errc::permission_denied)
        return "cannot be reached: permission denied";
    if (error)
        return "cannot be reached: " + error.message();
    return "is not a regular file";
}
