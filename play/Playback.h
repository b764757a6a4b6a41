#pragma once

#include "play/Recording.h"
#include "play/TargetBinding.h"

#include <optional>
#include <string>
#include <vector>

// A recording bound to a head's morph targets and played in a loop: each column drives the
// target the binding gives it (by default the one of the same name in any letter case:
// EyeBlinkLeft drives eyeBlinkLeft). Time comes
// from outside, as the seconds each frame took, so a slow frame skips ahead and never slows
// the recording down. An empty recording plays the rest pose.
class Playback {
  public:
    // Throws DemoError for a recording whose rows, poses and weights disagree.
    Playback(Recording recording, const std::vector<std::string>& targetNames,
             NameMap nameMap = {});

    // What the binding leaves out, each said once: columns that match no target, and the eye
    // rotation columns, which are not applied (the eyeLook targets carry the gaze).
    std::vector<std::string> notes() const;

    // Moves the playhead on by dt seconds unless paused, wrapping at the end.
    void advance(double dt);
    void togglePause() { paused_ = !paused_; }
    bool paused() const { return paused_; }
    double time() const { return time_; }

    // The weight of every target at the playhead, in the order of the names given; rows are
    // blended linearly between their times.
    void pose(std::vector<float>& targetWeights) const;

    // The head's angles at the playhead, blended as the weights are; nothing when the recording
    // has none.
    std::optional<HeadAngles> headAngles() const;

  private:
    // The last row at or before the playhead, the row after it, and how far the playhead is
    // from the one towards the other.
    struct Between {
        std::size_t row;
        std::size_t next;
        float blend;
    };
    Between playheadRows() const;

    Recording recording_;
    std::size_t targetCount_;
    std::vector<TargetBinding::Bound> boundColumns_;
    std::vector<std::string> unmatched_;
    double time_ = 0.0;
    bool paused_ = false;
};
