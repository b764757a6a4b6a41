#include "FuzzTargets.h"
#include "live/LiveLinkFacePacket.h"
#include "live/VmcFrameAssembler.h"
#include "live/VmcPacket.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

std::span<const std::byte> asBytes(std::span<const std::uint8_t> bytes) {
    return std::as_bytes(bytes);
}

bool finite(const HeadAngles& angles) {
    return std::isfinite(angles.yaw) && std::isfinite(angles.pitch) && std::isfinite(angles.roll);
}

} // namespace

// An accepted phone datagram keeps the parser's promises: 52 finite shapes and angles within a
// turn when tracked, nothing when not, names within their bound.
void fuzzLiveLinkFace(std::span<const std::uint8_t> bytes) {
    LiveFrame frame;
    if (parseLiveLinkFace(asBytes(bytes), frame))
        return;
    if (frame.subject.size() > maxNameBytes)
        throw FuzzFinding("face stream: a subject past its bound");
    if (!frame.tracked) {
        if (!frame.weights.empty() || frame.head)
            throw FuzzFinding("face stream: a lost frame with values");
        return;
    }
    if (frame.weights.size() != 52 || !frame.head)
        throw FuzzFinding("face stream: a tracked frame without its 52 shapes and the head");
    if (std::any_of(frame.weights.begin(), frame.weights.end(),
                    [](const LiveWeight& w) { return !std::isfinite(w.value); }))
        throw FuzzFinding("face stream: a shape that is not finite");
    if (!finite(*frame.head) || std::abs(frame.head->yaw) > 6.2832f)
        throw FuzzFinding("face stream: a head angle past a turn");
}

// An accepted VMC datagram gives finite values under bounded names, and the frames assembled
// from it (fed twice, as a stream repeats itself) stay within the assembler's bound.
void fuzzVmc(std::span<const std::uint8_t> bytes) {
    std::vector<VmcMessage> messages;
    if (parseVmcPacket(asBytes(bytes), messages))
        return;
    for (const VmcMessage& message : messages) {
        if (message.name.size() > maxNameBytes)
            throw FuzzFinding("vmc: a name past its bound");
        if (!std::isfinite(message.value) || !std::isfinite(message.rotation.w) ||
            !std::isfinite(message.rotation.x) || !std::isfinite(message.rotation.y) ||
            !std::isfinite(message.rotation.z))
            throw FuzzFinding("vmc: a number that is not finite");
    }
    VmcFrameAssembler assembler;
    LiveFrame frame;
    for (int pass = 0; pass < 2; ++pass)
        if (assembler.take(messages, frame)) {
            if (frame.weights.size() > VmcFrameAssembler::maxShapes)
                throw FuzzFinding("vmc: more shapes kept than the bound");
            if (frame.head && !finite(*frame.head))
                throw FuzzFinding("vmc: a head turn that is not finite");
        }
}
