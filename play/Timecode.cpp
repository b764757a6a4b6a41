#include "play/Timecode.h"

#include <charconv>

namespace {

// Exactly two decimal digits, at most `largest`.
std::optional<std::int32_t> twoDigits(std::string_view text, std::int32_t largest) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return std::nullopt;
    const std::int32_t value = (text[0] - '0') * 10 + (text[1] - '0');
    return value <= largest ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<Timecode> parseTimecode(std::string_view text) {
    // HH:MM:SS:FF, then an optional .fff
    if (text.size() < 11 || text[2] != ':' || text[5] != ':' || text[8] != ':')
        return std::nullopt;
    const auto hours = twoDigits(text.substr(0, 2), 23);
    const auto minutes = twoDigits(text.substr(3, 2), 59);
    const auto seconds = twoDigits(text.substr(6, 2), 59);
    const auto frame = twoDigits(text.substr(9, 2), 59);
    if (!hours || !minutes || !seconds || !frame)
        return std::nullopt;

    Timecode timecode;
    timecode.secondOfDay = (*hours * 60 + *minutes) * 60 + *seconds;
    timecode.frame = *frame;
    const std::string_view rest = text.substr(11);
    if (rest.empty())
        return timecode;
    if (rest.size() < 2 || rest.size() > 10 || rest[0] != '.')
        return std::nullopt;
    double scale = 1.0;
    for (const char digit : rest.substr(1)) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        scale /= 10.0;
        timecode.frameFraction += (digit - '0') * scale;
    }
    return timecode;
}
