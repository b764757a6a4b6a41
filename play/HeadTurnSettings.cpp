#include "play/HeadTurnSettings.h"

#include <cmath>

glm::quat shownHeadRotation(const HeadAngles& recorded, const HeadTurnSettings& settings) {
    if (!settings.enabled)
        return glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    glm::quat rotation = headRotationOfRecordingAngles(recorded);
    if (rotation.w < 0.0f)
        rotation = -rotation;
    // Scaled as an angle about the same axis, never as a blend of matrices.
    const float angle = 2.0f * std::acos(std::fmin(rotation.w, 1.0f));
    const glm::vec3 vector(rotation.x, rotation.y, rotation.z);
    const float length = glm::length(vector);
    if (length > 1e-7f)
        rotation = glm::angleAxis(angle * settings.scale, vector / length);
    // A mirror in the plane x = 0 turns yaw and roll the other way and keeps the nod.
    if (settings.mirror)
        rotation = glm::quat(rotation.w, rotation.x, -rotation.y, -rotation.z);
    return rotation;
}
