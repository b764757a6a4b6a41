#pragma once

#include "live/LiveFrame.h"
#include "live/VmcPacket.h"

#include <optional>
#include <vector>

// Gathers a VMC sender's messages into frames: shape values and the Head and Neck bones are
// kept as they come, and each Apply makes a frame of everything kept so far (senders repeat
// every value before each Apply). A sender's names are kept up to a bound, so that a stream of
// ever new names cannot grow memory; further names are ignored.
class VmcFrameAssembler {
  public:
    static constexpr std::size_t maxShapes = 512;

    // Takes one datagram's messages; true when they ended in at least one Apply, `frame` then
    // holding the last one's frame.
    bool take(const std::vector<VmcMessage>& messages, LiveFrame& frame);

  private:
    void keepValue(const VmcMessage& message);

    std::vector<LiveWeight> shapes_;
    std::optional<glm::quat> neck_;
    std::optional<glm::quat> head_;
};
