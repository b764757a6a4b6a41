// Measures a render to video against the bare drawing and readback of the same frames, in the
// same run: the synthetic 60-second, 30 Hz capture drawn at 800 x 600 and at 1280 x 720 through
// the player's render (H.264 into an MP4 in a temporary folder), and the same frames drawn and
// read back with nothing encoded. Prints for each size the seconds of both, the render's time
// over the clip's duration (the goal: at most 1.0 at 800 x 600, 1.5 at 1280 x 720) and over the
// bare drawing. Run it from the build directory on a display.
//
//     render_bench [seconds of the capture, default 60]
#include "app/PerformanceRender.h"
#include "app/PlaybackSource.h"
#include "app/ShownPose.h"
#include "bench/app/SyntheticCapture.h"
#include "play/Recording.h"
#include "render/Scene.h"
#include "video/H264Settings.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

PoseSourceFactory sourceOf(const Recording& recording) {
    return [&recording](const std::vector<std::string>& targetNames) {
        return std::make_unique<PlaybackSource>(recording, targetNames);
    };
}

// What the render does less the encoding: the same scene, poses and readback.
double bareSeconds(const Recording& recording, PixelSize size, std::int64_t frames) {
    Scene scene(WindowTarget{nullptr, size.width, size.height}, MorphPath::AllTargets);
    const std::vector<std::string> names = scene.morphMesh().targetNames();
    const auto source = sourceOf(recording)(names);
    std::vector<float> pose;
    const HeadTurnSettings headTurn;
    const auto start = Clock::now();
    std::size_t checksum = 0;
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        source->advanceExactly(frame == 0 ? 0.0 : 1.0 / 30.0);
        showPose(*source, headTurn, names, scene, pose);
        scene.renderFrame(1.0f / 30.0f);
        checksum += scene.readBackBuffer()[static_cast<std::size_t>(frame) % 1000];
    }
    const double seconds = secondsSince(start);
    if (checksum == 1)
        std::puts("");
    return seconds;
}

double renderSeconds(const Recording& recording, PixelSize size, double duration,
                     const std::filesystem::path& out) {
    RenderOptions options;
    options.out = out;
    options.size = size;
    const auto start = Clock::now();
    renderPerformance(options, sourceOf(recording), HeadTurnSettings{},
                      PerformanceTiming{30, duration});
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const double clipSeconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const std::string take = "render-bench-take.csv";
    writeCapture(take);
    const Recording recording = readRecording(take);
    const double duration = std::min(clipSeconds, recording.duration());
    const std::int64_t frames = renderedFrameCount(duration, 30);
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("render-bench-" + std::to_string(::getpid()) + ".mp4");
    std::printf("render of a %.0f s, 30 Hz capture (%lld frames), H.264 crf 18 %s\n", duration,
                static_cast<long long>(frames), H264Settings{}.preset);
    std::printf("%-10s %12s %12s %16s %16s\n", "size", "bare s", "render s", "render/clip",
                "render/bare");
    const PixelSize sizes[] = {{800, 600}, {1280, 720}};
    for (const PixelSize size : sizes) {
        const double bare = bareSeconds(recording, size, frames);
        const double rendered = renderSeconds(recording, size, duration, out);
        const auto bytes = std::filesystem::file_size(out);
        std::filesystem::remove(out);
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", size.width, size.height);
        std::printf("%-10s %12.2f %12.2f %16.3f %16.3f   (%.1f MB)\n", label, bare, rendered,
                    rendered / duration, rendered / bare, static_cast<double>(bytes) / 1e6);
    }
    std::filesystem::remove(take);
    return 0;
}
