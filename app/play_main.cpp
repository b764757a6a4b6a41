// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in,
// or with --render OUT draws it into a video or a folder of frames; mirelda-play --live shows a
// tracker's stream on it as it comes.
#include "app/AdjustedPoseSource.h"
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/LiveStart.h"
#include "app/PerformanceRender.h"
#include "app/PlaybackSource.h"
#include "app/PlayerOptions.h"
#include "app/WindowSystem.h"
#include "play/Recording.h"

#include <QApplication>
#include <iostream>

namespace {

// What the player shows of a source: smoothed as asked (a stream by default, a recording not)
// and measured from the face at rest once one is taken.
PoseSourceFactory adjusted(PoseSourceFactory makeSource, Smoothing smoothing) {
    return [makeSource = std::move(makeSource),
            smoothing](const std::vector<std::string>& targetNames) -> std::unique_ptr<PoseSource> {
        return std::make_unique<AdjustedPoseSource>(makeSource(targetNames),
                                                    smoothingSettings(smoothing));
    };
}

} // namespace

int main(int argc, char** argv) {
    const bool rendering = asksForRender({argv + 1, argv + argc});
    // A render shows nothing, so it needs no display where the platform can draw without one.
    if (rendering)
        chooseHeadlessPlatform();
    const auto qtApplication = openWindowSystem<QApplication>(argc, argv, "mirelda-play");
    return runReportingFailures(
        [argc, argv] {
            const PlayerOptions options = parsePlayerOptions({argv + 1, argv + argc});
            const NameMap nameMap =
                options.nameMap.empty() ? NameMap{} : readNameMap(options.nameMap);
            SteadyPerformanceClock clock;
            if (options.live) {
                // Ports, map and take file are checked before any window opens.
                LiveStart live(*options.live, nameMap);
                Application player(
                    clock,
                    adjusted(live.sourceFactory(), options.smoothing.value_or(Smoothing::Default)),
                    options.headTurn);
                player.run();
                live.finish();
                return;
            }
            // A damaged recording is refused before any window opens.
            Recording recording = readRecording(options.recording);
            const PerformanceTiming timing{recording.framesPerSecond, recording.duration()};
            const PoseSourceFactory makeSource = adjusted(
                [&recording, &nameMap](const std::vector<std::string>& targetNames) {
                    auto source = std::make_unique<PlaybackSource>(std::move(recording),
                                                                   targetNames, nameMap);
                    for (const std::string& note : source->playback().notes())
                        std::cerr << "mirelda-play: " << note << "\n";
                    return source;
                },
                options.smoothing.value_or(Smoothing::Off));
            if (options.render) {
                renderPerformance(*options.render, makeSource, options.headTurn, timing);
                return;
            }
            Application player(clock, makeSource, options.headTurn);
            player.run();
        },
        rendering ? FailureNotice::LineOnly : FailureNotice::LineAndBox);
}
