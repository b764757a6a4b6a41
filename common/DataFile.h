#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Why `path` cannot be read as a data file, in words for the person who supplied it: it is
// missing, a directory, a named pipe or device, or a loop of symbolic links. Nothing when it is
// a regular file. Readers ask before opening: opening a named pipe waits for a writer forever.
std::optional<std::string> whyNotARegularFile(const std::filesystem::path& path);
