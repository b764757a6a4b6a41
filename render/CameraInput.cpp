#include "render/CameraInput.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

namespace {
// D3DXMatrixRotationY: a positive angle turns +z toward +x.
glm::mat4 rotationY(float angle) {
    return glm::rotate(glm::mat4(1.0f), angle, glm::vec3(0.0f, 1.0f, 0.0f));
}
} // namespace

glm::mat4 dragRotation(std::int32_t dx, std::int32_t dy, float frameTime, const glm::vec3& eye) {
    const auto fdx = static_cast<float>(dx);
    const auto fdy = static_cast<float>(dy);
    const float length = std::sqrt(fdx * fdx + fdy * fdy);
    // For a move of (0, 0) this is 0/0: NaN fails both comparisons below and turns nothing.
    const float horizontal = fdx * (1.0f / length);
    const float ex = eye.x;
    const float ez = eye.z;

    if (horizontal > dragDeadZone && (ez > 0.0f || (ez < 0.0f && ex < 0.0f)))
        return rotationY(static_cast<float>(frameTime * dragTurnRate));
    if (horizontal < -dragDeadZone && (ez > 0.0f || (ez < 0.0f && ex > 0.0f)))
        return rotationY(static_cast<float>(frameTime * -1.0 * dragTurnRate));
    return glm::mat4(1.0f);
}

float wheelDistance(std::int32_t delta, float frameTime) {
    const double sign = delta > 0 ? 1.0 : -1.0;
    return static_cast<float>(frameTime * (sign * wheelSpeed));
}
