// Measures the demo as it runs: the time from process start to the first presented frame,
// split by stage, against a bare window with the same context and the noise volume against a
// fresh process; then the real frame loop (ten seconds, or the seconds given as the argument)
// with the CPU time of renderFrame, the frame time including the GPU (llvmpipe renders on its
// own threads), the spread of frame intervals, the whole process's CPU against that of the
// frames alone and the peak resident memory; then where a finished frame's time goes and the
// start view's level of detail against full detail. Run it from the build directory;
// --full-detail draws the loop at full detail; --turning turns the camera a little every frame,
// as a drag does, through the loop's test of a changed picture (a still picture draws nothing).
//
//     demo_bench [seconds] [--full-detail] [--turning]
#include "BareProcesses.h"
#include "FrameSplit.h"
#include "app/MainWindow.h"
#include "app/QtMessagePump.h"
#include "app/WindowSystem.h"
#include "model/MorphChannelSet.h"
#include "render/Scene.h"
#include "ui/SettingsDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <glm/gtc/matrix_transform.hpp>
#include <numeric>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Summary {
    double mean, deviation, minimum, maximum;
};

Summary summarize(const std::vector<double>& values) {
    if (values.empty())
        return {0, 0, 0, 0};
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    double squares = 0;
    for (double value : values)
        squares += (value - mean) * (value - mean);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return {mean, std::sqrt(squares / double(values.size())), *low, *high};
}

void printStage(const char* stage, double milliseconds) {
    std::printf("  %-36s %8.1f ms\n", stage, milliseconds);
}

} // namespace

int main(int argc, char** argv) {
    const double beforeMain = millisecondsSinceProcessStart();
    if (argc > 1 && std::strcmp(argv[1], "--bare-window") == 0)
        return runBareWindow(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--bare-noise-volume") == 0)
        return runBareNoiseVolume();

    auto stageStart = Clock::now();
    const auto application = openWindowSystem<QApplication>(argc, argv, "demo_bench");
    const double qtStart = millisecondsSince(stageStart);

    stageStart = Clock::now();
    MainWindow window(QString::fromUtf8(mainWindowTitle), mainWindowFrameSize.width,
                      mainWindowFrameSize.height);
    const double windowTime = millisecondsSince(stageStart);

    stageStart = Clock::now();
    Scene scene(WindowTarget{&window});
    const double sceneTime = millisecondsSince(stageStart);

    stageStart = Clock::now();
    const auto dialog = createSettingsDialog(&window, &scene.channelSet());
    const double dialogTime = millisecondsSince(stageStart);

    stageStart = Clock::now();
    window.showAtFrameSize();
    const double showTime = millisecondsSince(stageStart);

    stageStart = Clock::now();
    scene.renderFrame(0.0f);
    const double firstFrameTime = millisecondsSince(stageStart);
    const double total = millisecondsSinceProcessStart();

    std::printf("Start-up, process start to first presented frame: %.1f ms\n", total);
    printStage("exec and libraries, before main", beforeMain);
    printStage("QApplication", qtStart);
    printStage("main window", windowTime);
    printStage("scene (device, shaders, textures, mesh)", sceneTime);
    printStage("settings dialog (group file, widgets)", dialogTime);
    printStage("show main window (until framed)", showTime);
    printStage("first frame, rendered and presented", firstFrameTime);

    // The yardsticks, in the same run: a bare window with the same context in a fresh process,
    // and the noise volume here (after Qt, the driver and the scene) and in a fresh process.
    const double bareWindow = medianOfChildRuns("--bare-window", 5);
    std::printf("Bare Qt window, 4.5 core context, first frame presented: %.1f ms (median of 5)\n",
                bareWindow);
    std::printf("  start-up / bare window: %.2f\n", total / bareWindow);
    const double noiseHere = noiseVolumeMilliseconds();
    const double noiseBare = medianOfChildRuns("--bare-noise-volume", 3);
    std::printf("Noise volume (median of 3): %.1f ms in the demo, %.1f ms in a bare process, "
                "ratio %.2f\n",
                noiseHere, noiseBare, noiseHere / noiseBare);

    // The real loop (ten seconds unless the first argument says otherwise), with a channel at
    // half weight so the blend does real work.
    double loopSeconds = 10.0;
    bool fullDetail = false;
    bool turning = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full-detail") == 0)
            fullDetail = true;
        else if (std::strcmp(argv[i], "--turning") == 0)
            turning = true;
        else
            loopSeconds = std::atof(argv[i]);
    }
    scene.setFullDetail(fullDetail);
    scene.channelSet().setChannelWeight(0.5f, 0);
    std::vector<double> frameStarts, renderCpu, renderWall;
    SteadyPerformanceClock clock;
    bool loopDone = false;
    QtMessagePump pump(window, [&] { return loopDone; });
    const auto loopStart = Clock::now();
    const double loopCpuStart = processCpuMilliseconds();
    // A quarter turn in ten seconds, about the vertical axis through the head.
    const glm::mat4 turnStep = glm::rotate(glm::mat4(1.0f), 0.0026f, glm::vec3(0.0f, 1.0f, 0.0f));
    const auto frame = [&](float dt) {
        frameStarts.push_back(millisecondsSince(loopStart));
        const double cpuBefore = threadCpuMilliseconds();
        const auto wallBefore = Clock::now();
        scene.renderFrame(dt);
        renderCpu.push_back(threadCpuMilliseconds() - cpuBefore);
        renderWall.push_back(millisecondsSince(wallBefore));
        if (turning)
            scene.camera().transform(turnStep);
        if (frameStarts.back() > loopSeconds * 1000.0)
            loopDone = true;
    };
    if (turning)
        runFrameLoop(clock, pump, FrameClient{frame, [&] { return scene.pictureChanged(); }});
    else
        runFrameLoop(clock, pump, frame);

    const double loopCpu = processCpuMilliseconds() - loopCpuStart;
    const double loopWall = millisecondsSince(loopStart);
    std::vector<double> intervals;
    for (std::size_t i = 1; i < frameStarts.size(); ++i)
        intervals.push_back(frameStarts[i] - frameStarts[i - 1]);
    const Summary interval = summarize(intervals);
    const Summary cpu = summarize(renderCpu);
    const Summary wall = summarize(renderWall);

    // One frame with the GPU work finished, to see the whole cost on llvmpipe.
    std::vector<double> finished;
    for (int i = 0; i < 60; ++i) {
        const auto before = Clock::now();
        scene.renderFrame(1.0f / 60.0f);
        (void)scene.readBackBuffer(); // waits for the GPU
        finished.push_back(millisecondsSince(before));
    }
    const Summary gpu = summarize(finished);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\nFrame loop, %.0f s: %zu frames\n", loopSeconds, frameStarts.size());
    std::printf("  frame interval   mean %.3f ms, standard deviation %.3f ms, min %.3f, max %.3f\n",
                interval.mean, interval.deviation, interval.minimum, interval.maximum);
    std::printf(
        "  renderFrame CPU  mean %.3f ms, standard deviation %.3f ms, max %.3f (thread CPU time)\n",
        cpu.mean, cpu.deviation, cpu.maximum);
    std::printf("  renderFrame wall mean %.3f ms, max %.3f ms (the call, GPU work queued)\n",
                wall.mean, wall.maximum);
    std::printf("  frame with GPU   mean %.3f ms, max %.3f ms (render + read back, llvmpipe)\n",
                gpu.mean, gpu.maximum);
    std::printf("Peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);

    // What the loop costs beyond the frames themselves: waiting, not spinning, costs little.
    const double frameCpu = printFrameSplit(scene);
    const double framesPerSecond = static_cast<double>(frameStarts.size()) * 1000.0 / loopWall;
    const double framesPercent = frameCpu * framesPerSecond / 10.0;
    std::printf("\nCPU while the loop ran (%s detail), percent of one core, all threads:\n",
                fullDetail ? "full" : "level of");
    std::printf("  whole process %.1f %%, the frames alone (%.1f a second x %.2f ms) %.1f %%, "
                "the rest %.1f %%\n",
                100.0 * loopCpu / loopWall, framesPerSecond, frameCpu, framesPercent,
                100.0 * loopCpu / loopWall - framesPercent);
    return 0;
}
