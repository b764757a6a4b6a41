#include "play/OneEuroFilter.h"

#include <cmath>
#include <numbers>

namespace {

// The weight of the new sample in a first-order low-pass filter with this cutoff.
float smoothingFactor(float cutoff, float dt) {
    const float timeConstant = 1.0f / (2.0f * std::numbers::pi_v<float> * cutoff);
    return 1.0f / (1.0f + timeConstant / dt);
}

} // namespace

float OneEuroFilter::filter(float value, float dt) {
    if (!started_) {
        started_ = true;
        value_ = value;
        speed_ = 0.0f;
        return value_;
    }
    if (!(dt > 0.0f))
        return value_;
    const float rawSpeed = (value - value_) / dt;
    speed_ += smoothingFactor(settings_.derivativeCutoff, dt) * (rawSpeed - speed_);
    const float cutoff = settings_.minCutoff + settings_.beta * std::fabs(speed_);
    value_ += smoothingFactor(cutoff, dt) * (value - value_);
    return value_;
}
