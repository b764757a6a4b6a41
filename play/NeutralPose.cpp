#include "play/NeutralPose.h"

#include <algorithm>

namespace {
// A shape at or above this at rest is taken as always on: it has no range left to stretch.
constexpr float fullyOn = 0.999f;
} // namespace

void NeutralPose::take(const std::vector<float>& weights, const std::optional<HeadAngles>& angles) {
    taken_ = true;
    weights_ = weights;
    angles_ = angles.value_or(HeadAngles{});
}

void NeutralPose::clear() {
    taken_ = false;
    weights_.clear();
    angles_ = {};
}

void NeutralPose::apply(std::vector<float>& weights) const {
    if (!taken_)
        return;
    const std::size_t count = std::min(weights.size(), weights_.size());
    for (std::size_t target = 0; target < count; ++target) {
        const float neutral = std::clamp(weights_[target], 0.0f, 1.0f);
        weights[target] =
            neutral >= fullyOn
                ? 0.0f
                : std::clamp((weights[target] - neutral) / (1.0f - neutral), 0.0f, 1.0f);
    }
}

HeadAngles NeutralPose::apply(const HeadAngles& angles) const {
    if (!taken_)
        return angles;
    return {angles.yaw - angles_.yaw, angles.pitch - angles_.pitch, angles.roll - angles_.roll};
}
