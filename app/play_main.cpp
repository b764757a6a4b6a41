// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in.
#include "app/AdjustedPoseSource.h"
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/PlaybackSource.h"
#include "app/PlayerOptions.h"
#include "app/WindowSystem.h"
#include "play/Recording.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const auto qtApplication = openWindowSystem<QApplication>(argc, argv, "mirelda-play");
    return runReportingFailures([argc, argv] {
        const PlayerOptions options = parsePlayerOptions({argv + 1, argv + argc});
        // A damaged recording is refused before any window opens.
        Recording recording = readRecording(options.recording);
        SteadyPerformanceClock clock;
        Application player(
            clock,
            [&recording, &options](const std::vector<std::string>& targetNames) {
                auto source = std::make_unique<PlaybackSource>(std::move(recording), targetNames);
                for (const std::string& note : source->playback().notes())
                    std::cerr << "mirelda-play: " << note << "\n";
                return std::make_unique<AdjustedPoseSource>(
                    std::move(source),
                    smoothingSettings(options.smoothing.value_or(Smoothing::Off)));
            },
            options.headTurn);
        player.run();
    });
}
