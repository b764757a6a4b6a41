#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <glm/vec3.hpp>
#include <utility>
#include <vector>

// Independent checks of triangle meshes as the demo reads them: float positions, index triples.
using TriangleIndices = std::array<std::int32_t, 3>;

struct MeshView {
    std::vector<glm::dvec3> positions;
    std::vector<TriangleIndices> triangles;
};

// Undirected edges used by other than exactly two triangles, plus edges that two triangles
// traverse in the same direction (inconsistent winding). Zero for a closed, oriented manifold.
std::size_t badEdgeCount(const MeshView& mesh);

// Connected components (by shared vertices): each component's triangle list.
std::vector<std::vector<std::size_t>> components(const MeshView& mesh);

// Enclosed volume of a set of triangles: positive when they face outwards.
double signedVolume(const MeshView& mesh, const std::vector<std::size_t>& triangles);

using TrianglePair = std::pair<std::size_t, std::size_t>;

// The pairs of triangles that cross each other without sharing a vertex, among those with at
// least one triangle in `candidates` (all triangles when empty).
std::vector<TrianglePair> crossingTriangles(const MeshView& mesh,
                                            const std::vector<std::size_t>& candidates = {});

// Whether the segment from `from` to `to` passes through any triangle of the mesh.
bool segmentHitsMesh(const MeshView& mesh, const glm::dvec3& from, const glm::dvec3& to);
