#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

// A .glb with its JSON chunk edited, the binary chunk kept: for fields tinygltf cannot hold
// (integers past 32 bits, fractions where an integer belongs).
std::string editedGlb(const std::string& glb, const std::function<void(nlohmann::json&)>& edit);
