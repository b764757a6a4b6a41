#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A capture timecode, HH:MM:SS:FF.fff: the second of the day, the frame within that second at
// the recording's rate, and the fraction of a frame (thousandths, as the capture app writes it).
// A recording that runs past midnight counts its seconds on from the day before's.
struct Timecode {
    std::int32_t secondOfDay = 0;
    std::int32_t frame = 0;
    double frameFraction = 0.0;

    // Seconds since midnight, once the frame rate is known.
    double seconds(std::int32_t framesPerSecond) const {
        return secondOfDay + (frame + frameFraction) / framesPerSecond;
    }
    // Order within a recording, which does not depend on the rate.
    bool before(const Timecode& other) const {
        if (secondOfDay != other.secondOfDay)
            return secondOfDay < other.secondOfDay;
        if (frame != other.frame)
            return frame < other.frame;
        return frameFraction < other.frameFraction;
    }
};

// Nothing when the text is not a timecode: fields out of range (hours 0-23, minutes and seconds
// 0-59, frames 0-59), missing, or followed by anything.
std::optional<Timecode> parseTimecode(std::string_view text);
