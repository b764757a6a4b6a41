#pragma once

#include "ui/MorphGroup.h"

#include <string>
#include <vector>

// The morph group file: <MorphGroups><Group name="..."><Target name="..."/>...</Group>...
// Names are escaped, carriage returns included, so any name of UTF-8 text without zero bytes
// reads back as it was written. (XML has no zero byte, and a byte that is not UTF-8 can take
// the bytes after it along.)
std::string encodeMorphGroupFile(const std::vector<MorphGroup>& groups);
