#include "live/VmcFrameAssembler.h"

#include "live/VmcHeadAngles.h"

#include <algorithm>

void VmcFrameAssembler::keepValue(const VmcMessage& message) {
    const auto kept = std::find_if(shapes_.begin(), shapes_.end(), [&](const LiveWeight& shape) {
        return shape.name == message.name;
    });
    if (kept != shapes_.end())
        kept->value = message.value;
    else if (shapes_.size() < maxShapes)
        shapes_.push_back({message.name, message.value});
}

bool VmcFrameAssembler::take(const std::vector<VmcMessage>& messages, LiveFrame& frame) {
    bool applied = false;
    for (const VmcMessage& message : messages) {
        switch (message.kind) {
        case VmcMessage::Kind::blendValue:
            keepValue(message);
            break;
        case VmcMessage::Kind::bonePose:
            if (message.name == "Head")
                head_ = message.rotation;
            else if (message.name == "Neck")
                neck_ = message.rotation;
            break;
        case VmcMessage::Kind::blendApply:
            applied = true;
            frame.subject.clear();
            frame.tracked = true;
            frame.weights = shapes_;
            frame.time.reset();
            frame.eyeAngles = {};
            if (head_ || neck_)
                frame.head = vmcHeadAngles(neck_.value_or(glm::quat(1, 0, 0, 0)),
                                           head_.value_or(glm::quat(1, 0, 0, 0)));
            else
                frame.head.reset();
            break;
        }
    }
    return applied;
}
