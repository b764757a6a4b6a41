#include "model/PoseError.h"

#include "model/TriangleGrid.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <glm/ext/vector_int3.hpp>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <limits>

namespace {

using glm::vec3;

// The connected parts of the full mesh: vertices joined by triangle edges share a label.
std::vector<std::uint32_t> partLabels(std::span<const std::int32_t> indices,
                                      std::size_t vertexCount) {
    std::vector<std::uint32_t> parent(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v)
        parent[v] = static_cast<std::uint32_t>(v);
    const auto root = [&](std::uint32_t v) {
        while (parent[v] != v)
            v = parent[v] = parent[parent[v]];
        return v;
    };
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3)
        for (std::size_t corner = 1; corner < 3; ++corner)
            parent[root(static_cast<std::uint32_t>(indices[t + corner]))] =
                root(static_cast<std::uint32_t>(indices[t]));
    for (std::size_t v = 0; v < vertexCount; ++v)
        parent[v] = root(static_cast<std::uint32_t>(v));
    return parent;
}

vec3 positionOf(const MeshPoses& poses, std::size_t pose, std::uint32_t vertex) {
    const float* p = poses.positions[pose] + vertex * poses.strideFloats[pose];
    return {p[0], p[1], p[2]};
}

// The normal follows the position; a pose without one (fewer than six floats) has none.
vec3 normalOf(const MeshPoses& poses, std::size_t pose, std::uint32_t vertex) {
    if (poses.strideFloats[pose] < 6)
        return vec3(0.0f);
    const float* p = poses.positions[pose] + vertex * poses.strideFloats[pose] + 3;
    return {p[0], p[1], p[2]};
}

// Barycentric coordinates of the point of triangle abc nearest to p.
vec3 nearestOnTriangle(const vec3& p, const vec3& a, const vec3& b, const vec3& c) {
    const vec3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = glm::dot(ab, ap), d2 = glm::dot(ac, ap);
    if (d1 <= 0.0f && d2 <= 0.0f)
        return {1.0f, 0.0f, 0.0f};
    const vec3 bp = p - b;
    const float d3 = glm::dot(ab, bp), d4 = glm::dot(ac, bp);
    if (d3 >= 0.0f && d4 <= d3)
        return {0.0f, 1.0f, 0.0f};
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f) {
        const float v = d1 / (d1 - d3);
        return {1.0f - v, v, 0.0f};
    }
    const vec3 cp = p - c;
    const float d5 = glm::dot(ab, cp), d6 = glm::dot(ac, cp);
    if (d6 >= 0.0f && d5 <= d6)
        return {0.0f, 0.0f, 1.0f};
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f) {
        const float w = d2 / (d2 - d6);
        return {1.0f - w, 0.0f, w};
    }
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0.0f && (d4 - d3) >= 0.0f && (d5 - d6) >= 0.0f) {
        const float w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        return {0.0f, 1.0f - w, w};
    }
    const float denominator = 1.0f / (va + vb + vc);
    const float v = vb * denominator, w = vc * denominator;
    return {1.0f - v - w, v, w};
}

} // namespace

PoseMotion poseMotion(const MeshPoses& poses) {
    PoseMotion motion;
    motion.moved.resize(poses.positions.size());
    for (std::size_t pose = 1; pose < poses.positions.size(); ++pose) {
        std::vector<bool>& moved = motion.moved[pose];
        moved.resize(poses.vertexCount);
        for (std::uint32_t vertex = 0; vertex < poses.vertexCount; ++vertex)
            moved[vertex] = positionOf(poses, pose, vertex) != positionOf(poses, 0, vertex);
    }
    return motion;
}

std::vector<float> poseErrors(std::span<const std::int32_t> fullIndices,
                              std::span<const std::uint32_t> coarseIndices, const MeshPoses& poses,
                              const PoseMotion& motion) {
    // A trailing partial triangle is no triangle: nothing of it is read.
    fullIndices = fullIndices.first(fullIndices.size() - fullIndices.size() % 3);
    coarseIndices = coarseIndices.first(coarseIndices.size() - coarseIndices.size() % 3);
    const std::size_t vertexCount = poses.vertexCount;
    std::vector<float> errors(vertexCount, 0.0f);
    if (poses.positions.empty())
        return errors;
    const std::vector<std::uint32_t> part = partLabels(fullIndices, vertexCount);
    const TriangleGrid grid(coarseIndices, poses);
    std::vector<bool> used(vertexCount, false), kept(vertexCount, false);
    for (std::int32_t index : fullIndices)
        used[static_cast<std::size_t>(index)] = true;
    std::vector<bool> partInLevel(vertexCount, false);
    for (std::uint32_t index : coarseIndices) {
        kept[index] = true;
        partInLevel[part[index]] = true;
    }

    // Each dropped vertex tied to a point of a coarse triangle at rest.
    struct Tie {
        std::uint32_t vertex;
        const std::uint32_t* corner;
        vec3 weights;
    };
    std::vector<Tie> ties;
    for (std::uint32_t vertex = 0; vertex < vertexCount; ++vertex) {
        if (kept[vertex] || !used[vertex])
            continue;
        // The nearest point on a coarse triangle of the vertex's own part, searched ring by ring
        // until no nearer triangle can lie further out.
        const vec3 rest = positionOf(poses, 0, vertex);
        float nearest = std::numeric_limits<float>::infinity();
        Tie tie{vertex, nullptr, vec3(1.0f, 0.0f, 0.0f)};
        // A part the level has no triangle of has vanished; nothing to search for.
        if (!partInLevel[part[vertex]]) {
            errors[vertex] = std::numeric_limits<float>::infinity();
            continue;
        }
        const int lastRing = grid.lastRing(rest);
        for (int ring = 0;
             ring <= lastRing && (ring == 0 || nearest > grid.searchedReach(rest, ring - 1));
             ++ring)
            grid.forRing(rest, ring, [&](std::uint32_t candidate) {
                const std::uint32_t* corner = coarseIndices.data() + 3 * candidate;
                if (part[corner[0]] != part[vertex])
                    return;
                const vec3 a = positionOf(poses, 0, corner[0]), b = positionOf(poses, 0, corner[1]),
                           c = positionOf(poses, 0, corner[2]);
                const vec3 w = nearestOnTriangle(rest, a, b, c);
                const float distance = glm::distance(rest, w.x * a + w.y * b + w.z * c);
                if (distance < nearest) {
                    nearest = distance;
                    tie.corner = corner;
                    tie.weights = w;
                }
            });
        errors[vertex] = nearest; // infinite when its whole part is gone from the level
        if (std::isfinite(nearest))
            ties.push_back(tie);
    }

    // Followed through every pose, one pose at a time so that its block streams through the
    // cache: the same point of the same triangle. Only the part across the surface counts;
    // sliding along it changes neither outline nor shading. Where a pose moves neither the
    // vertex nor its triangle, the distance at rest stands.
    for (std::size_t pose = 1; pose < poses.positions.size(); ++pose) {
        const std::vector<bool>& moved = motion.moved[pose];
        for (const Tie& tie : ties) {
            if (!moved[tie.vertex] && !moved[tie.corner[0]] && !moved[tie.corner[1]] &&
                !moved[tie.corner[2]])
                continue;
            const vec3 onLevel = tie.weights.x * positionOf(poses, pose, tie.corner[0]) +
                                 tie.weights.y * positionOf(poses, pose, tie.corner[1]) +
                                 tie.weights.z * positionOf(poses, pose, tie.corner[2]);
            const vec3 offset = positionOf(poses, pose, tie.vertex) - onLevel;
            const vec3 normal = normalOf(poses, pose, tie.vertex);
            const float across = glm::dot(normal, normal) > 0.0f
                                     ? std::abs(glm::dot(offset, glm::normalize(normal)))
                                     : glm::length(offset);
            errors[tie.vertex] = std::max(errors[tie.vertex], across);
        }
    }
    return errors;
}
