// mirelda-play FILE: plays a face-capture recording on the head of the data folder it runs in.
#include "app/ErrorReport.h"
#include "app/PlayerApplication.h"
#include "common/DemoError.h"
#include "play/Recording.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    return runReportingFailures([argc, argv] {
        if (argc != 2)
            throw DemoError("usage: mirelda-play FILE (a face-capture recording, CSV)");
        // A damaged recording is refused before any window opens.
        Recording recording = readRecording(argv[1]);
        SteadyPerformanceClock clock;
        PlayerApplication player(clock, std::move(recording));
        player.run();
    });
}
