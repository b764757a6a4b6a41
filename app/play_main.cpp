// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in,
// or with --render OUT draws it into a video or a folder of frames.
#include "app/AdjustedPoseSource.h"
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/PerformanceRender.h"
#include "app/PlaybackSource.h"
#include "app/PlayerOptions.h"
#include "app/WindowSystem.h"
#include "play/Recording.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const bool rendering = asksForRender({argv + 1, argv + argc});
    // A render shows nothing, so it needs no display where the platform can draw without one.
    if (rendering)
        chooseHeadlessPlatform();
    const auto qtApplication = openWindowSystem<QApplication>(argc, argv, "mirelda-play");
    return runReportingFailures(
        [argc, argv] {
            const PlayerOptions options = parsePlayerOptions({argv + 1, argv + argc});
            // A damaged recording is refused before any window opens.
            Recording recording = readRecording(options.recording);
            const PerformanceTiming timing{recording.framesPerSecond, recording.duration()};
            const PoseSourceFactory makeSource = [&recording, &options](
                                                     const std::vector<std::string>& targetNames) {
                auto source = std::make_unique<PlaybackSource>(std::move(recording), targetNames);
                for (const std::string& note : source->playback().notes())
                    std::cerr << "mirelda-play: " << note << "\n";
                return std::make_unique<AdjustedPoseSource>(
                    std::move(source),
                    smoothingSettings(options.smoothing.value_or(Smoothing::Off)));
            };
            if (options.render) {
                renderPerformance(*options.render, makeSource, options.headTurn, timing);
                return;
            }
            SteadyPerformanceClock clock;
            Application player(clock, makeSource, options.headTurn);
            player.run();
        },
        rendering ? FailureNotice::LineOnly : FailureNotice::LineAndBox);
}
