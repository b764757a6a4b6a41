#pragma once

#include "app/PoseSource.h"
#include "play/NeutralPose.h"
#include "play/OneEuroFilter.h"
#include "play/Smoothing.h"

#include <memory>

// Another source's pose as the player shows it: each value smoothed over the frames (when asked
// for) and measured from a neutral pose once one is taken. The video renderer shows the same.
class AdjustedPoseSource final : public PoseSource {
  public:
    AdjustedPoseSource(std::unique_ptr<PoseSource> source,
                       const std::optional<SmoothingSettings>& smoothing);

    void advance(float dt) override { advanceExactly(dt); }
    void advanceExactly(double seconds) override;
    void pose(std::vector<float>& targetWeights) const override { targetWeights = shown_; }
    // The smoothed pose still moves for a moment after its source stops.
    bool moving() const override { return source_->moving() || settling_ || neutralChanged_; }
    void togglePause() override { source_->togglePause(); }
    std::optional<HeadAngles> headAngles() const override;
    std::optional<std::string> stateLine() const override { return source_->stateLine(); }
    void takeNeutral() override;
    void clearNeutral() override;

    const PoseSource& source() const { return *source_; }

  private:
    void smooth(float dt);
    void show();

    std::unique_ptr<PoseSource> source_;
    std::optional<SmoothingSettings> smoothing_;
    std::vector<OneEuroFilter> shapeFilters_;
    OneEuroFilter yawFilter_, pitchFilter_, rollFilter_;
    std::vector<float> raw_, smoothed_, shown_;
    std::optional<HeadAngles> smoothedAngles_;
    NeutralPose neutral_;
    bool settling_ = false;
    bool neutralChanged_ = false;
};
