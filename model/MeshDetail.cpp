#include "model/MeshDetail.h"

#include "render/RenderDevice.h"

#include <glm/common.hpp>

std::int32_t MeshDetail::indexBufferWithin(float maxError, std::int32_t fullIndexBuffer) const {
    const std::int32_t level = coarsestLevelWithin(errors, maxError);
    return level < 0 ? fullIndexBuffer : indexBuffers[static_cast<std::size_t>(level)];
}

MeshDetail buildMeshDetail(const DetailChain& chain, RenderDevice& device) {
    MeshDetail detail;
    for (const DetailLevel& level : chain) {
        detail.indexBuffers.push_back(device.createIndexBuffer(
            static_cast<std::int32_t>(level.indices.size()), level.indices.data()));
        detail.errors.push_back(level.error);
    }
    return detail;
}

void includeInBounds(MeshDetail& detail, const float* vertices, std::size_t vertexCount,
                     std::size_t strideFloats) {
    if (vertexCount == 0)
        return;
    if (!detail.hasBounds) {
        detail.boundsMin = detail.boundsMax = glm::vec3(vertices[0], vertices[1], vertices[2]);
        detail.hasBounds = true;
    }
    glm::vec3 low = detail.boundsMin, high = detail.boundsMax;
    for (std::size_t vertex = 0; vertex < vertexCount; ++vertex) {
        const float* p = vertices + vertex * strideFloats;
        const glm::vec3 position(p[0], p[1], p[2]);
        low = glm::min(low, position);
        high = glm::max(high, position);
    }
    detail.boundsMin = low;
    detail.boundsMax = high;
}
