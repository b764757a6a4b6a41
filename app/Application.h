#pragma once

#include "app/MainWindow.h"
#include "app/PerformanceClock.h"
#include "render/Scene.h"

#include <cstdint>
#include <memory>

class SettingsDialog;

// The top-level object: builds the main window, the scene and the settings dialog in that
// order, then runs frames until the main window is closed. Teardown runs in reverse.
class Application {
  public:
    explicit Application(PerformanceClock& clock);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void run();

  private:
    std::unique_ptr<MainWindow> window_;
    std::int32_t width_ = backBufferSize.width;
    std::int32_t height_ = backBufferSize.height;
    Scene scene_;
    std::unique_ptr<SettingsDialog> settingsDialog_;
    PerformanceClock& clock_;
};
