#pragma once

#include "app/PoseSource.h"
#include "play/Playback.h"

// A recording played in a loop, as the head's pose.
class PlaybackSource final : public PoseSource {
  public:
    PlaybackSource(Recording recording, const std::vector<std::string>& targetNames,
                   NameMap nameMap = {})
        : playback_(std::move(recording), targetNames, std::move(nameMap)) {}

    void advance(float dt) override { playback_.advance(dt); }
    void advanceExactly(double seconds) override { playback_.advance(seconds); }
    void pose(std::vector<float>& targetWeights) const override { playback_.pose(targetWeights); }
    bool moving() const override { return !playback_.paused(); }
    void togglePause() override { playback_.togglePause(); }
    std::optional<HeadAngles> headAngles() const override { return playback_.headAngles(); }

    const Playback& playback() const { return playback_; }

  private:
    Playback playback_;
};
