#pragma once

#include "live/PacketRefusal.h"

#include <cstddef>
#include <glm/gtc/quaternion.hpp>
#include <span>
#include <string>
#include <vector>

// The messages of the VMC stream (OSC over UDP) that move a face; other addresses are ignored.
struct VmcMessage {
    enum class Kind { blendValue, blendApply, bonePose };
    Kind kind = Kind::blendApply;
    std::string name;   // the shape's or the bone's
    float value = 0.0f; // a shape's weight
    // A bone's local rotation as sent, in Unity's left-handed axes (x right, y up, z forward).
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
};

// Bundles may nest this deep (a bundle in a bundle in a bundle ...); deeper ones are refused.
inline constexpr int maxVmcBundleDepth = 4;

// The face messages of one datagram, bundles opened, in the order sent; `messages` is cleared
// first and its storage reused. A refused datagram yields none: a frame is never half applied.
// Numbers may come as int32, float32 or float64; they must lie within a million either way.
PacketRefusal parseVmcPacket(std::span<const std::byte> datagram,
                             std::vector<VmcMessage>& messages);
