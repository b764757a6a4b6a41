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

    // Shows the windows and plays until the main window is closed.
    void run();

    // The steps of run, for a benchmark that times each frame.
    void show() { window_->showAtFrameSize(); }
    void playFrame(float dt);
    MainWindow& window() { return *window_; }
    Scene& scene() { return scene_; }

  private:
    std::unique_ptr<MainWindow> window_;
    std::int32_t width_ = backBufferSize.width;
    std::int32_t height_ = backBufferSize.height;
    Scene scene_;
    std::vector<std::string> targetNames_;
    Playback playback_;
    std::vector<float> pose_;
    float sinceChannelsShown_ = 0.0f;
    std::unique_ptr<SettingsDialog> settingsDialog_;
    PauseKey pauseKey_;
    PerformanceClock& clock_;
};
