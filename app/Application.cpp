#include "app/Application.h"

#include "app/QtMessagePump.h"
#include "ui/SettingsDialog.h"

namespace {
const char* const windowTitle = "[Interactive Demo Application] - Mirelda";
}

Application::Application(PerformanceClock& clock)
    : window_(std::make_unique<MainWindow>(QString::fromUtf8(windowTitle),
                                           mainWindowFrameSize.width, mainWindowFrameSize.height)),
      scene_(WindowTarget{window_.get(), width_, height_}),
      settingsDialog_(createSettingsDialog(window_.get(), &scene_.channelSet())), clock_(clock) {}

// The dialog goes before the scene whose channels it edits; the window goes last.
Application::~Application() {
    settingsDialog_.reset();
}

void Application::run() {
    window_->showAtFrameSize();
    QtMessagePump pump(*window_, [this] { return window_->quitPosted(); });
    runFrameLoop(clock_, pump, [this](float dt) { scene_.renderFrame(dt); });
}
