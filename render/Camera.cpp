#include "render/Camera.h"

#include <glm/gtc/matrix_transform.hpp>

namespace {
constexpr float verticalFieldOfView = 0.5235988f; // pi / 6
constexpr float nearPlane = 0.1f;
// A negative far argument keeps every depth below 3000 / 3000.1, so nothing is clipped far away.
constexpr float farPlaneArgument = -3000.0f;
} // namespace

void Camera::init(const glm::vec3& eye, const glm::vec3& target) {
    eye_ = eye;
    target_ = target;
    up_ = glm::vec3(0.0f, 1.0f, 0.0f);
    projection_ =
        glm::perspectiveRH_ZO(verticalFieldOfView, aspectRatio_, nearPlane, farPlaneArgument);
    view_ = glm::lookAtRH(eye_, target_, up_);
    cameraToWorld_ = glm::inverse(view_);
}

void Camera::transform(const glm::mat4& m) {
    cameraToWorld_ = multiplyRowMajor(cameraToWorld_, m);
    deriveFromCameraToWorld();
}

void Camera::moveForward(float distance) {
    // Row 3 of the camera-to-world matrix is the camera's z axis, pointing from target to eye.
    const glm::vec3 back = glm::normalize(glm::vec3(cameraToWorld_[2]));
    const glm::vec3 step = back * distance;
    cameraToWorld_ = multiplyRowMajor(cameraToWorld_, glm::translate(glm::mat4(1.0f), -step));
    deriveFromCameraToWorld();
}

void Camera::deriveFromCameraToWorld() {
    view_ = glm::inverse(cameraToWorld_);
    eye_ = glm::vec3(cameraToWorld_[3]);
}
