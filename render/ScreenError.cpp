#include "render/ScreenError.h"

float largestErrorWithin(float pixels, float distance, const glm::mat4& projection, int height) {
    // projection[1][1] is the cotangent of half the vertical field of view: a unit at distance 1
    // spans that many half-heights of the screen.
    const float pixelsPerUnitAtOne = projection[1][1] * static_cast<float>(height) * 0.5f;
    return pixels * distance / pixelsPerUnitAtOne;
}
