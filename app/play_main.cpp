// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in.
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/PlaybackSource.h"
#include "app/WindowSystem.h"
#include "common/DemoError.h"
#include "play/Recording.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const auto qtApplication = openWindowSystem<QApplication>(argc, argv, "mirelda-play");
    return runReportingFailures([argc, argv] {
        if (argc != 2)
            throw DemoError("usage: mirelda-play FILE (a face-capture recording, CSV)");
        // A damaged recording is refused before any window opens.
        Recording recording = readRecording(argv[1]);
        SteadyPerformanceClock clock;
        Application player(clock, [&recording](const std::vector<std::string>& targetNames) {
            auto source = std::make_unique<PlaybackSource>(std::move(recording), targetNames);
            for (const std::string& note : source->playback().notes())
                std::cerr << "mirelda-play: " << note << "\n";
            return source;
        });
        player.run();
    });
}
