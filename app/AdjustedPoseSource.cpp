#include "app/AdjustedPoseSource.h"

#include <cmath>
#include <numbers>

namespace {

// Below this the smoothed value has caught up with its source: nothing on screen would move.
constexpr float settled = 1e-4f;

// The angle a whole turn away from `angle` that is nearest to `near`: a turn through ±π is
// smoothed the short way round.
float nearestTurnOf(float angle, float near) {
    constexpr float turn = 2.0f * std::numbers::pi_v<float>;
    return angle - turn * std::round((angle - near) / turn);
}

} // namespace

AdjustedPoseSource::AdjustedPoseSource(std::unique_ptr<PoseSource> source,
                                       const std::optional<SmoothingSettings>& smoothing)
    : source_(std::move(source)), smoothing_(smoothing) {
    if (smoothing_) {
        yawFilter_ = pitchFilter_ = rollFilter_ = OneEuroFilter(smoothing_->headTurn);
    }
    source_->pose(raw_);
    smoothed_ = raw_;
    smoothedAngles_ = source_->headAngles();
    show();
}

void AdjustedPoseSource::advanceExactly(double seconds) {
    source_->advanceExactly(seconds);
    source_->pose(raw_);
    smooth(static_cast<float>(seconds));
    show();
    neutralChanged_ = false;
}

void AdjustedPoseSource::smooth(float dt) {
    const std::optional<HeadAngles> angles = source_->headAngles();
    if (!smoothing_) {
        smoothed_ = raw_;
        smoothedAngles_ = angles;
        return;
    }
    if (shapeFilters_.size() != raw_.size())
        shapeFilters_.assign(raw_.size(), OneEuroFilter(smoothing_->shapes));
    smoothed_.resize(raw_.size());
    settling_ = false;
    // Once caught up, the source's own value is shown: a held pose rests on exactly that
    // picture, whatever else wakes the frame loop.
    const auto follow = [&](OneEuroFilter& filter, float value) {
        const float smoothed = filter.filter(value, dt);
        if (std::fabs(smoothed - value) <= settled)
            return value;
        settling_ = true;
        return smoothed;
    };
    for (std::size_t target = 0; target < raw_.size(); ++target)
        smoothed_[target] = follow(shapeFilters_[target], raw_[target]);
    if (!angles) {
        smoothedAngles_.reset();
        return;
    }
    smoothedAngles_ =
        HeadAngles{follow(yawFilter_, nearestTurnOf(angles->yaw, yawFilter_.value())),
                   follow(pitchFilter_, nearestTurnOf(angles->pitch, pitchFilter_.value())),
                   follow(rollFilter_, nearestTurnOf(angles->roll, rollFilter_.value()))};
}

void AdjustedPoseSource::show() {
    shown_ = smoothed_;
    neutral_.apply(shown_);
}

std::optional<HeadAngles> AdjustedPoseSource::headAngles() const {
    if (!smoothedAngles_)
        return std::nullopt;
    return neutral_.apply(*smoothedAngles_);
}

void AdjustedPoseSource::takeNeutral() {
    neutral_.take(smoothed_, smoothedAngles_);
    show();
    neutralChanged_ = true;
}

void AdjustedPoseSource::clearNeutral() {
    if (!neutral_.taken())
        return;
    neutral_.clear();
    show();
    neutralChanged_ = true;
}
