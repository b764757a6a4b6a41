#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/WindowSystem.h"

#include <QApplication>

int main(int argc, char** argv) {
    const auto qtApplication = openWindowSystem<QApplication>(argc, argv, "mirelda");
    return runReportingFailures([] {
        SteadyPerformanceClock clock;
        Application application(clock);
        application.run();
    });
}
