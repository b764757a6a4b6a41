#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How many channels the head blends at once.
inline constexpr std::int32_t morphChannelCount = 7;

// The seven blend slots of the head: each plays one morph target, by name, with a weight.
// The settings dialog writes it and the scene reads it every frame; nothing here checks that a
// name is a target of the mesh (drawing does) or that a weight lies in 0..1.
class MorphChannelSet {
  public:
    // One channel per start target, every weight 0.
    explicit MorphChannelSet(std::vector<std::string> startTargets);

    std::int32_t channelCount() const { return channelCount_; }

    const std::string& getChannelTarget(std::int32_t channel) const;
    void setChannelTarget(const std::string& targetName, std::int32_t channel);
    float getChannelWeight(std::int32_t channel) const;
    void setChannelWeight(float weight, std::int32_t channel);

  private:
    std::size_t checkedIndex(std::int32_t channel) const;

    std::int32_t channelCount_;
    std::vector<std::string> channelTargets_;
    std::vector<float> channelWeights_;
};
