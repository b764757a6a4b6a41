#pragma once

#include "ui/MorphGroup.h"

#include <string>
#include <vector>

// Where the demo reads its morph groups, relative to the working directory.
inline constexpr const char* morphGroupFilePath = "data/meshes/headModel.xml";

// Reads the groups of the target tree, in document order, from the group file.
// Throws DemoError when the file cannot be parsed or does not have the expected shape.
std::vector<MorphGroup> loadMorphGroups();
std::vector<MorphGroup> loadMorphGroups(const std::string& path);
