#include "model/DetailLevels.h"

std::int32_t coarsestLevelWithin(std::span<const float> errors, float maxError) {
    // Errors rise along the chain, so the last level within the bound is the coarsest.
    std::int32_t chosen = -1;
    for (std::size_t level = 0; level < errors.size() && errors[level] <= maxError; ++level)
        chosen = static_cast<std::int32_t>(level);
    return chosen;
}
