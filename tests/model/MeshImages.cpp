#include "MeshImages.h"

#include <cstring>
#include <stdexcept>

float markedValue(std::int32_t block, std::int32_t vertex, std::int32_t component) {
    return static_cast<float>(1000 * block + 10 * vertex + component);
}

namespace {

std::vector<float> markedVertices(std::int32_t block, std::int32_t vertexCount,
                                  std::int32_t floatsPerVertex) {
    std::vector<float> values;
    for (std::int32_t vertex = 0; vertex < vertexCount; ++vertex)
        for (std::int32_t component = 0; component < floatsPerVertex; ++component)
            values.push_back(markedValue(block, vertex, component));
    return values;
}

// Triangles fanned over the vertices, so every vertex is referenced.
std::vector<std::int32_t> fanIndices(std::int32_t vertexCount) {
    std::vector<std::int32_t> indices;
    for (std::int32_t v = 1; v + 1 < vertexCount; ++v)
        indices.insert(indices.end(), {0, v, v + 1});
    return indices;
}

} // namespace

MeshFileImage makeMeshImage(const std::vector<std::string>& targetNames, const MeshShape& shape) {
    const std::int32_t vertexCount = shape.vertexCount;
    const std::int32_t staticVertexCount = shape.staticVertexCount;
    MeshFileImage image;
    image.baseFloats = shape.baseFloats;
    image.targetFloats = shape.targetFloats;
    image.staticFloats = shape.staticFloats;
    image.vertexCount = vertexCount;
    image.baseVertices = markedVertices(0, vertexCount, image.baseFloats);
    image.targetNames = targetNames;
    for (std::size_t k = 0; k < targetNames.size(); ++k)
        image.targetBlocks.push_back(
            markedVertices(static_cast<std::int32_t>(k) + 1, vertexCount, image.targetFloats));
    image.indices = fanIndices(vertexCount);
    image.staticVertexCount = staticVertexCount;
    image.staticVertices = markedVertices(99, staticVertexCount, image.staticFloats);
    image.staticIndices = fanIndices(staticVertexCount);
    return image;
}

std::size_t headIndicesOffset(const MeshFileImage& image) {
    const auto vertexCount = static_cast<std::size_t>(image.vertexCount);
    return 20 + 4 * vertexCount *
                    (static_cast<std::size_t>(image.baseFloats) +
                     image.targetNames.size() * static_cast<std::size_t>(image.targetFloats));
}

std::size_t nameRecordOffset(const MeshFileImage& image, std::size_t nameIndex) {
    std::size_t offset = headIndicesOffset(image) + 4 * image.indices.size();
    for (std::size_t k = 0; k < nameIndex; ++k)
        offset += 4 + image.targetNames[k].size() + 1;
    return offset;
}

std::size_t staticHeaderOffset(const MeshFileImage& image) {
    return nameRecordOffset(image, image.targetNames.size());
}

std::size_t staticIndicesOffset(const MeshFileImage& image) {
    return staticHeaderOffset(image) + 12 +
           4 * static_cast<std::size_t>(image.staticVertexCount) *
               static_cast<std::size_t>(image.staticFloats);
}

void patchBytes(std::string& bytes, std::size_t offset, std::string_view replacement) {
    if (offset + replacement.size() > bytes.size())
        throw std::out_of_range("patch outside the mesh file image");
    bytes.replace(offset, replacement.size(), replacement);
}

void patchInt32(std::string& bytes, std::size_t offset, std::int32_t value) {
    char raw[4];
    std::memcpy(raw, &value, 4);
    patchBytes(bytes, offset, std::string_view(raw, 4));
}
