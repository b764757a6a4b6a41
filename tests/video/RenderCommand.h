#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Runs the real player from the build directory, as a user would, and reads what it wrote with
// FFmpeg's own tools.
struct CommandResult {
    int status = -1;
    std::string errorOutput;
};

// Runs the shell command line with standard error captured.
CommandResult runCommand(const std::string& commandLine);
// ./mirelda-play with these arguments, each quoted.
CommandResult runPlayer(const std::vector<std::string>& arguments);
std::string quoted(const std::string& argument);

// ffprobe's key=value lines for the entries asked for, of the stream chosen (v:0, a:0).
std::map<std::string, std::string> probe(const std::filesystem::path& file,
                                         const std::string& stream, const std::string& entries);

// The presentation time of every video frame, in seconds, in decoding order.
std::vector<double> frameTimes(const std::filesystem::path& file);

// A face-capture recording of `rows` rows at 30 frames a second: the jaw opens and closes while
// the head turns, so every frame differs from the one before.
std::filesystem::path writeTake(const std::filesystem::path& folder, int rows);

// Every file under the folder with its bytes, to tell that a refused run changed nothing.
std::map<std::string, std::string> folderContents(const std::filesystem::path& folder);
