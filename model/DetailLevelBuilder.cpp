#include "model/DetailLevelBuilder.h"

#include "model/VertexCacheOrder.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <meshoptimizer.h>
#include <stdexcept>
#include <vector>

namespace {

// The levels' allowed errors relative to the mesh's largest extent. For the demo's head (about
// 180 units) the first is 0.18 units, under half a pixel from the start view and more than that
// nearer, so that the close-up of the face keeps full detail. Two levels, built side by side on
// two cores, keep an import of a 30,000-vertex, 52-target head within a second.
constexpr float relativeErrors[] = {0.001f, 0.002f};
// A level must drop at least this share of the triangles of the one before to be worth a draw.
constexpr float leastSaving = 0.15f;
// Glazed parts, and skin that a pose folds, may move only this share of a level's error.
constexpr float fineErrorShare = 0.25f;
// Rounds of refining the triangles where a pose folds the level, and simplifying again; the
// demo's head needs up to seven.
constexpr int poseRounds = 8;
constexpr std::size_t normalWFloat = 6;

struct Triangle {
    std::uint32_t corner[3];
    bool glazed;
};

std::vector<Triangle> triangles(std::span<const std::int32_t> indices, const MeshPoses& poses,
                                Glaze glaze) {
    const float* base = poses.positions.front();
    const std::size_t stride = poses.strideFloats.front();
    std::vector<Triangle> result;
    result.reserve(indices.size() / 3);
    for (std::size_t first = 0; first + 2 < indices.size(); first += 3) {
        Triangle triangle{{}, glaze == Glaze::Everywhere || stride > normalWFloat};
        for (std::size_t corner = 0; corner < 3; ++corner) {
            const std::int32_t index = indices[first + corner];
            if (index < 0 || static_cast<std::size_t>(index) >= poses.vertexCount)
                throw std::invalid_argument("detail levels: an index outside the vertex buffer");
            triangle.corner[corner] = static_cast<std::uint32_t>(index);
            triangle.glazed =
                triangle.glazed &&
                (glaze == Glaze::Everywhere ||
                 base[static_cast<std::size_t>(index) * stride + normalWFloat] > 0.5f);
        }
        result.push_back(triangle);
    }
    return result;
}

// How far a triangle is simplified: at the level's error, at a quarter of it, or not at all.
enum Tier : std::uint8_t { Coarse, Fine, Full };

// Simplifies the triangles of one tier to `relativeError` and appends them to `level`; returns
// the error reached. The other tiers' triangles are not there, so their edges are borders and
// stay where they are.
float simplifyTier(std::vector<std::uint32_t>& level, const std::vector<Triangle>& all,
                   const std::vector<std::uint8_t>& tier, Tier which, const MeshPoses& poses,
                   float relativeError) {
    std::vector<std::uint32_t> source;
    for (std::size_t t = 0; t < all.size(); ++t)
        if (tier[t] == which)
            source.insert(source.end(), all[t].corner, all[t].corner + 3);
    if (source.empty())
        return 0.0f;
    std::vector<std::uint32_t> simplified(source.size());
    float reached = 0.0f;
    simplified.resize(meshopt_simplify(simplified.data(), source.data(), source.size(),
                                       poses.positions.front(), poses.vertexCount,
                                       poses.strideFloats.front() * sizeof(float), 0, relativeError,
                                       meshopt_SimplifyLockBorder, &reached));
    level.insert(level.end(), simplified.begin(), simplified.end());
    return reached;
}

struct Level {
    std::vector<std::uint32_t> indices;
    float error = 0.0f; // model units
};

Level buildLevel(std::span<const std::int32_t> indices, const std::vector<Triangle>& all,
                 const MeshPoses& poses, const PoseMotion& motion, float relativeError,
                 float scale) {
    const float bound = relativeError * scale;
    std::vector<std::uint8_t> tier(all.size());
    for (std::size_t t = 0; t < all.size(); ++t)
        tier[t] = all[t].glazed ? Fine : Coarse;
    Level level;
    for (int round = 0;; ++round) {
        level.indices.clear();
        const float reached = std::max(
            simplifyTier(level.indices, all, tier, Coarse, poses, relativeError),
            simplifyTier(level.indices, all, tier, Fine, poses, relativeError * fineErrorShare));
        for (std::size_t t = 0; t < all.size(); ++t)
            if (tier[t] == Full)
                level.indices.insert(level.indices.end(), all[t].corner, all[t].corner + 3);

        // Where a pose moves the full surface away from the level's, the triangles around go a
        // tier finer, and the rest is simplified again with them as fixed borders.
        const std::vector<float> errors = poseErrors(indices, level.indices, poses, motion);
        level.error = reached * scale;
        for (const float error : errors)
            level.error = std::max(level.error, error);
        if (level.error <= bound || round == poseRounds)
            break;
        // The triangles around a vertex that misses the bound go a tier finer.
        for (std::size_t t = 0; t < all.size(); ++t) {
            const float worst = std::max(
                {errors[all[t].corner[0]], errors[all[t].corner[1]], errors[all[t].corner[2]]});
            if (worst > bound && tier[t] != Full)
                tier[t] = static_cast<std::uint8_t>(tier[t] + 1);
        }
    }
    return level;
}

} // namespace

DetailChain buildDetailChain(std::span<const std::int32_t> indices, const MeshPoses& poses,
                             Glaze glaze) {
    if (poses.positions.empty() || poses.positions.size() != poses.strideFloats.size())
        throw std::invalid_argument("detail levels: a pose without a stride");
    if (poses.vertexCount == 0)
        return {};
    const std::vector<Triangle> all = triangles(indices, poses, glaze);
    const float scale = meshopt_simplifyScale(poses.positions.front(), poses.vertexCount,
                                              poses.strideFloats.front() * sizeof(float));
    const PoseMotion motion = poseMotion(poses);

    DetailChain chain;
    std::size_t previousCount = all.size() * 3;
    // The levels do not depend on each other: each is built on its own thread.
    std::vector<std::future<Level>> levels;
    for (const float relativeError : relativeErrors)
        levels.push_back(std::async(std::launch::async, [&, relativeError] {
            return buildLevel(indices, all, poses, motion, relativeError, scale);
        }));
    for (std::future<Level>& built : levels) {
        Level level = built.get();
        const std::size_t count = level.indices.size();
        // A part that vanished whatever the rounds did leaves the level unusable.
        if (count == 0 || !std::isfinite(level.error) ||
            static_cast<float>(count) > (1.0f - leastSaving) * static_cast<float>(previousCount))
            continue;
        // A coarser level at least as accurate as the one before makes that one pointless.
        while (!chain.empty() && !(level.error > chain.back().error))
            chain.pop_back();
        orderTriangles(level.indices,
                       {poses.positions.front(), poses.vertexCount * poses.strideFloats.front()},
                       poses.strideFloats.front());
        chain.push_back(
            {level.error, std::vector<std::int32_t>(level.indices.begin(), level.indices.end())});
        previousCount = count;
    }
    return chain;
}

void buildDetailChains(MeshFileImage& image) {
    MeshPoses head{static_cast<std::size_t>(image.vertexCount),
                   {image.baseVertices.data()},
                   {static_cast<std::size_t>(image.baseFloats)}};
    for (const std::vector<float>& block : image.targetBlocks) {
        head.positions.push_back(block.data());
        head.strideFloats.push_back(static_cast<std::size_t>(image.targetFloats));
    }
    image.headDetail = buildDetailChain(image.indices, head);

    const MeshPoses staticMesh{static_cast<std::size_t>(image.staticVertexCount),
                               {image.staticVertices.data()},
                               {static_cast<std::size_t>(image.staticFloats)}};
    image.staticDetail = buildDetailChain(image.staticIndices, staticMesh, Glaze::Everywhere);
}
