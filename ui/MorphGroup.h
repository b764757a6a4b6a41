#pragma once

#include <string>
#include <vector>

// One named group of the target tree: the target names in the order the group file lists them.
// Names are the narrow byte strings of the file; nothing is sorted or de-duplicated.
struct MorphGroup {
    std::string name;
    std::vector<std::string> targetNames;
};
