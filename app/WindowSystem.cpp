#include "app/WindowSystem.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* guardedProgram = "mirelda";
QtMessageHandler previousHandler = nullptr;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

[[noreturn]] void reportNoDisplay() {
    const std::string display = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    std::fprintf(stderr,
                 "%s: no display could be opened (DISPLAY=%s, WAYLAND_DISPLAY=%s): run it in a "
                 "desktop session, or without one through `make run` or `xvfb-run -a`\n",
                 guardedProgram, display.empty() ? "unset" : display.c_str(),
                 wayland.empty() ? "unset" : wayland.c_str());
    std::fflush(stderr);
    // Nothing has been built yet that would need tearing down.
    std::_Exit(1);
}

// Qt aborts through a fatal message when no platform plugin can start; its warnings before
// that only repeat the reason.
void watchOpening(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg)
        reportNoDisplay();
    const std::string category = context.category != nullptr ? context.category : "";
    if (category.rfind("qt.qpa", 0) == 0)
        return;
    previousHandler(type, context, message);
}

} // namespace

void chooseHeadlessPlatform() {
    if (!environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty() ||
        !environment("QT_QPA_PLATFORM").empty())
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

DisplayGuard::DisplayGuard(const char* program) {
    guardedProgram = program;
    // A chosen platform (offscreen, say) may need no display at all.
    if (environment("DISPLAY").empty() && environment("WAYLAND_DISPLAY").empty() &&
        environment("QT_QPA_PLATFORM").empty())
        reportNoDisplay();
    previousHandler = qInstallMessageHandler(watchOpening);
}

DisplayGuard::~DisplayGuard() {
    qInstallMessageHandler(previousHandler);
}
