#include "model/TriangleGrid.h"

#include <algorithm>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <limits>

namespace {

using glm::vec3;

constexpr int maxCellsPerAxis = 64;
// Entries a triangle may take on average, beyond a floor that small meshes never reach.
constexpr std::size_t entriesPerTriangle = 16;
constexpr std::size_t entryFloor = std::size_t{1} << 20;

vec3 restPosition(const MeshPoses& poses, std::uint32_t vertex) {
    const float* p = poses.positions[0] + vertex * poses.strideFloats[0];
    return {p[0], p[1], p[2]};
}

} // namespace

TriangleGrid::TriangleGrid(std::span<const std::uint32_t> indices, const MeshPoses& poses) {
    const std::size_t triangleCount = indices.size() / 3;
    if (triangleCount == 0)
        return;
    // Each triangle's bounds, found once.
    std::vector<vec3> lows(triangleCount), highs(triangleCount);
    low_ = high_ = restPosition(poses, indices[0]);
    float edges = 0.0f;
    for (std::size_t t = 0; t < triangleCount; ++t) {
        lows[t] = highs[t] = restPosition(poses, indices[3 * t]);
        for (std::size_t corner = 0; corner < 3; ++corner) {
            const vec3 p = restPosition(poses, indices[3 * t + corner]);
            lows[t] = glm::min(lows[t], p);
            highs[t] = glm::max(highs[t], p);
            edges += glm::distance(p, restPosition(poses, indices[3 * t + (corner + 1) % 3]));
        }
        low_ = glm::min(low_, lows[t]);
        high_ = glm::max(high_, highs[t]);
    }
    // About a triangle across a cell, and never more than 64 cells along an axis (huge or
    // non-finite coordinates, from a damaged model, end up in the outermost cells).
    const vec3 size = high_ - low_;
    setCellSize(std::max(edges / static_cast<float>(3 * triangleCount),
                         std::max({size.x, size.y, size.z}) / static_cast<float>(maxCellsPerAxis)));

    // Coarser cells until the bins fit the budget; one cell holds every triangle once.
    budget_ = std::max(entriesPerTriangle * triangleCount, entryFloor);
    const auto cellsOf = [&](std::size_t t) {
        // Not-a-number bounds can put the high cell below the low one: no cell, as forCells has.
        const glm::ivec3 span = glm::max(cellOf(highs[t]) - cellOf(lows[t]) + 1, glm::ivec3(0));
        return std::size_t(span.x) * std::size_t(span.y) * std::size_t(span.z);
    };
    for (;;) {
        std::size_t total = 0;
        for (std::size_t t = 0; t < triangleCount && total <= budget_; ++t)
            total += cellsOf(t);
        if (total <= budget_ || counts_ == glm::ivec3(1))
            break;
        setCellSize(cell_ * 2.0f);
    }

    const std::size_t cellCount = std::size_t(counts_.x) * std::size_t(counts_.y) * counts_.z;
    starts_.assign(cellCount + 1, 0);
    const auto forCells = [&](std::size_t t, auto each) {
        const glm::ivec3 from = cellOf(lows[t]), to = cellOf(highs[t]);
        for (int z = from.z; z <= to.z; ++z)
            for (int y = from.y; y <= to.y; ++y)
                for (int x = from.x; x <= to.x; ++x)
                    each(index(x, y, z));
    };
    for (std::size_t t = 0; t < triangleCount; ++t)
        forCells(t, [&](std::size_t cell) { ++starts_[cell + 1]; });
    for (std::size_t cell = 0; cell < cellCount; ++cell)
        starts_[cell + 1] += starts_[cell];
    entries_.resize(starts_[cellCount]);
    std::vector<std::size_t> filled(starts_.begin(), starts_.end() - 1);
    for (std::size_t t = 0; t < triangleCount; ++t)
        forCells(
            t, [&](std::size_t cell) { entries_[filled[cell]++] = static_cast<std::uint32_t>(t); });
}

void TriangleGrid::setCellSize(float cell) {
    cell_ = std::max(cell, 1e-6f);
    const vec3 size = high_ - low_;
    for (int axis = 0; axis < 3; ++axis)
        counts_[axis] = cellIndex(size[axis] / cell_, maxCellsPerAxis - 1) + 1;
}

int TriangleGrid::lastRing(const vec3& p) const {
    const glm::ivec3 centre = cellOf(p);
    const glm::ivec3 reach = glm::max(centre, counts_ - 1 - centre);
    return std::max({reach.x, reach.y, reach.z});
}

float TriangleGrid::searchedReach(const vec3& p, int ring) const {
    const glm::ivec3 centre = cellOf(p);
    float reach = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 3; ++axis) {
        if (centre[axis] - ring > 0)
            reach = std::min(
                reach, p[axis] - (low_[axis] + static_cast<float>(centre[axis] - ring) * cell_));
        if (centre[axis] + ring < counts_[axis] - 1)
            reach = std::min(
                reach, low_[axis] + static_cast<float>(centre[axis] + ring + 1) * cell_ - p[axis]);
    }
    return reach;
}

// Within 0..last; a coordinate out of any range (far away, not a number) goes to an end.
int TriangleGrid::cellIndex(float cells, int last) {
    if (cells >= static_cast<float>(last))
        return last;
    return cells >= 0.0f ? static_cast<int>(cells) : 0;
}

glm::ivec3 TriangleGrid::cellOf(const vec3& p) const {
    const vec3 c = (p - low_) / cell_;
    return {cellIndex(c.x, counts_.x - 1), cellIndex(c.y, counts_.y - 1),
            cellIndex(c.z, counts_.z - 1)};
}
