// The pieces of a render's output that the command's journeys cannot reach: the progress
// figures, the temporary output's replace and clean-up, a failing encoder behind the thread.
#include "common/DemoError.h"
#include "tests/support/TemporaryDirectory.h"
#include "video/BackgroundSink.h"
#include "video/RenderProgress.h"
#include "video/TemporaryOutput.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(RenderProgressTest, BarShowsDoneRateAndTimeLeft) {
    struct Case {
        std::int64_t done;
        std::int64_t total;
        double elapsed;
        const char* text;
    } cases[] = {
        {0, 1800, 0.0, "[..............................] 0/1800 frames"},
        {600, 1800, 20.0,
         "[##########....................] 600/1800 frames  30.0 frames/s  0:40 left"},
        {1799, 1800, 60.0,
         "[#############################.] 1799/1800 frames  30.0 frames/s  0:01 left"},
        {1800, 1800, 45.0,
         "[##############################] 1800/1800 frames  40.0 frames/s  0:00 left"},
        {90, 1800, 1.0,
         "[#.............................] 90/1800 frames  90.0 frames/s  0:19 left"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenderProgress::barText(c.done, c.total, c.elapsed), c.text);
    EXPECT_EQ(RenderProgress::summaryText("wrote take.mp4", 1800, 50.0),
              "wrote take.mp4: 1800 frames in 50.0 s (36.0 frames/s)");
}

// On a terminal the bar is redrawn at most ten times a second and taken off the line at the
// end; elsewhere only the closing line is written.
TEST(RenderProgressTest, TerminalGetsTheBarOtherOutputsOneLine) {
    for (const bool terminal : {true, false}) {
        double now = 100.0;
        std::ostringstream out;
        RenderProgress progress(out, terminal, 100, [&] { return now; });
        for (int frame = 1; frame <= 100; ++frame) {
            now += 0.02;
            progress.frameDone(frame);
        }
        progress.finish("wrote x.mkv");
        const std::string text = out.str();
        std::size_t bars = 0;
        for (std::size_t at = text.find("/100 frames  "); at != std::string::npos;
             at = text.find("/100 frames  ", at + 1))
            ++bars;
        if (terminal) {
            EXPECT_GE(bars, 18u);
            EXPECT_LE(bars, 22u);
        } else {
            EXPECT_EQ(bars, 0u);
        }
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
        const std::string summary = "wrote x.mkv: 100 frames in 2.0 s (50.0 frames/s)\n";
        if (terminal) {
            EXPECT_EQ(text.substr(text.size() - summary.size() - 4), "\r\x1b[K" + summary);
        } else {
            EXPECT_EQ(text, summary);
        }
    }
}

TEST(TemporaryOutputTest, FileAppearsOnlyWhenCommitted) {
    const TemporaryDirectory folder;
    const fs::path out = folder.write("take.mp4", "old");
    {
        TemporaryOutput output(out, TemporaryOutput::Kind::File);
        EXPECT_EQ(output.temporaryPath().parent_path(), folder.path());
        std::ofstream(output.temporaryPath()) << "half";
        EXPECT_EQ(contents(out), "old");
    }
    // Dropped without a commit: only the old file is left.
    EXPECT_EQ(entries(folder.path()), 1u);
    EXPECT_EQ(contents(out), "old");
    TemporaryOutput output(out, TemporaryOutput::Kind::File);
    std::ofstream(output.temporaryPath()) << "new";
    output.commit();
    EXPECT_EQ(contents(out), "new");
    EXPECT_EQ(entries(folder.path()), 1u);
}

TEST(TemporaryOutputTest, FolderReplacesAnOlderOne) {
    const TemporaryDirectory folder;
    fs::create_directory(folder.path() / "frames");
    std::ofstream(folder.path() / "frames" / "frame_00009.png") << "old";
    TemporaryOutput output(folder.path() / "frames/", TemporaryOutput::Kind::Folder);
    std::ofstream(output.temporaryPath() / "frame_00001.png") << "new";
    EXPECT_TRUE(fs::exists(folder.path() / "frames" / "frame_00009.png"));
    output.commit();
    EXPECT_EQ(entries(folder.path()), 1u);
    EXPECT_EQ(entries(folder.path() / "frames"), 1u);
    EXPECT_EQ(contents(folder.path() / "frames" / "frame_00001.png"), "new");
}

TEST(TemporaryOutputTest, RefusesWhatCannotHoldIt) {
    const TemporaryDirectory folder;
    const fs::path file = folder.write("file.txt", "x");
    fs::create_directory(folder.path() / "dir.mp4");
    EXPECT_THROW(TemporaryOutput(file / "take.mp4", TemporaryOutput::Kind::File), DemoError);
    EXPECT_THROW(TemporaryOutput(folder.path() / "dir.mp4", TemporaryOutput::Kind::File),
                 DemoError);
    EXPECT_THROW(TemporaryOutput(file, TemporaryOutput::Kind::Folder), DemoError);
    EXPECT_EQ(entries(folder.path()), 2u);
}

// The encoder's failure is the one call a test cannot make real: a sink that fails on its
// third frame stands in for it.
class FailingSink final : public FrameSink {
  public:
    explicit FailingSink(int& written) : written_(written) {}
    void write(std::span<const std::uint32_t> argb) override {
        if (written_ == 2)
            throw DemoError("disk full");
        ASSERT_EQ(argb.size(), 4u);
        ++written_;
    }
    void finish() override { finished_ = true; }
    bool finished_ = false;

  private:
    int& written_;
};

TEST(BackgroundSinkTest, KeepsOrderAndBringsBackAFailure) {
    int written = 0;
    BackgroundSink sink(std::make_unique<FailingSink>(written), 2);
    const std::vector<std::uint32_t> frame(4, 0xFF00FF00u);
    bool failed = false;
    try {
        for (int i = 0; i < 20; ++i)
            sink.write(frame);
        sink.finish();
    } catch (const DemoError& error) {
        failed = true;
        EXPECT_STREQ(error.what(), "disk full");
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(written, 2);
}

} // namespace
