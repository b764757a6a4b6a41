#include "live/VmcHeadAngles.h"

namespace {
glm::quat inHeadAxes(const glm::quat& unity) {
    return glm::quat(unity.w, unity.x, -unity.y, -unity.z);
}
} // namespace

HeadAngles vmcHeadAngles(const glm::quat& neck, const glm::quat& head) {
    const glm::quat composed = neck * head;
    // A sender's zero (or absurd) quaternion carries no rotation; it is taken as none rather than
    // divided by.
    const float length = glm::dot(composed, composed);
    if (!(length >= 1e-12f && length <= 1e30f))
        return {};
    return recordingAnglesOfHeadRotation(inHeadAxes(glm::normalize(composed)));
}
