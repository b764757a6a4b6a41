#include "Framing.h"

#include "ImportError.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <limits>

Framing frameHead(const MorphableMesh& head) {
    glm::vec3 low(std::numeric_limits<float>::max());
    glm::vec3 high(std::numeric_limits<float>::lowest());
    const auto include = [&](const std::vector<glm::vec3>& positions) {
        for (const glm::vec3& p : positions) {
            low = glm::min(low, p);
            high = glm::max(high, p);
        }
    };
    include(head.positions);
    for (const MeshTarget& target : head.targets)
        include(target.positions);
    const glm::vec3 size = high - low;
    // The tighter of the two fits; a head flat in both x and y is fitted by its depth.
    float scale = std::numeric_limits<float>::infinity();
    if (size.y > 0.0f)
        scale = framedHeight / size.y;
    if (size.x > 0.0f)
        scale = std::min(scale, framedWidth / size.x);
    if (size.x <= 0.0f && size.y <= 0.0f && size.z > 0.0f)
        scale = framedHeight / size.z;
    if (!std::isfinite(scale) || !std::isfinite(size.x + size.y + size.z))
        throw ImportError("the model has no finite extent to frame");
    Framing framing;
    framing.scale = scale;
    framing.offset = framedCentre - (low + high) * 0.5f * framing.scale;
    return framing;
}

void applyFraming(MorphableMesh& mesh, const Framing& framing) {
    const auto move = [&](std::vector<glm::vec3>& positions) {
        for (glm::vec3& p : positions)
            p = p * framing.scale + framing.offset;
    };
    move(mesh.positions);
    for (MeshTarget& target : mesh.targets)
        move(target.positions);
}
