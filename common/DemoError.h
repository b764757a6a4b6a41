#pragma once

#include <stdexcept>
#include <string>

// The one error type of the demo. Whatever fails (a file, a shader, a GPU call, an index out of
// range) throws it; only the entry point catches it, writes the reason to standard error and
// shows the error box.
class DemoError : public std::runtime_error {
  public:
    explicit DemoError(const std::string& reason) : std::runtime_error(reason) {}
};
