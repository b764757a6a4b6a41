#pragma once

#include "ui/MorphGroup.h"

#include <string>
#include <vector>

// The morph group file: <MorphGroups><Group name="..."><Target name="..."/>...</Group>...
// Names are escaped, so any byte string reads back as it was written.
std::string encodeMorphGroupFile(const std::vector<MorphGroup>& groups);
