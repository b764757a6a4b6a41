#pragma once

#include "common/LowerCase.h"

#include <algorithm>
#include <array>
#include <string_view>

// Columns of a face-capture recording that the reader takes for something other than a target's
// weight, in lower case (the reader matches names in any case).
inline constexpr std::string_view timecodeColumn = "timecode";
inline constexpr std::string_view shapeCountColumn = "blendshapecount";
inline constexpr std::array<std::string_view, 9> rotationColumns{
    "headyaw",     "headpitch",   "headroll",      "lefteyeyaw",  "lefteyepitch",
    "lefteyeroll", "righteyeyaw", "righteyepitch", "righteyeroll"};

inline bool isRotationColumn(std::string_view name) {
    const std::string lower = lowerCase(name);
    return std::find(rotationColumns.begin(), rotationColumns.end(), lower) !=
           rotationColumns.end();
}

// A target of this name could not be driven by a recording: its column would be read as another.
inline bool isReservedRecordingColumn(std::string_view name) {
    const std::string lower = lowerCase(name);
    return lower == timecodeColumn || lower == shapeCountColumn || isRotationColumn(lower);
}
