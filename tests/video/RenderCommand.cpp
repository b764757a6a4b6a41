#include "RenderCommand.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string quoted(const std::string& argument) {
    std::string text = "'";
    for (const char c : argument)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

CommandResult runCommand(const std::string& commandLine) {
    const fs::path errors =
        fs::temp_directory_path() / ("render_test_stderr_" + std::to_string(::getpid()));
    const int raw = std::system((commandLine + " 2>" + quoted(errors.string())).c_str());
    CommandResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    result.errorOutput = text.str();
    fs::remove(errors);
    return result;
}

CommandResult runPlayer(const std::vector<std::string>& arguments) {
    std::string line = "./mirelda-play";
    for (const std::string& argument : arguments)
        line.append(1, ' ').append(quoted(argument));
    return runCommand(line);
}

std::map<std::string, std::string> probe(const fs::path& file, const std::string& stream,
                                         const std::string& entries) {
    const std::string line = "ffprobe -v error -count_frames -select_streams " + stream +
                             " -show_entries " + entries + " -of default=nw=1 " +
                             quoted(file.string());
    std::map<std::string, std::string> values;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (pipe == nullptr)
        return values;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string text(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            values[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::pclose(pipe);
    return values;
}

std::vector<double> frameTimes(const fs::path& file) {
    const std::string line = "ffprobe -v error -select_streams v:0 -show_entries "
                             "frame=pts_time -of csv=p=0 " +
                             quoted(file.string());
    std::vector<double> times;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (pipe == nullptr)
        return times;
    char buffer[128];
    // A frame with side data gets an empty line after its own.
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        if (buffer[0] >= '0' && buffer[0] <= '9')
            times.push_back(std::atof(buffer));
    ::pclose(pipe);
    return times;
}

fs::path writeTake(const fs::path& folder, int rows) {
    const fs::path path = folder / "take.csv";
    std::ofstream out(path);
    out << "Timecode,BlendShapeCount,JawOpen,EyeBlinkLeft,MouthSmileRight,HeadYaw\n";
    for (int row = 0; row < rows; ++row) {
        char timecode[32];
        std::snprintf(timecode, sizeof timecode, "10:00:%02d:%02d.000", row / 30, row % 30);
        const double phase = static_cast<double>(row) / rows;
        out << timecode << ",4," << 0.5 * (1.0 - std::cos(6.2831853 * phase)) << ','
            << (row % 15 < 3 ? 1.0 : 0.0) << ',' << phase << ',' << 0.6 * (phase - 0.5) << '\n';
    }
    return path;
}

std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string bytes;
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            bytes = text.str();
        }
        contents[fs::relative(entry.path(), folder).string()] = bytes;
    }
    return contents;
}
