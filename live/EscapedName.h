#pragma once

#include <string>
#include <string_view>

// A name from the network as it may be printed: control characters (and DEL) written as
// \xNN, so no sender can move the cursor, clear the terminal or cut a line short.
std::string escapedName(std::string_view name);
