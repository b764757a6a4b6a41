#pragma once

#include "model/DetailLevels.h"
#include "model/HeadTurn.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The contents of a mesh file, part by part in file order. The head generator and the tests
// describe meshes with it and let the writer lay out the bytes.
struct MeshFileImage {
    std::int32_t baseFloats = 7;   // floats per base vertex
    std::int32_t targetFloats = 7; // floats per target vertex
    std::int32_t vertexCount = 0;
    std::vector<float> baseVertices;              // vertexCount * baseFloats
    std::vector<std::string> targetNames;         // may hold zero bytes; written with L = size()
    std::vector<std::vector<float>> targetBlocks; // one per name, vertexCount * targetFloats each
    std::vector<std::int32_t> indices;

    std::int32_t staticFloats = 7;
    std::int32_t staticVertexCount = 0;
    std::vector<float> staticVertices; // staticVertexCount * staticFloats
    std::vector<std::int32_t> staticIndices;

    // Coarser levels over the same vertices; written as the optional trailer when either has one.
    DetailChain headDetail;
    DetailChain staticDetail;
    // How the head turns with the performer; written in the trailer when present.
    std::optional<HeadTurn> headTurn;
};

// The little-endian file image. Throws std::invalid_argument when the parts disagree on sizes.
std::string encodeMeshFile(const MeshFileImage& image);

// Writes the image, replacing the file; throws std::runtime_error when it cannot be written.
void writeMeshFile(const std::filesystem::path& path, const MeshFileImage& image);
