// How far a coarse level lies from the full mesh, and the grid its nearest-triangle search uses.
#include "model/PoseError.h"

#include "model/TriangleGrid.h"

#include <glm/vec3.hpp>
#include <gtest/gtest.h>

namespace {

MeshPoses restPose(const std::vector<glm::vec3>& positions) {
    return MeshPoses{positions.size(), {&positions[0].x}, {3}};
}

TEST(PoseError, LeavesOutATrailingPartialTriangle) {
    const std::vector<glm::vec3> positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}};
    const MeshPoses poses = restPose(positions);
    // Vertex 3 is in no whole triangle, so it is not part of the mesh: no error, not infinity.
    // The coarse list's stray index lies past the vertices and must not be read.
    const std::vector<std::int32_t> full{0, 1, 2, 3, 1};
    const std::vector<std::uint32_t> coarse{0, 1, 2, 1000000};
    const std::vector<float> errors = poseErrors(full, coarse, poses, poseMotion(poses));
    EXPECT_EQ(errors, std::vector<float>(4, 0.0f));
}

// Many small triangles and a few slivers across the whole model: at the small triangles' cell
// size each sliver would fill a diagonal of thousands of cells.
struct SliverModel {
    std::vector<glm::vec3> positions;
    std::vector<std::uint32_t> indices;

    SliverModel(std::size_t smallTriangles, std::size_t slivers) {
        std::uint32_t state = 12345;
        const auto unit = [&] {
            state = state * 1664525u + 1013904223u;
            return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
        };
        for (std::size_t t = 0; t < smallTriangles; ++t) {
            const glm::vec3 at(unit(), unit(), unit());
            add(at, at + glm::vec3(0.002f, 0, 0), at + glm::vec3(0, 0.002f, 0));
        }
        for (std::size_t t = 0; t < slivers; ++t) {
            const glm::vec3 at(unit() * 0.05f, unit() * 0.05f, unit() * 0.05f);
            add(at, at + glm::vec3(0.95f), at + glm::vec3(0.95f, 0.95f, 0.951f));
        }
    }
    void add(glm::vec3 a, glm::vec3 b, glm::vec3 c) {
        for (const glm::vec3& p : {a, b, c}) {
            indices.push_back(static_cast<std::uint32_t>(positions.size()));
            positions.push_back(p);
        }
    }
};

TEST(TriangleGrid, KeepsASliverModelWithinItsBudgetAndFindsEveryTriangle) {
    const SliverModel model(60000, 3000);
    const MeshPoses poses = restPose(model.positions);
    const TriangleGrid grid(model.indices, poses);
    EXPECT_LE(grid.entryCount(), grid.entryBudget());
    EXPECT_GE(grid.entryCount(), model.indices.size() / 3); // every triangle somewhere
    EXPECT_GT(grid.cellCounts().x, 1);                      // coarser, still a grid
    for (std::uint32_t t = 0; t < model.indices.size() / 3; t += 97) {
        const glm::vec3 centre =
            (model.positions[3 * t] + model.positions[3 * t + 1] + model.positions[3 * t + 2]) /
            3.0f;
        bool found = false;
        grid.forRing(centre, 0, [&](std::uint32_t triangle) { found = found || triangle == t; });
        EXPECT_TRUE(found) << "triangle " << t << " is not in the cell of its centre";
    }
}

TEST(PoseError, MeasuresASliverModelByItsNearestTriangle) {
    SliverModel model(20000, 1000);
    // A vertex the level drops, 0.0005 above small triangle 1234 and tied into its part.
    const std::uint32_t dropped = static_cast<std::uint32_t>(model.positions.size());
    const glm::vec3* corner = &model.positions[3 * 1234];
    model.positions.push_back((corner[0] + corner[1] + corner[2]) / 3.0f +
                              glm::vec3(0, 0, 0.0005f));
    std::vector<std::int32_t> full(model.indices.begin(), model.indices.end());
    for (const std::uint32_t index : {3u * 1234, 3u * 1234 + 1, dropped})
        full.push_back(static_cast<std::int32_t>(index));
    const MeshPoses poses = restPose(model.positions);
    const std::vector<float> errors = poseErrors(full, model.indices, poses, poseMotion(poses));
    EXPECT_NEAR(errors[dropped], 0.0005f, 1e-6f);
}

} // namespace
