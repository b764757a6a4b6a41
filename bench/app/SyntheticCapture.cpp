#include "bench/app/SyntheticCapture.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// The head's target names, capitalised as capture apps write them.
const char* const captureColumns[] = {
    "BrowDownLeft",      "BrowDownRight",      "BrowInnerUp",         "BrowOuterUpLeft",
    "BrowOuterUpRight",  "CheekPuff",          "CheekSquintLeft",     "CheekSquintRight",
    "EyeBlinkLeft",      "EyeBlinkRight",      "EyeLookDownLeft",     "EyeLookDownRight",
    "EyeLookInLeft",     "EyeLookInRight",     "EyeLookOutLeft",      "EyeLookOutRight",
    "EyeLookUpLeft",     "EyeLookUpRight",     "EyeSquintLeft",       "EyeSquintRight",
    "EyeWideLeft",       "EyeWideRight",       "JawForward",          "JawLeft",
    "JawOpen",           "JawRight",           "MouthClose",          "MouthDimpleLeft",
    "MouthDimpleRight",  "MouthFrownLeft",     "MouthFrownRight",     "MouthFunnel",
    "MouthLeft",         "MouthLowerDownLeft", "MouthLowerDownRight", "MouthPressLeft",
    "MouthPressRight",   "MouthPucker",        "MouthRight",          "MouthRollLower",
    "MouthRollUpper",    "MouthShrugLower",    "MouthShrugUpper",     "MouthSmileLeft",
    "MouthSmileRight",   "MouthStretchLeft",   "MouthStretchRight",   "MouthUpperUpLeft",
    "MouthUpperUpRight", "NoseSneerLeft",      "NoseSneerRight",      "TongueOut",
};

} // namespace

void writeCapture(const std::string& path) {
    std::ofstream out(path, std::ios::trunc);
    out << "Timecode,BlendShapeCount";
    for (const char* column : captureColumns)
        out << ',' << column;
    out << ",HeadYaw,HeadPitch,HeadRoll\n";
    const std::size_t columns = std::size(captureColumns);
    for (int frame = 0; frame < 60 * 30; ++frame) {
        char timecode[32];
        std::snprintf(timecode, sizeof timecode, "09:%02d:%02d:%02d.000", frame / 1800,
                      frame / 30 % 60, frame % 30);
        out << timecode << ',' << columns + 3;
        const double t = frame / 30.0;
        for (std::size_t k = 0; k < columns; ++k) {
            const double wave = 0.3 + 0.3 * std::sin(t * (0.7 + 0.13 * double(k)) + double(k));
            out << ',' << (k % 4 == 3 ? 0.0 : std::round(wave * 1000.0) / 1000.0);
        }
        // The head turns as a performer's does, within a few tenths of a radian.
        out << ',' << std::round(300.0 * std::sin(t * 0.9)) / 1000.0 << ','
            << std::round(150.0 * std::sin(t * 1.3 + 1.0)) / 1000.0 << ','
            << std::round(100.0 * std::sin(t * 0.6 + 2.0)) / 1000.0 << '\n';
    }
}
