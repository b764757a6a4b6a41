#pragma once

#include <glm/mat4x4.hpp>

// The largest distance, in model units, that spans at most `pixels` of a back buffer `height`
// pixels high when seen `distance` units away through `projection`.
float largestErrorWithin(float pixels, float distance, const glm::mat4& projection, int height);
