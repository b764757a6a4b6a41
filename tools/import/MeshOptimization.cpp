#include "MeshOptimization.h"

#include "ImportError.h"

#include <algorithm>
#include <cstring>
#include <meshoptimizer.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Applies a meshoptimizer remap table (old vertex -> new vertex, ~0u for dropped ones) to the
// indices and every stream.
void remap(MorphableMesh& mesh, const std::vector<unsigned int>& table, std::size_t newCount) {
    meshopt_remapIndexBuffer(mesh.indices.data(), mesh.indices.data(), mesh.indices.size(),
                             table.data());
    for (VertexStream& stream : mesh.streams) {
        std::vector<float> moved(newCount * stream.width);
        meshopt_remapVertexBuffer(moved.data(), stream.values.data(), stream.vertexCount(),
                                  stream.width * sizeof(float), table.data());
        stream.values = std::move(moved);
    }
}

std::size_t usedVertices(const std::vector<std::uint32_t>& indices, std::size_t vertexCount) {
    std::vector<bool> used(vertexCount, false);
    std::size_t count = 0;
    for (const std::uint32_t index : indices)
        if (!used[index]) {
            used[index] = true;
            ++count;
        }
    return count;
}

// Shrinks the triangle list towards `targetIndexCount`; `sloppy` clusters vertices where the
// edge-collapsing simplifier gets stuck (many small separate parts).
std::vector<std::uint32_t> simplified(const MorphableMesh& mesh, std::size_t targetIndexCount,
                                      bool sloppy) {
    std::vector<std::uint32_t> out(mesh.indices.size());
    const float* positions = mesh.stream(StreamKind::Position).values.data();
    const std::size_t count =
        sloppy ? meshopt_simplifySloppy(out.data(), mesh.indices.data(), mesh.indices.size(),
                                        positions, mesh.vertexCount(), sizeof(glm::vec3),
                                        targetIndexCount, 1.0f, nullptr)
               : meshopt_simplify(out.data(), mesh.indices.data(), mesh.indices.size(), positions,
                                  mesh.vertexCount(), sizeof(glm::vec3), targetIndexCount, 1.0f, 0,
                                  nullptr);
    out.resize(count);
    return out;
}

} // namespace

void weldVertices(MorphableMesh& mesh) {
    // meshoptimizer's multi-stream remap takes at most 16 streams, two targets' worth short of
    // a 52-target face: vertices are compared here by the bits of all their streams instead.
    const auto hashOf = [&](std::uint32_t v) {
        std::uint64_t hash = 1469598103934665603ull;
        for (const VertexStream& stream : mesh.streams)
            for (std::size_t c = 0; c < stream.width; ++c) {
                std::uint32_t word;
                std::memcpy(&word, &stream.values[v * stream.width + c], sizeof word);
                hash = (hash ^ word) * 1099511628211ull;
            }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    };
    const auto equal = [&](std::uint32_t a, std::uint32_t b) {
        for (const VertexStream& stream : mesh.streams)
            if (std::memcmp(&stream.values[a * stream.width], &stream.values[b * stream.width],
                            stream.width * sizeof(float)) != 0)
                return false;
        return true;
    };
    std::unordered_map<std::uint32_t, std::uint32_t, decltype(hashOf), decltype(equal)> firstOf(
        mesh.vertexCount(), hashOf, equal);

    std::vector<unsigned int> table(mesh.vertexCount(), ~0u);
    std::size_t unique = 0;
    for (const std::uint32_t index : mesh.indices) {
        if (table[index] != ~0u)
            continue;
        const auto [found, added] = firstOf.emplace(index, static_cast<std::uint32_t>(unique));
        table[index] = found->second;
        unique += added ? 1 : 0;
    }
    remap(mesh, table, unique);
}

void reduceVertices(MorphableMesh& mesh, std::size_t maxVertices) {
    std::size_t used = usedVertices(mesh.indices, mesh.vertexCount());
    if (used <= maxVertices)
        return;
    // Aim a little under the limit; each pass scales the triangle budget by how far it missed.
    double share = 0.97 * static_cast<double>(maxVertices) / static_cast<double>(used);
    for (int pass = 0; pass < 12; ++pass) {
        const bool sloppy = pass >= 6;
        const auto budget =
            static_cast<std::size_t>(static_cast<double>(mesh.indices.size()) * share / 3.0) * 3;
        std::vector<std::uint32_t> indices = simplified(mesh, budget, sloppy);
        const std::size_t kept = usedVertices(indices, mesh.vertexCount());
        if (kept <= maxVertices && !indices.empty()) {
            mesh.indices = std::move(indices);
            weldVertices(mesh); // drops the vertices no triangle uses any more
            return;
        }
        share *= 0.97 * static_cast<double>(maxVertices) /
                 static_cast<double>(std::max<std::size_t>(kept, 1));
        share = std::min(share, 0.9);
    }
    throw ImportError("cannot simplify a mesh of " + std::to_string(used) + " vertices below " +
                      std::to_string(maxVertices));
}
