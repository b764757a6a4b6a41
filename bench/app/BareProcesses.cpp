#include "BareProcesses.h"

#include "render/NoiseVolume.h"
#include "render/SurfaceFormat.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_5_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

double millisecondsSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22; ++index)
        fields >> field; // field 22 is the start time in clock ticks after boot
    const double startSeconds = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream uptimeFile("/proc/uptime");
    double uptimeSeconds = 0;
    uptimeFile >> uptimeSeconds;
    return (uptimeSeconds - startSeconds) * 1000.0;
}

int runBareWindow(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(deviceSurfaceFormat());
    window.resize(800, 600);
    window.show();
    QOpenGLContext context;
    context.setFormat(deviceSurfaceFormat());
    if (!context.create())
        return 1;
    while (!window.isExposed())
        QGuiApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!context.makeCurrent(&window))
        return 1;
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(&context);
    if (gl == nullptr || !gl->initializeOpenGLFunctions())
        return 1;
    gl->glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    context.swapBuffers(&window);
    std::printf("%.1f\n", millisecondsSinceProcessStart());
    return 0;
}

double noiseVolumeMilliseconds() {
    std::vector<std::uint8_t> volume(noiseVolumeBytes);
    std::vector<double> runs;
    for (int k = 0; k < 3; ++k) {
        const auto start = std::chrono::steady_clock::now();
        fillNoiseVolume(volume.data());
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return median(runs);
}

int runBareNoiseVolume() {
    std::printf("%.1f\n", noiseVolumeMilliseconds());
    return 0;
}

double medianOfChildRuns(const char* mode, int runs) {
    std::string command = "'";
    command += std::filesystem::read_symlink("/proc/self/exe").string();
    command += "' ";
    command += mode;
    std::vector<double> figures;
    for (int k = 0; k < runs; ++k) {
        FILE* child = popen(command.c_str(), "r");
        double figure = 0;
        if (child == nullptr || std::fscanf(child, "%lf", &figure) != 1)
            figure = -1; // shows as a negative figure rather than hiding the failure
        if (child != nullptr)
            pclose(child);
        figures.push_back(figure);
    }
    return median(figures);
}
