#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Where an incoming curve goes instead of the target of its own name, and how much of it.
struct NameMapping {
    std::string target;
    float scale = 1.0f;
};
// By incoming name in lower case.
using NameMap = std::map<std::string, NameMapping>;

// Reads a name map: a line per name, the incoming name, the target's name and an optional
// scale, separated by commas or blanks; blank lines and lines starting with # are skipped.
// Throws DemoError naming the file, the line and the fault.
NameMap readNameMap(const std::filesystem::path& path);

// Which target each incoming curve (a recording's column, a stream's shape) drives: a mapped
// name goes to its mapping's target, any other to the target of its own name; names match in
// any letter case, the first target of a name winning.
class TargetBinding {
  public:
    struct Bound {
        std::int32_t target = -1; // -1: drives nothing
        float scale = 1.0f;
    };

    explicit TargetBinding(const std::vector<std::string>& targetNames, NameMap map = {});

    Bound bind(std::string_view name) const;

  private:
    std::map<std::string, std::int32_t> targetOfLowerName_;
    NameMap map_;
};
