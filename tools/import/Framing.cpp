#include "Framing.h"

#include "ImportError.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <limits>

Framing frameHead(const MorphableMesh& head) {
    glm::vec3 low(std::numeric_limits<float>::max());
    glm::vec3 high(std::numeric_limits<float>::lowest());
    for (const VertexStream& stream : head.streams)
        for (std::size_t v = 0; isPoint(stream.kind) && v < stream.vertexCount(); ++v) {
            low = glm::min(low, stream.vec3(v));
            high = glm::max(high, stream.vec3(v));
        }
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
    for (VertexStream& stream : mesh.streams)
        for (std::size_t v = 0; isPoint(stream.kind) && v < stream.vertexCount(); ++v)
            stream.setVec3(v, stream.vec3(v) * framing.scale + framing.offset);
}
