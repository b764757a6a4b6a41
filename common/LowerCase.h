#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// ASCII letters lowered, every other byte kept: names are matched in any case, byte by byte, and
// the locale never decides what a capital is.
inline std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
}
