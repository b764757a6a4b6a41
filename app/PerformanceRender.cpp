#include "app/PerformanceRender.h"

#include "app/ShownPose.h"
#include "common/DemoError.h"
#include "render/Scene.h"
#include "video/AudioTrack.h"
#include "video/BackgroundSink.h"
#include "video/PngFolderWriter.h"
#include "video/RenderProgress.h"
#include "video/StopSignals.h"
#include "video/TemporaryOutput.h"
#include "video/VideoFileWriter.h"

#include <chrono>
#include <cmath>
#include <iostream>

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<FrameSink> openSink(const RenderOptions& options, const TemporaryOutput& output,
                                    std::int32_t framesPerSecond,
                                    std::unique_ptr<AudioTrack> audio) {
    const FrameSize size{options.size.width, options.size.height};
    if (options.kind == OutputKind::PngFolder)
        return std::make_unique<PngFolderWriter>(output.temporaryPath(), size);
    H264Settings settings;
    settings.framesPerSecond = framesPerSecond;
    settings.crf = options.crf;
    return std::make_unique<VideoFileWriter>(output.temporaryPath(),
                                             options.kind == OutputKind::Mp4
                                                 ? VideoFileWriter::Container::Mp4
                                                 : VideoFileWriter::Container::Matroska,
                                             size, settings, std::move(audio));
}

} // namespace

std::int64_t renderedFrameCount(double durationSeconds, std::int32_t framesPerSecond) {
    return std::max<std::int64_t>(1, std::llround(durationSeconds * framesPerSecond));
}

void renderPerformance(const RenderOptions& options, const PoseSourceFactory& makeSource,
                       const HeadTurnSettings& headTurn, const PerformanceTiming& timing) {
    const StopSignals stopSignals;
    const std::int32_t framesPerSecond = options.framesPerSecond.value_or(timing.framesPerSecond);
    const std::int64_t frameCount = renderedFrameCount(timing.durationSeconds, framesPerSecond);
    // Everything that can refuse the render does so before the slow start of the scene.
    std::unique_ptr<AudioTrack> audio;
    if (options.audio)
        audio = std::make_unique<AudioTrack>(*options.audio, options.audioOffsetSeconds);
    TemporaryOutput output(options.out, options.kind == OutputKind::PngFolder
                                            ? TemporaryOutput::Kind::Folder
                                            : TemporaryOutput::Kind::File);
    BackgroundSink sink(openSink(options, output, framesPerSecond, std::move(audio)));

    Scene scene(WindowTarget{nullptr, options.size.width, options.size.height},
                MorphPath::AllTargets);
    const std::vector<std::string> targetNames = scene.morphMesh().targetNames();
    const std::unique_ptr<PoseSource> source = makeSource(targetNames);
    if (!scene.drawsAllTargets())
        std::cerr << "mirelda-play: the head's targets do not fit the GPU at once; each frame "
                     "shows its seven strongest targets\n";
    std::vector<float> pose;
    RenderProgress progress(std::cerr, standardErrorIsTerminal(), frameCount, steadySeconds);
    double shownTime = 0.0;
    for (std::int64_t frame = 0; frame < frameCount; ++frame) {
        if (const int signal = StopSignals::received()) {
            progress.clear();
            throw DemoError("stopped by signal " + std::to_string(signal) + " at frame " +
                            std::to_string(frame) + " of " + std::to_string(frameCount) + "; " +
                            output.finalPath().string() + " is as it was");
        }
        // Each frame's time is computed, not summed, so none drifts from k / fps.
        const double time = static_cast<double>(frame) / framesPerSecond;
        source->advanceExactly(time - shownTime);
        shownTime = time;
        showPose(*source, headTurn, targetNames, scene, pose);
        scene.renderFrame(static_cast<float>(1.0 / framesPerSecond));
        sink.write(scene.readBackBuffer());
        progress.frameDone(frame + 1);
    }
    sink.finish();
    output.commit();
    progress.finish("mirelda-play: wrote " + output.finalPath().string());
}
