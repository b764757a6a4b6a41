#pragma once

#include "model/MeshFileWriter.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Mesh file images for the tests. Every float says where it stands, so a value read back names
// its block, vertex and component: 1000 * block + 10 * vertex + component, with block 0 the base
// mesh, block k + 1 target k and block 99 the static mesh.
float markedValue(std::int32_t block, std::int32_t vertex, std::int32_t component);

// A head of `vertexCount` vertices with one target per name (in the given order) and a static
// mesh of `staticVertexCount` vertices; both index lists use every vertex.
struct MeshShape {
    std::int32_t vertexCount = 4;
    std::int32_t staticVertexCount = 5;
    std::int32_t baseFloats = 7;
    std::int32_t targetFloats = 7;
    std::int32_t staticFloats = 7;
};
MeshFileImage makeMeshImage(const std::vector<std::string>& targetNames,
                            const MeshShape& shape = {});

// Byte offsets of the parts of an encoded image.
std::size_t headIndicesOffset(const MeshFileImage& image);
std::size_t nameRecordOffset(const MeshFileImage& image, std::size_t nameIndex);
std::size_t staticHeaderOffset(const MeshFileImage& image);
std::size_t staticIndicesOffset(const MeshFileImage& image);

// Overwrites bytes of an encoded image at `offset`: the one way the tests damage a file.
void patchBytes(std::string& bytes, std::size_t offset, std::string_view replacement);
void patchInt32(std::string& bytes, std::size_t offset, std::int32_t value);
