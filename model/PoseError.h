#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A mesh's vertices in each of its poses: the base and every target at full weight. Each pose
// holds `vertexCount` vertices of its own stride in floats, the position first, then the normal.
struct MeshPoses {
    std::size_t vertexCount = 0;
    std::vector<const float*> positions;
    std::vector<std::size_t> strideFloats;
};

// Which vertices each pose moves off their place at rest: moved[pose][vertex], pose 0 (the base)
// moving none. Where a pose moves neither a vertex nor the triangle it is tied to, the level
// parts from it no more than at rest.
struct PoseMotion {
    std::vector<std::vector<bool>> moved;
};
PoseMotion poseMotion(const MeshPoses& poses);

// For every vertex of the full mesh, how far it lies from the coarse level's surface in the pose
// where that distance is largest. A vertex the level keeps is exact (0). One it drops is tied, at
// rest, to the nearest point of the level's triangles in its own connected part, and followed to
// that point in every pose, where the distance along the vertex's normal counts: a level
// simplified at rest can fold where a target moves the skin unevenly (the lips, the lids). Vertices
// no triangle uses get 0; one whose whole part vanished gets infinity. A trailing partial
// triangle of either list is left out.
std::vector<float> poseErrors(std::span<const std::int32_t> fullIndices,
                              std::span<const std::uint32_t> coarseIndices, const MeshPoses& poses,
                              const PoseMotion& motion);
