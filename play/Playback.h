#pragma once

#include "play/Recording.h"

#include <string>
#include <vector>

// A recording bound to a head's morph targets and played in a loop: each column drives the
// target of the same name in any letter case (EyeBlinkLeft drives eyeBlinkLeft). Time comes
// from outside, as the seconds each frame took, so a slow frame skips ahead and never slows
// the recording down. An empty recording plays the rest pose.
class Playback {
  public:
    // Throws DemoError for a recording whose rows, poses and weights disagree.
    Playback(Recording recording, const std::vector<std::string>& targetNames);

    // What the binding leaves out, each said once: columns that match no target, and the
    // rotation columns, which are not applied.
    std::vector<std::string> notes() const;

    // Moves the playhead on by dt seconds unless paused, wrapping at the end.
    void advance(double dt);
    void togglePause() { paused_ = !paused_; }
    bool paused() const { return paused_; }
    double time() const { return time_; }

    // The weight of every target at the playhead, in the order of the names given; rows are
    // blended linearly between their times.
    void pose(std::vector<float>& targetWeights) const;

  private:
    Recording recording_;
    std::size_t targetCount_;
    std::vector<std::int32_t> targetOfColumn_; // -1: drives nothing
    std::vector<std::string> unmatched_;
    double time_ = 0.0;
    bool paused_ = false;
};
