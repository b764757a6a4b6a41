// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in;
// mirelda-play --live: shows a tracker's stream on it as it comes.
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/LiveStart.h"
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
        const NameMap nameMap = options.nameMap.empty() ? NameMap{} : readNameMap(options.nameMap);
        SteadyPerformanceClock clock;
        if (options.live) {
            // Ports, map and take file are checked before any window opens.
            LiveStart live(*options.live, nameMap);
            Application player(clock, live.sourceFactory(), options.headTurn);
            player.run();
            live.finish();
            return;
        }
        // A damaged recording is refused before any window opens.
        Recording recording = readRecording(options.recording);
        Application player(
            clock,
            [&recording, &nameMap](const std::vector<std::string>& targetNames) {
                auto source =
                    std::make_unique<PlaybackSource>(std::move(recording), targetNames, nameMap);
                for (const std::string& note : source->playback().notes())
                    std::cerr << "mirelda-play: " << note << "\n";
                return source;
            },
            options.headTurn);
        player.run();
    });
}
