#include "Framing.h"

#include "ImportError.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <limits>

Framing frameRestPose(const MorphableMesh& head, const MorphableMesh& staticMesh) {
    glm::vec3 low(std::numeric_limits<float>::max());
    glm::vec3 high(std::numeric_limits<float>::lowest());
    for (const MorphableMesh* mesh : {&head, &staticMesh})
        for (const glm::vec3& p : mesh->positions) {
            low = glm::min(low, p);
            high = glm::max(high, p);
        }
    const glm::vec3 size = high - low;
    const float extent = size.y > 0.0f ? size.y : std::max(size.x, size.z);
    if (!(extent > 0.0f) || !std::isfinite(extent))
        throw ImportError("the model has no finite extent to frame");
    Framing framing;
    framing.scale = framedHeight / extent;
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
