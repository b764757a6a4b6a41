// Measures the player against the posed demo, each in a fresh process of this benchmark, in the
// same run: a synthetic 60-second, 30 Hz capture of all 52 targets (40 of them moving, as real
// captures move about 40) played through the real player for the given seconds (default 20),
// with the head turning and again with it still, and the demo with one channel at half weight for
// as long. Prints for each the spread of frame intervals of the real frame loop, the finished
// frame's time, the time from showing the window to the first frame and the peak resident
// memory, and what the turn costs a frame. Run it from the build directory.
//
//     playback_bench [seconds]
#include "app/Application.h"
#include "app/FrameLoop.h"
#include "app/MainWindow.h"
#include "app/PlaybackSource.h"
#include "app/QtMessagePump.h"
#include "bench/app/SyntheticCapture.h"
#include "render/Scene.h"
#include "ui/SettingsDialog.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of every thread of the process: llvmpipe shades and rasterises on its own threads.
double processCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Figures {
    double intervalMean = 0, intervalDeviation = 0, firstFrame = 0, peakMegabytes = 0;
    double finishedFrame = 0, frameCpu = 0;
    std::size_t frames = 0;
};

// Runs frames for `seconds` through the real loop; frame draws one. Then times frames with
// their GPU work finished (llvmpipe renders on its own threads).
Figures measureLoop(MainWindow& window, Scene& scene, double seconds, double firstFrame,
                    const std::function<void(float)>& frame) {
    std::vector<double> starts;
    SteadyPerformanceClock clock;
    bool done = false;
    QtMessagePump pump(window, [&] { return done || window.quitPosted(); });
    const auto loopStart = Clock::now();
    runFrameLoop(clock, pump, [&](float dt) {
        starts.push_back(millisecondsSince(loopStart));
        frame(dt);
        done = starts.back() > seconds * 1000.0;
    });
    Figures figures;
    std::vector<double> intervals;
    for (std::size_t i = 1; i < starts.size(); ++i)
        intervals.push_back(starts[i] - starts[i - 1]);
    figures.frames = starts.size();
    if (!intervals.empty()) {
        figures.intervalMean =
            std::accumulate(intervals.begin(), intervals.end(), 0.0) / double(intervals.size());
        double squares = 0;
        for (double value : intervals)
            squares += (value - figures.intervalMean) * (value - figures.intervalMean);
        figures.intervalDeviation = std::sqrt(squares / double(intervals.size()));
    }
    figures.firstFrame = firstFrame;
    // The median, which a busy machine disturbs less than the mean.
    std::vector<double> finished;
    const double cpuBefore = processCpuMilliseconds();
    for (int i = 0; i < 60; ++i) {
        const auto before = Clock::now();
        frame(1.0f / 60.0f);
        (void)scene.readBackBuffer();
        finished.push_back(millisecondsSince(before));
    }
    figures.frameCpu = (processCpuMilliseconds() - cpuBefore) / 60.0;
    std::nth_element(finished.begin(), finished.begin() + 30, finished.end());
    figures.finishedFrame = finished[30];
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return figures;
}

void printFigures(const Figures& f) {
    std::printf("%.4f %.4f %.2f %.1f %zu %.3f %.3f\n", f.intervalMean, f.intervalDeviation,
                f.firstFrame, f.peakMegabytes, f.frames, f.finishedFrame, f.frameCpu);
}

int runPosedDemo(int argc, char** argv, double seconds) {
    QApplication application(argc, argv);
    MainWindow window(QString::fromUtf8(mainWindowTitle), mainWindowFrameSize.width,
                      mainWindowFrameSize.height);
    Scene scene(WindowTarget{&window});
    const auto dialog = createSettingsDialog(&window, &scene.channelSet());
    scene.channelSet().setChannelWeight(0.5f, 0);
    const auto shown = Clock::now();
    window.showAtFrameSize();
    scene.renderFrame(0.0f);
    const double firstFrame = millisecondsSince(shown);
    printFigures(
        measureLoop(window, scene, seconds, firstFrame, [&](float dt) { scene.renderFrame(dt); }));
    return 0;
}

int runPlayer(int argc, char** argv, const std::string& take, double seconds, bool turning) {
    QApplication application(argc, argv);
    SteadyPerformanceClock clock;
    Recording recording = readRecording(take);
    Application player(
        clock,
        [&recording](const std::vector<std::string>& targetNames) {
            return std::make_unique<PlaybackSource>(std::move(recording), targetNames);
        },
        HeadTurnSettings{turning, true, 1.0f});
    const auto shown = Clock::now();
    player.show();
    player.frame(0.0f);
    const double firstFrame = millisecondsSince(shown);
    printFigures(measureLoop(player.window(), player.scene(), seconds, firstFrame,
                             [&](float dt) { player.frame(dt); }));
    return 0;
}

Figures childRun(const std::string& self, const std::string& arguments) {
    Figures figures;
    FILE* child = popen((self + " " + arguments).c_str(), "r");
    if (child == nullptr ||
        std::fscanf(child, "%lf %lf %lf %lf %zu %lf %lf", &figures.intervalMean,
                    &figures.intervalDeviation, &figures.firstFrame, &figures.peakMegabytes,
                    &figures.frames, &figures.finishedFrame, &figures.frameCpu) != 7)
        std::fprintf(stderr, "playback_bench: the child run %s gave no figures\n",
                     arguments.c_str());
    if (child != nullptr)
        pclose(child);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--posed") == 0)
        return runPosedDemo(argc, argv, std::atof(argv[2]));
    if (argc > 3 && std::strcmp(argv[1], "--play") == 0)
        return runPlayer(argc, argv, argv[2], std::atof(argv[3]), true);
    if (argc > 3 && std::strcmp(argv[1], "--play-still") == 0)
        return runPlayer(argc, argv, argv[2], std::atof(argv[3]), false);

    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const std::string take = "playback-bench-take.csv";
    writeCapture(take);
    const std::string secondsText = std::to_string(seconds);
    const Figures posed = childRun(argv[0], "--posed " + secondsText);
    const Figures played = childRun(argv[0], "--play " + take + " " + secondsText + " 2>/dev/null");
    const Figures still =
        childRun(argv[0], "--play-still " + take + " " + secondsText + " 2>/dev/null");
    std::remove(take.c_str());

    std::printf("Frame loop, %.0f s each                  posed demo  playing, turning  "
                "playing, head still\n",
                seconds);
    const auto row = [&](const char* what, double Figures::*figure, const char* unit) {
        std::printf("  %-36s %8.3f %s %13.3f %s %13.3f %s\n", what, posed.*figure, unit,
                    played.*figure, unit, still.*figure, unit);
    };
    std::printf("  %-36s %11zu %16zu %16zu\n", "frames", posed.frames, played.frames, still.frames);
    row("frame interval mean", &Figures::intervalMean, "ms");
    row("frame interval standard deviation", &Figures::intervalDeviation, "ms");
    row("frame with GPU work done, median", &Figures::finishedFrame, "ms");
    row("CPU a finished frame, all threads", &Figures::frameCpu, "ms");
    row("window shown to first frame", &Figures::firstFrame, "ms");
    row("peak resident memory", &Figures::peakMegabytes, "MB");
    std::printf("  the turn's cost a finished frame: %+.3f ms (turning against still)\n",
                played.finishedFrame - still.finishedFrame);
    std::printf("  ratio turning / still (finished frame): %.3f\n",
                still.finishedFrame > 0 ? played.finishedFrame / still.finishedFrame : 0.0);
    return 0;
}
