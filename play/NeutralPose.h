#pragma once

#include "common/HeadAngles.h"

#include <optional>
#include <vector>

// A performer's resting face, taken as neutral (key N): a face at rest rarely reads 0 on every
// shape, nor holds the head straight at the phone. What is shown afterwards is measured from
// it: the neutral head angles are subtracted, and each shape starts at its neutral weight and
// is stretched so that it still reaches 1.
class NeutralPose {
  public:
    void take(const std::vector<float>& weights, const std::optional<HeadAngles>& angles);
    void clear();
    bool taken() const { return taken_; }

    void apply(std::vector<float>& weights) const;
    HeadAngles apply(const HeadAngles& angles) const;

  private:
    bool taken_ = false;
    std::vector<float> weights_;
    HeadAngles angles_;
};
