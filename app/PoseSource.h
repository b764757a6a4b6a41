#pragma once

#include "common/HeadAngles.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What moves the head on its own: a recording played, a stream received. Each frame the shell
// moves it on by the frame's time and draws its pose with every target at once.
class PoseSource {
  public:
    virtual ~PoseSource() = default;
    virtual void advance(float dt) = 0;
    // The same by exactly this many seconds, for a render that draws every frame at its own
    // time over thousands of frames; a source that keeps its time in floats moves by the nearest.
    virtual void advanceExactly(double seconds) { advance(static_cast<float>(seconds)); }
    // The weight of every target, in the order of the head's target names.
    virtual void pose(std::vector<float>& targetWeights) const = 0;
    // False while the pose stands still (paused): the picture may then rest.
    virtual bool moving() const = 0;
    // Space, in any window of the program.
    virtual void togglePause() = 0;
    // The performer's head angles of the moment, as the phone app gives them; nothing when the
    // source has none.
    virtual std::optional<HeadAngles> headAngles() const { return std::nullopt; }
    // N and Shift+N: the pose of the moment becomes the neutral one what follows is measured
    // from, or the neutral pose is forgotten. A source without calibration ignores them.
    virtual void takeNeutral() {}
    virtual void clearNeutral() {}
    // A line for the settings window about where the pose comes from (a stream's sender and
    // rate); nothing for a source with nothing to say.
    virtual std::optional<std::string> stateLine() const { return std::nullopt; }
};

// Makes the source for a head with these targets, once the head is loaded.
using PoseSourceFactory =
    std::function<std::unique_ptr<PoseSource>(const std::vector<std::string>& targetNames)>;
