#pragma once

#include "model/MeshFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Triangle and vertex order for the GPU. Triangles go in post-transform vertex-cache order, so
// each vertex is shaded about once instead of once per triangle that uses it, then grouped so
// that surfaces facing out tend to be drawn first (less overdraw). Vertices go in the order the
// triangles first use them, so that vertex fetches walk the buffer forwards.
struct VertexOrder {
    std::vector<std::int32_t> indices;     // the triangles in their new order, renumbered
    std::vector<std::uint32_t> newIndexOf; // old vertex index -> new one; a permutation
};

// Puts the triangles in that order in place, the vertices staying where they are. `vertices`
// holds whole vertices of `floatsPerVertex` floats, the position first.
void orderTriangles(std::span<unsigned int> indices, std::span<const float> vertices,
                    std::size_t floatsPerVertex);

// `vertices` holds `vertexCount` vertices of `floatsPerVertex` floats, the position first.
// Vertices no triangle uses keep their relative order after the used ones.
VertexOrder vertexCacheOrder(std::span<const std::int32_t> indices, std::span<const float> vertices,
                             std::size_t floatsPerVertex);

// The vertices moved to their new places.
std::vector<float> reorderVertices(std::span<const float> vertices, std::size_t floatsPerVertex,
                                   const std::vector<std::uint32_t>& newIndexOf);

// Reorders both meshes of a file image; every target and turn weight moves with its vertex.
void orderForVertexCache(MeshFileImage& image);

// Vertices shaded per vertex drawn, for a 16-entry FIFO cache: 1.0 is ideal, 3 to 4 is what
// an unordered mesh costs.
double transformedVertexRatio(std::span<const std::int32_t> indices, std::size_t vertexCount);
