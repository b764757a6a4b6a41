#pragma once

#include "app/MainWindow.h"
#include "app/PauseKey.h"
#include "app/PerformanceClock.h"
#include "play/Playback.h"
#include "render/Scene.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SettingsDialog;

// The demo's two windows playing a recording in a loop: the head drawn with every target of the
// moment, the channel list showing the seven strongest. Space pauses and resumes.
class PlayerApplication {
  public:
    PlayerApplication(PerformanceClock& clock, Recording recording);
    ~PlayerApplication();
    PlayerApplication(const PlayerApplication&) = delete;
    PlayerApplication& operator=(const PlayerApplication&) = delete;

    void run();

  private:
    void playFrame(float dt);

    std::unique_ptr<MainWindow> window_;
    std::int32_t width_ = backBufferSize.width;
    std::int32_t height_ = backBufferSize.height;
    Scene scene_;
    std::vector<std::string> targetNames_;
    Playback playback_;
    std::vector<float> pose_;
    std::unique_ptr<SettingsDialog> settingsDialog_;
    PauseKey pauseKey_;
    PerformanceClock& clock_;
};
