#include "common/HeadAngles.h"

#include <algorithm>
#include <cmath>
#include <glm/gtc/matrix_access.hpp>

HeadAngles headAnglesOf(const glm::quat& rotation) {
    // R = Ry Rx Rz has -sin(pitch) in row 1, column 2; yaw and roll follow from the rest of that
    // column and that row. glm indexes matrices column first.
    const glm::mat3 m = glm::mat3_cast(glm::normalize(rotation));
    HeadAngles angles;
    angles.pitch = std::asin(std::clamp(-m[2][1], -1.0f, 1.0f));
    angles.yaw = std::atan2(m[2][0], m[2][2]);
    angles.roll = std::atan2(m[0][1], m[1][1]);
    return angles;
}

glm::quat headRotationOfRecordingAngles(const HeadAngles& recorded) {
    return headRotation({recorded.yaw, -recorded.pitch, recorded.roll});
}

HeadAngles recordingAnglesOfHeadRotation(const glm::quat& rotation) {
    HeadAngles angles = headAnglesOf(rotation);
    angles.pitch = -angles.pitch;
    return angles;
}
