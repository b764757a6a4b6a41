#pragma once

#include <string>
#include <vector>

// "a, b, c": names listed for a person to read.
inline std::string joinedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}
