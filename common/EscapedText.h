#pragma once

#include <string>
#include <string_view>

// Text from outside (a datagram's name, a file's field) as it may be printed: control
// characters, DEL and the backslash written as \xNN, so that no sender can move the cursor,
// clear the terminal or cut a line short, and every escape reads one way.
std::string escapedText(std::string_view text);
