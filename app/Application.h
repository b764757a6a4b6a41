#pragma once

#include "app/MainWindow.h"
#include "app/PerformanceClock.h"
#include "app/PlayerKeys.h"
#include "app/PoseSource.h"
#include "play/HeadTurnSettings.h"
#include "render/Scene.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SettingsDialog;
class QTimer;

// The top-level object: builds the main window, the scene and the settings dialog in that
// order, then runs frames until the main window is closed. Teardown runs in reverse.
//
// Alone it is the demo: the seven channels, edited in the dialog. Given a pose source (a
// recording, a stream), it draws the source's pose with every target at once each frame, the
// channel list showing the seven strongest; Space pauses the source, N and Shift+N take and clear
// its neutral pose.
class Application {
  public:
    explicit Application(PerformanceClock& clock, const PoseSourceFactory& makeSource = {},
                         const HeadTurnSettings& headTurn = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the windows and runs frames until the main window is closed.
    void run();

    // The steps of run, for a benchmark that times each frame.
    void show() { window_->showAtFrameSize(); }
    void frame(float dt);
    // Whether a frame now would show anything new; the loop rests while it would not.
    bool pictureChanged() const;
    MainWindow& window() { return *window_; }
    Scene& scene() { return scene_; }
    // The source made for the head; null for the demo.
    PoseSource* poseSource() { return source_.get(); }

  private:
    void showSourcePose(float dt);
    void showStateLine();

    std::unique_ptr<MainWindow> window_;
    std::int32_t width_ = backBufferSize.width;
    std::int32_t height_ = backBufferSize.height;
    Scene scene_;
    std::vector<std::string> targetNames_;
    std::unique_ptr<PoseSource> source_;
    std::vector<float> pose_;
    HeadTurnSettings headTurn_;
    float sinceChannelsShown_ = 0.0f;
    std::unique_ptr<SettingsDialog> settingsDialog_;
    std::unique_ptr<PlayerKeys> playerKeys_;
    // Refreshes the source's state line while the picture rests (a silent sender's seconds).
    std::unique_ptr<QTimer> stateLineTimer_;
    PerformanceClock& clock_;
};
