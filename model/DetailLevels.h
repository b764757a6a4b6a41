#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// A coarser triangle list over the same vertices as a mesh's full one. Every vertex it keeps
// keeps its exact base and target values, so a level needs no data of its own but its indices.
struct DetailLevel {
    // How far, in model units, the full mesh's surface lies at most from this level's.
    float error = 0.0f;
    std::vector<std::int32_t> indices;
};

// A mesh's coarser levels, finest first, their errors rising. Empty: the mesh has only its full
// detail.
using DetailChain = std::vector<DetailLevel>;

// The coarsest level whose error stays within `maxError`, as an index into `chain`; -1 when
// only the full mesh is that fine.
std::int32_t coarsestLevelWithin(std::span<const float> errors, float maxError);
