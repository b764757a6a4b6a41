#include "model/VertexCacheOrder.h"

#include <meshoptimizer.h>
#include <stdexcept>

namespace {

// A little overdraw is worth a few more vertex shader runs; 1.05 is meshoptimizer's advice.
constexpr float overdrawThreshold = 1.05f;

std::vector<unsigned int> unsignedIndices(std::span<const std::int32_t> indices,
                                          std::size_t vertexCount) {
    std::vector<unsigned int> result(indices.begin(), indices.end());
    for (std::int32_t index : indices)
        if (index < 0 || static_cast<std::size_t>(index) >= vertexCount)
            throw std::invalid_argument("vertex order: an index outside the vertex buffer");
    if (indices.size() % 3 != 0)
        throw std::invalid_argument("vertex order: the index count is not a multiple of three");
    return result;
}

} // namespace

void orderTriangles(std::span<unsigned int> indices, std::span<const float> vertices,
                    std::size_t floatsPerVertex) {
    const std::size_t vertexCount = vertices.size() / floatsPerVertex;
    meshopt_optimizeVertexCache(indices.data(), indices.data(), indices.size(), vertexCount);
    meshopt_optimizeOverdraw(indices.data(), indices.data(), indices.size(), vertices.data(),
                             vertexCount, floatsPerVertex * sizeof(float), overdrawThreshold);
}

VertexOrder vertexCacheOrder(std::span<const std::int32_t> indices, std::span<const float> vertices,
                             std::size_t floatsPerVertex) {
    if (floatsPerVertex < 3 || vertices.size() % floatsPerVertex != 0)
        throw std::invalid_argument("vertex order: vertices are not whole positions");
    const std::size_t vertexCount = vertices.size() / floatsPerVertex;
    std::vector<unsigned int> triangles = unsignedIndices(indices, vertexCount);
    const std::size_t indexCount = triangles.size();

    orderTriangles(triangles, vertices, floatsPerVertex);

    VertexOrder order;
    order.newIndexOf.resize(vertexCount);
    std::size_t used = meshopt_optimizeVertexFetchRemap(order.newIndexOf.data(), triangles.data(),
                                                        indexCount, vertexCount);
    for (unsigned int& place : order.newIndexOf)
        if (place == ~0u)
            place = static_cast<unsigned int>(used++);
    order.indices.reserve(indexCount);
    for (unsigned int index : triangles)
        order.indices.push_back(static_cast<std::int32_t>(order.newIndexOf[index]));
    return order;
}

std::vector<float> reorderVertices(std::span<const float> vertices, std::size_t floatsPerVertex,
                                   const std::vector<std::uint32_t>& newIndexOf) {
    if (vertices.size() != newIndexOf.size() * floatsPerVertex)
        throw std::invalid_argument("vertex order: the vertices and the order differ in count");
    std::vector<float> result(vertices.size());
    meshopt_remapVertexBuffer(result.data(), vertices.data(), newIndexOf.size(),
                              floatsPerVertex * sizeof(float), newIndexOf.data());
    return result;
}

void orderForVertexCache(MeshFileImage& image) {
    const auto baseFloats = static_cast<std::size_t>(image.baseFloats);
    const auto targetFloats = static_cast<std::size_t>(image.targetFloats);
    const VertexOrder head = vertexCacheOrder(image.indices, image.baseVertices, baseFloats);
    image.indices = head.indices;
    image.baseVertices = reorderVertices(image.baseVertices, baseFloats, head.newIndexOf);
    for (std::vector<float>& block : image.targetBlocks)
        block = reorderVertices(block, targetFloats, head.newIndexOf);

    const auto staticFloats = static_cast<std::size_t>(image.staticFloats);
    const VertexOrder statics =
        vertexCacheOrder(image.staticIndices, image.staticVertices, staticFloats);
    image.staticIndices = statics.indices;
    image.staticVertices = reorderVertices(image.staticVertices, staticFloats, statics.newIndexOf);
    if (image.headTurn) {
        image.headTurn->headWeights =
            reorderVertices(image.headTurn->headWeights, 1, head.newIndexOf);
        image.headTurn->staticWeights =
            reorderVertices(image.headTurn->staticWeights, 1, statics.newIndexOf);
    }
}

double transformedVertexRatio(std::span<const std::int32_t> indices, std::size_t vertexCount) {
    const std::vector<unsigned int> triangles = unsignedIndices(indices, vertexCount);
    return static_cast<double>(
        meshopt_analyzeVertexCache(triangles.data(), triangles.size(), vertexCount, 16, 0, 0).atvr);
}
