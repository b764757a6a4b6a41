#pragma once

#include "model/MorphChannelSet.h"

#include <string>
#include <vector>

// Puts the strongest targets of a pose on the channels, strongest first (the earlier target of
// equal weights first), so that the channels show what moves the face most at this moment.
// pose and targetNames go together, one weight per name.
void showStrongestOnChannels(const std::vector<float>& pose,
                             const std::vector<std::string>& targetNames,
                             MorphChannelSet& channels);
