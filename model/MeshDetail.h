#pragma once

#include "model/DetailLevels.h"

#include <cstddef>
#include <cstdint>
#include <glm/vec3.hpp>
#include <vector>

class RenderDevice;

// A mesh's coarser levels on the GPU, with the box that holds every vertex in every pose: the
// scene judges from the camera's distance to its centre how large an error would look on screen.
struct MeshDetail {
    std::vector<std::int32_t> indexBuffers; // one per level, finest first
    std::vector<float> errors;              // model units, rising
    glm::vec3 boundsMin{0.0f};
    glm::vec3 boundsMax{0.0f};
    bool hasBounds = false;

    // The index buffer to draw when errors up to `maxError` are acceptable: a level's, or
    // `fullIndexBuffer` when none is that fine.
    std::int32_t indexBufferWithin(float maxError, std::int32_t fullIndexBuffer) const;
};

// Uploads the chain's index buffers; the bounds are left to includeInBounds.
MeshDetail buildMeshDetail(const DetailChain& chain, RenderDevice& device);

// Grows the bounds to hold `vertexCount` vertices of `strideFloats` floats, the position first.
// The first call sets them.
void includeInBounds(MeshDetail& detail, const float* vertices, std::size_t vertexCount,
                     std::size_t strideFloats);
