#include "model/PoseError.h"

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

constexpr int maxCellsPerAxis = 64;

// The coarse triangles binned by the cells of a uniform grid their bounding boxes overlap.
class TriangleGrid {
  public:
    TriangleGrid(std::span<const std::uint32_t> indices, const MeshPoses& poses) {
        const std::size_t triangleCount = indices.size() / 3;
        if (triangleCount == 0)
            return;
        low_ = high_ = positionOf(poses, 0, indices[0]);
        float edges = 0.0f;
        for (std::size_t t = 0; t < triangleCount; ++t)
            for (std::size_t corner = 0; corner < 3; ++corner) {
                const vec3 p = positionOf(poses, 0, indices[3 * t + corner]);
                low_ = glm::min(low_, p);
                high_ = glm::max(high_, p);
                edges += glm::distance(p, positionOf(poses, 0, indices[3 * t + (corner + 1) % 3]));
            }
        // About a triangle across a cell, and never more than 64 cells along an axis (huge or
        // non-finite coordinates, from a damaged model, end up in the outermost cells).
        const vec3 size = high_ - low_;
        cell_ = std::max(edges / static_cast<float>(3 * triangleCount),
                         std::max({size.x, size.y, size.z}) / static_cast<float>(maxCellsPerAxis));
        cell_ = std::max(cell_, 1e-6f);
        for (int axis = 0; axis < 3; ++axis)
            counts_[axis] = cellIndex(size[axis] / cell_, maxCellsPerAxis - 1) + 1;
        cells_.resize(static_cast<std::size_t>(counts_[0]) * counts_[1] * counts_[2]);
        for (std::size_t t = 0; t < triangleCount; ++t) {
            vec3 lo = positionOf(poses, 0, indices[3 * t]), hi = lo;
            for (std::size_t corner = 1; corner < 3; ++corner) {
                lo = glm::min(lo, positionOf(poses, 0, indices[3 * t + corner]));
                hi = glm::max(hi, positionOf(poses, 0, indices[3 * t + corner]));
            }
            const glm::ivec3 from = cellOf(lo), to = cellOf(hi);
            for (int z = from.z; z <= to.z; ++z)
                for (int y = from.y; y <= to.y; ++y)
                    for (int x = from.x; x <= to.x; ++x)
                        cells_[index(x, y, z)].push_back(static_cast<std::uint32_t>(t));
        }
    }

    // Calls visit(triangle) for the triangles in the cells exactly `ring` cells from p's cell,
    // those inside the grid only.
    template <typename Visit> void forRing(const vec3& p, int ring, Visit visit) const {
        if (cells_.empty())
            return;
        const glm::ivec3 centre = cellOf(p);
        const glm::ivec3 low = glm::max(centre - ring, glm::ivec3(0));
        const glm::ivec3 high = glm::min(centre + ring, counts_ - 1);
        for (int z = low.z; z <= high.z; ++z)
            for (int y = low.y; y <= high.y; ++y) {
                // Inside the shell's faces only its two x ends lie on it.
                const bool face = std::abs(z - centre.z) == ring || std::abs(y - centre.y) == ring;
                const int step = face || ring == 0 ? 1 : 2 * ring;
                for (int x = centre.x - ring; x <= centre.x + ring; x += step)
                    if (x >= low.x && x <= high.x)
                        for (std::uint32_t triangle : cells_[index(x, y, z)])
                            visit(triangle);
            }
    }
    // The ring beyond which p's search has covered the whole grid.
    int lastRing(const vec3& p) const {
        const glm::ivec3 centre = cellOf(p);
        const glm::ivec3 reach = glm::max(centre, counts_ - 1 - centre);
        return std::max({reach.x, reach.y, reach.z});
    }

    // How far p lies from every cell outside `ring` cells of its own: no triangle not yet
    // visited can be nearer. Where the block reaches the grid's edge nothing lies beyond.
    float searchedReach(const vec3& p, int ring) const {
        const glm::ivec3 centre = cellOf(p);
        float reach = std::numeric_limits<float>::infinity();
        for (int axis = 0; axis < 3; ++axis) {
            if (centre[axis] - ring > 0)
                reach =
                    std::min(reach, p[axis] - (low_[axis] +
                                               static_cast<float>(centre[axis] - ring) * cell_));
            if (centre[axis] + ring < counts_[axis] - 1)
                reach = std::min(reach, low_[axis] +
                                            static_cast<float>(centre[axis] + ring + 1) * cell_ -
                                            p[axis]);
        }
        return reach;
    }

  private:
    // Within 0..last; a coordinate out of any range (far away, not a number) goes to an end.
    static int cellIndex(float cells, int last) {
        if (cells >= static_cast<float>(last))
            return last;
        return cells >= 0.0f ? static_cast<int>(cells) : 0;
    }
    glm::ivec3 cellOf(const vec3& p) const {
        const vec3 c = (p - low_) / cell_;
        return {cellIndex(c.x, counts_.x - 1), cellIndex(c.y, counts_.y - 1),
                cellIndex(c.z, counts_.z - 1)};
    }
    std::size_t index(int x, int y, int z) const {
        return (static_cast<std::size_t>(z) * counts_[1] + y) * counts_[0] + x;
    }

    vec3 low_{0.0f}, high_{0.0f};
    float cell_ = 1.0f;
    glm::ivec3 counts_{0};
    std::vector<std::vector<std::uint32_t>> cells_;
};

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
