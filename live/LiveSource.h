#pragma once

#include "app/PoseSource.h"
#include "live/LiveReceiver.h"
#include "live/LiveState.h"
#include "play/TargetBinding.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The head's pose from a tracker's stream: each frame shows the newest complete frame received,
// every shape driving the target the binding gives it. Without a new frame (a lost-tracking
// packet, a silent sender, a pause) the head holds the pose it shows. It is moving only while
// datagrams wait, so with no sender the picture rests.
class LiveSource final : public PoseSource {
  public:
    // `note` hears what a person should read once: shapes no target takes, other subjects.
    LiveSource(std::unique_ptr<LiveReceiver> receiver, const std::vector<std::string>& targetNames,
               NameMap nameMap, std::function<void(const std::string&)> note);

    void advance(float dt) override;
    void pose(std::vector<float>& targetWeights) const override { targetWeights = weights_; }
    bool moving() const override { return receiver_->datagramsWaiting(); }
    void togglePause() override { paused_ = !paused_; }
    std::optional<HeadAngles> headAngles() const override { return head_; }
    std::optional<std::string> stateLine() const override;

    const LiveReceiver& receiver() const { return *receiver_; }

  private:
    void show(const LiveFrame& frame);
    TargetBinding::Bound bind(const std::string& name);

    std::unique_ptr<LiveReceiver> receiver_;
    TargetBinding binding_;
    std::function<void(const std::string&)> note_;
    // Shape names seen, bound once; bounded, so that a stream of new names cannot grow memory.
    std::unordered_map<std::string, TargetBinding::Bound> boundNames_;
    std::vector<std::string> unmatched_;
    std::vector<float> weights_;
    std::optional<HeadAngles> head_;
    LiveState state_;
    bool paused_ = false;
};
