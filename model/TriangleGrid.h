#pragma once

#include "model/PoseError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <glm/common.hpp>
#include <glm/ext/vector_int3.hpp>
#include <glm/vec3.hpp>
#include <span>
#include <vector>

// A mesh's triangles at rest (pose 0) binned by the cells of a uniform grid their bounding boxes
// overlap, for nearest-triangle searches ring by ring. A cell is about a triangle across, at
// most 64 along an axis, and coarser when the bins would hold more than entryBudget() entries:
// a sliver spans a row of cells, so a model of slivers would otherwise take gigabytes.
class TriangleGrid {
  public:
    // indices: whole triangles only.
    TriangleGrid(std::span<const std::uint32_t> indices, const MeshPoses& poses);

    // Calls visit(triangle) for the triangles in the cells exactly `ring` cells from p's cell,
    // those inside the grid only.
    template <typename Visit> void forRing(const glm::vec3& p, int ring, Visit visit) const;
    // The ring beyond which p's search has covered the whole grid.
    int lastRing(const glm::vec3& p) const;
    // How far p lies from every cell outside `ring` cells of its own: no triangle not yet
    // visited can be nearer. Where the block reaches the grid's edge nothing lies beyond.
    float searchedReach(const glm::vec3& p, int ring) const;

    std::size_t entryCount() const { return entries_.size(); }
    std::size_t entryBudget() const { return budget_; }
    glm::ivec3 cellCounts() const { return counts_; }

  private:
    static int cellIndex(float cells, int last);
    glm::ivec3 cellOf(const glm::vec3& p) const;
    std::size_t index(int x, int y, int z) const {
        return (static_cast<std::size_t>(z) * counts_[1] + y) * counts_[0] + x;
    }
    void setCellSize(float cell);

    glm::vec3 low_{0.0f}, high_{0.0f};
    float cell_ = 1.0f;
    glm::ivec3 counts_{0};
    std::size_t budget_ = 0;
    // Cell c's triangles are entries_[starts_[c]] up to entries_[starts_[c + 1]].
    std::vector<std::size_t> starts_;
    std::vector<std::uint32_t> entries_;
};

template <typename Visit>
void TriangleGrid::forRing(const glm::vec3& p, int ring, Visit visit) const {
    if (entries_.empty())
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
                if (x >= low.x && x <= high.x) {
                    const std::size_t cell = index(x, y, z);
                    for (std::size_t e = starts_[cell]; e < starts_[cell + 1]; ++e)
                        visit(entries_[e]);
                }
        }
}
