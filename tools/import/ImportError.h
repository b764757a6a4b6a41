#pragma once

#include <stdexcept>
#include <string>

// Why a model cannot be imported, as one line for the user (the caller adds the file's name).
class ImportError : public std::runtime_error {
  public:
    explicit ImportError(const std::string& reason) : std::runtime_error(reason) {}
};
