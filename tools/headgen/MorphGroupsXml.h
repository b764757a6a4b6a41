#pragma once

#include "HeadGenerator.h"

#include <string>
#include <vector>

// The morph group file: <MorphGroups><Group name="..."><Target name="..."/>...</Group>...
std::string morphGroupsXml(const std::vector<TargetGroup>& groups);
