#include "play/StrongestChannels.h"

#include <algorithm>
#include <numeric>

void showStrongestOnChannels(const std::vector<float>& pose,
                             const std::vector<std::string>& targetNames,
                             MorphChannelSet& channels) {
    std::vector<std::size_t> order(std::min(pose.size(), targetNames.size()));
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto shown = std::min(order.size(), static_cast<std::size_t>(channels.channelCount()));
    std::partial_sort(order.begin(), order.begin() + static_cast<long>(shown), order.end(),
                      [&](std::size_t a, std::size_t b) {
                          return pose[a] != pose[b] ? pose[a] > pose[b] : a < b;
                      });
    for (std::size_t channel = 0; channel < shown; ++channel) {
        const auto index = static_cast<std::int32_t>(channel);
        channels.setChannelTarget(targetNames[order[channel]], index);
        channels.setChannelWeight(pose[order[channel]], index);
    }
}
