#pragma once

#include <memory>

// While it lives, the opening of the window system is watched: where no display can be reached,
// the program says so in one line on standard error and ends with status 1, instead of Qt's abort
// with a core file. Qt's own lines about the failed connection are not shown.
class DisplayGuard {
  public:
    explicit DisplayGuard(const char* program);
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;
};

// For a program that shows nothing: where no display is set and no platform chosen, Qt is
// started on a platform that draws with OpenGL without any display.
void chooseHeadlessPlatform();

// The program's Qt application (QApplication or QGuiApplication), or the one line and exit 1.
template <class QtApplication>
std::unique_ptr<QtApplication> openWindowSystem(int& argc, char** argv, const char* program) {
    const DisplayGuard guard(program);
    return std::make_unique<QtApplication>(argc, argv);
}
