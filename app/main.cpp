#include "app/Application.h"
#include "app/ErrorReport.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    return runReportingFailures([] {
        SteadyPerformanceClock clock;
        Application application(clock);
        application.run();
    });
}
