// mirelda-play --render driven as a user would: the files it writes are read back with ffprobe,
// decoded with ffmpeg and compared with the PNG frames of the same moments.
#include "RenderCommand.h"

#include "tests/support/TemporaryDirectory.h"

#include <QImage>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int takeRows = 45; // 1.5 s at 30 frames a second

double psnr(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    if (left.size() != right.size())
        return 0.0;
    double squares = 0.0;
    for (int y = 0; y < left.height(); ++y)
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            for (const int shift : {16, 8, 0}) {
                const double d = ((p >> shift) & 0xFF) - static_cast<double>((q >> shift) & 0xFF);
                squares += d * d;
            }
        }
    const double mean = squares / (3.0 * left.width() * left.height());
    return mean == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mean);
}

// The frame of that index (from 0), decoded by ffmpeg into a PNG.
QImage decodedFrame(const fs::path& video, int index, const fs::path& folder) {
    const fs::path png = folder / ("decoded_" + std::to_string(index) + ".png");
    const CommandResult decoded =
        runCommand("ffmpeg -v error -y -i " + quoted(video.string()) + " -vf " +
                   quoted("select=eq(n\\," + std::to_string(index) + ")") +
                   " -vsync 0 -frames:v 1 " + quoted(png.string()));
    EXPECT_EQ(decoded.status, 0) << decoded.errorOutput;
    return QImage(QString::fromStdString(png.string()));
}

double number(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() ? std::nan("") : std::stod(found->second);
}

class RenderCommandTest : public testing::Test {
  protected:
    TemporaryDirectory folder;
    fs::path take = writeTake(folder.path(), takeRows);
};

struct VideoCase {
    const char* name;
    std::vector<std::string> options;
    const char* width;
    const char* height;
    int frames;
};

// Each kind of video, at the recording's rate and size and resampled at another size.
TEST_F(RenderCommandTest, VideosHoldEveryFrameAtItsRate) {
    const VideoCase cases[] = {
        {"take.mp4", {}, "800", "600", takeRows},
        {"take.mkv", {}, "800", "600", takeRows},
        {"wide.mp4", {"--fps", "24", "--size", "640x360"}, "640", "360", 36},
    };
    for (const VideoCase& video : cases) {
        SCOPED_TRACE(video.name);
        const fs::path out = folder.path() / video.name;
        std::vector<std::string> arguments{take.string(), "--render", out.string()};
        arguments.insert(arguments.end(), video.options.begin(), video.options.end());
        const CommandResult result = runPlayer(arguments);
        ASSERT_EQ(result.status, 0) << result.errorOutput;
        const auto stream = probe(out, "v:0",
                                  "stream=codec_name,pix_fmt,width,height,nb_read_frames:"
                                  "format=duration");
        EXPECT_EQ(stream.at("codec_name"), "h264");
        EXPECT_EQ(stream.at("pix_fmt"), "yuv420p");
        EXPECT_EQ(stream.at("width"), video.width);
        EXPECT_EQ(stream.at("height"), video.height);
        EXPECT_EQ(stream.at("nb_read_frames"), std::to_string(video.frames));
        EXPECT_NEAR(number(stream, "duration"), 1.5, 0.002);
        // Frame k shows at k / fps: none skipped, none repeated.
        const std::vector<double> times = frameTimes(out);
        ASSERT_EQ(times.size(), static_cast<std::size_t>(video.frames));
        const double first = times.front();
        for (std::size_t k = 0; k < times.size(); ++k)
            EXPECT_NEAR(times[k] - first, static_cast<double>(k) * 1.5 / video.frames, 0.0011) << k;
        // Nothing but the video is left beside it.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  2);
        fs::remove(out);
    }
}

// Frame k of the video is the picture of frame k of the PNG folder, through H.264 at the
// default quality, at the start, on the turn and at the end.
TEST_F(RenderCommandTest, DecodedFramesMatchThePngsOfTheSameMoment) {
    const fs::path frames = folder.path() / "frames";
    const fs::path video = folder.path() / "take.mp4";
    const CommandResult pngs = runPlayer({take.string(), "--render", frames.string() + "/"});
    ASSERT_EQ(pngs.status, 0) << pngs.errorOutput;
    const CommandResult encoded = runPlayer({take.string(), "--render", video.string()});
    ASSERT_EQ(encoded.status, 0) << encoded.errorOutput;
    EXPECT_EQ(std::distance(fs::directory_iterator(frames), fs::directory_iterator()), takeRows);
    for (const int index : {0, 17, takeRows - 1}) {
        SCOPED_TRACE(index);
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.png", index + 1);
        const QImage png(QString::fromStdString((frames / name).string()));
        ASSERT_EQ(png.size(), QSize(800, 600));
        EXPECT_GE(psnr(decodedFrame(video, index, folder.path()), png), 38.0);
        // Neighbouring frames differ, so a frame shown at the wrong moment would not match.
        char next[32];
        std::snprintf(next, sizeof next, "frame_%05d.png", index == 0 ? 2 : index);
        EXPECT_NE(png, QImage(QString::fromStdString((frames / next).string())));
    }
}

// The sound of a tone made by FFmpeg's own generator: encoded as AAC where MP4 cannot take
// the WAV's PCM, copied into Matroska, starting with the first frame or at the offset.
TEST_F(RenderCommandTest, SoundStartsWithTheFirstRowOrAtItsOffset) {
    const fs::path tone = folder.path() / "tone.wav";
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=3 " +
                         quoted(tone.string()))
                  .status,
              0);
    struct SoundCase {
        const char* name;
        const char* offset;
        const char* codec;
        double start;
    } cases[] = {
        {"take.mp4", "0", "aac", 0.0},
        {"take.mkv", "0", "pcm_s16le", 0.0},
        {"later.mp4", "0.5", "aac", 0.5},
    };
    for (const SoundCase& sound : cases) {
        SCOPED_TRACE(sound.name);
        const fs::path out = folder.path() / sound.name;
        const CommandResult result = runPlayer({take.string(), "--render", out.string(), "--audio",
                                                tone.string(), "--audio-offset", sound.offset});
        ASSERT_EQ(result.status, 0) << result.errorOutput;
        const auto audio = probe(out, "a:0", "stream=codec_name,start_time");
        const auto video = probe(out, "v:0", "stream=start_time:format=duration");
        EXPECT_EQ(audio.at("codec_name"), sound.codec);
        EXPECT_NEAR(number(audio, "start_time") - number(video, "start_time"), sound.start,
                    1.0 / 30.0);
        // The sound is cut at the video's end.
        EXPECT_NEAR(number(video, "duration"), 1.5, 1.0 / 30.0);
    }
}

// Every refusal is one line and exit status 1, and the folder, an older OUT in it included, is
// as it was.
TEST_F(RenderCommandTest, RefusalsSayWhyInOneLineAndLeaveOutAsItWas) {
    const fs::path silent = folder.path() / "silent.mkv";
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=64x48:duration=1 " +
                         quoted(silent.string()))
                  .status,
              0);
    // A concatenation list names another sound file: FFmpeg would read it, the player may not.
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i sine=duration=1 " +
                         quoted((folder.path() / "tone.wav").string()))
                  .status,
              0);
    const fs::path list = folder.write("list.ffconcat", "ffconcat version 1.0\nfile tone.wav\n");
    const fs::path broken = folder.write("broken.csv", "Timecode,BlendShapeCount,JawOpen\nx,1\n");
    const fs::path old = folder.write("old.mp4", "an earlier render");
    const fs::path notAFolder = folder.write("file.txt", "text");
    const std::string takeFile = take.string();
    struct Refusal {
        std::vector<std::string> arguments;
        const char* says;
    } refusals[] = {
        {{takeFile, "--render", (folder.path() / "take.avi").string()}, "name it .mp4 or .mkv"},
        {{takeFile, "--render", (notAFolder / "take.mp4").string()}, "cannot write in"},
        {{takeFile, "--render", old.string(), "--audio", silent.string()}, "has no sound"},
        {{takeFile, "--render", old.string(), "--audio", (folder.path() / "none.wav").string()},
         "cannot read the sound"},
        {{takeFile, "--render", old.string(), "--audio", list.string()}, "cannot read the sound"},
        {{broken.string(), "--render", old.string()}, "broken.csv"},
        {{takeFile, "--render", old.string(), "--crf", "52"}, "--crf takes"},
        {{takeFile, "--render", old.string(), "--size", "801x600"}, "even width and height"},
        {{takeFile, "--render", old.string(), "--size", "800"}, "--size takes"},
        {{takeFile, "--render", old.string(), "--fps", "0"}, "--fps takes"},
        {{takeFile, "--render", (folder.path() / "frames/").string(), "--audio", takeFile},
         "has no sound: render to"},
        {{takeFile, "--fps", "25"}, "say where with --render"},
        {{takeFile, "--render", old.string(), "--audio-offset", "0.5"}, "none is given"},
        {{takeFile, "--render", old.string(), "--audio-offset", "soon"}, "takes seconds"},
    };
    const auto before = folderContents(folder.path());
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.says);
        const CommandResult result = runPlayer(refusal.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.errorOutput.find(refusal.says), std::string::npos) << result.errorOutput;
        EXPECT_EQ(std::count(result.errorOutput.begin(), result.errorOutput.end(), '\n'), 1)
            << result.errorOutput;
        EXPECT_EQ(folderContents(folder.path()), before);
    }
}

// Ctrl+C or SIGTERM in the middle of a render stops it and leaves neither the output nor the
// temporary file.
TEST_F(RenderCommandTest, InterruptedRenderLeavesNothing) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const fs::path out = folder.path() / "long.mp4";
        const std::vector<std::string> arguments{"./mirelda-play", take.string(), "--render",
                                                 out.string(),     "--fps",       "240"};
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        // The temporary file appears before the first frame; give the render a moment more.
        const auto hasTemporary = [&] {
            return std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()) >
                   1;
        };
        for (int wait = 0; wait < 200 && !hasTemporary(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(hasTemporary());
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  1);
    }
}

} // namespace
