#include "model/MorphChannelSet.h"

#include "common/DemoError.h"

MorphChannelSet::MorphChannelSet(std::vector<std::string> startTargets)
    : channelCount_(static_cast<std::int32_t>(startTargets.size())),
      channelTargets_(std::move(startTargets)), channelWeights_(channelTargets_.size(), 0.0f) {}

std::size_t MorphChannelSet::checkedIndex(std::int32_t channel) const {
    // A negative index would read outside the arrays, so it is refused like one past the end.
    if (channel < 0 || channel > channelCount_ - 1)
        throw DemoError("morph channel " + std::to_string(channel) + " does not exist (there are " +
                        std::to_string(channelCount_) + ")");
    return static_cast<std::size_t>(channel);
}

const std::string& MorphChannelSet::getChannelTarget(std::int32_t channel) const {
    return channelTargets_[checkedIndex(channel)];
}

void MorphChannelSet::setChannelTarget(const std::string& targetName, std::int32_t channel) {
    channelTargets_[checkedIndex(channel)] = targetName;
}

float MorphChannelSet::getChannelWeight(std::int32_t channel) const {
    return channelWeights_[checkedIndex(channel)];
}

void MorphChannelSet::setChannelWeight(float weight, std::int32_t channel) {
    channelWeights_[checkedIndex(channel)] = weight;
}
