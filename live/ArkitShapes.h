#pragma once

#include <array>
#include <string_view>

// The 52 face shapes in the order the phone's face tracker enumerates them, which is the
// order of the values in its stream.
inline constexpr std::array<std::string_view, 52> arkitStreamOrder{
    "EyeBlinkLeft",      "EyeLookDownLeft",    "EyeLookInLeft",
    "EyeLookOutLeft",    "EyeLookUpLeft",      "EyeSquintLeft",
    "EyeWideLeft",       "EyeBlinkRight",      "EyeLookDownRight",
    "EyeLookInRight",    "EyeLookOutRight",    "EyeLookUpRight",
    "EyeSquintRight",    "EyeWideRight",       "JawForward",
    "JawLeft",           "JawRight",           "JawOpen",
    "MouthClose",        "MouthFunnel",        "MouthPucker",
    "MouthLeft",         "MouthRight",         "MouthSmileLeft",
    "MouthSmileRight",   "MouthFrownLeft",     "MouthFrownRight",
    "MouthDimpleLeft",   "MouthDimpleRight",   "MouthStretchLeft",
    "MouthStretchRight", "MouthRollLower",     "MouthRollUpper",
    "MouthShrugLower",   "MouthShrugUpper",    "MouthPressLeft",
    "MouthPressRight",   "MouthLowerDownLeft", "MouthLowerDownRight",
    "MouthUpperUpLeft",  "MouthUpperUpRight",  "BrowDownLeft",
    "BrowDownRight",     "BrowInnerUp",        "BrowOuterUpLeft",
    "BrowOuterUpRight",  "CheekPuff",          "CheekSquintLeft",
    "CheekSquintRight",  "NoseSneerLeft",      "NoseSneerRight",
    "TongueOut"};

// The same shapes in the phone app's CSV column order: the stream's order but for the jaw's
// and the mouth's sideways pairs, which the file lists right before left.
inline constexpr std::array<std::string_view, 52> arkitFileOrder{"EyeBlinkLeft",
                                                                 "EyeLookDownLeft",
                                                                 "EyeLookInLeft",
                                                                 "EyeLookOutLeft",
                                                                 "EyeLookUpLeft",
                                                                 "EyeSquintLeft",
                                                                 "EyeWideLeft",
                                                                 "EyeBlinkRight",
                                                                 "EyeLookDownRight",
                                                                 "EyeLookInRight",
                                                                 "EyeLookOutRight",
                                                                 "EyeLookUpRight",
                                                                 "EyeSquintRight",
                                                                 "EyeWideRight",
                                                                 "JawForward",
                                                                 "JawRight",
                                                                 "JawLeft",
                                                                 "JawOpen",
                                                                 "MouthClose",
                                                                 "MouthFunnel",
                                                                 "MouthPucker",
                                                                 "MouthRight",
                                                                 "MouthLeft",
                                                                 "MouthSmileLeft",
                                                                 "MouthSmileRight",
                                                                 "MouthFrownLeft",
                                                                 "MouthFrownRight",
                                                                 "MouthDimpleLeft",
                                                                 "MouthDimpleRight",
                                                                 "MouthStretchLeft",
                                                                 "MouthStretchRight",
                                                                 "MouthRollLower",
                                                                 "MouthRollUpper",
                                                                 "MouthShrugLower",
                                                                 "MouthShrugUpper",
                                                                 "MouthPressLeft",
                                                                 "MouthPressRight",
                                                                 "MouthLowerDownLeft",
                                                                 "MouthLowerDownRight",
                                                                 "MouthUpperUpLeft",
                                                                 "MouthUpperUpRight",
                                                                 "BrowDownLeft",
                                                                 "BrowDownRight",
                                                                 "BrowInnerUp",
                                                                 "BrowOuterUpLeft",
                                                                 "BrowOuterUpRight",
                                                                 "CheekPuff",
                                                                 "CheekSquintLeft",
                                                                 "CheekSquintRight",
                                                                 "NoseSneerLeft",
                                                                 "NoseSneerRight",
                                                                 "TongueOut"};

// After the shapes the stream sends nine angles: the head's, then each eye's.
inline constexpr std::size_t arkitStreamValueCount = 61;
