#include "model/MeshFile.h"
#include "model/MeshFileWriter.h"
#include "tests/support/TemporaryDirectory.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

// Reads a head of the size the demo ships (about 8,000 vertices and 60 targets of 7 floats)
// repeatedly and prints how long one read takes and the throughput.
int main() {
    constexpr std::int32_t vertexCount = 8000;
    constexpr std::int32_t targetCount = 60;
    constexpr int repetitions = 20;

    MeshFileImage image;
    image.vertexCount = vertexCount;
    image.baseVertices.assign(vertexCount * 7, 1.0f);
    for (std::int32_t k = 0; k < targetCount; ++k) {
        image.targetNames.push_back("target" + std::to_string(k));
        image.targetBlocks.emplace_back(vertexCount * 7, 2.0f);
    }
    for (std::int32_t v = 1; v + 1 < vertexCount; ++v)
        image.indices.insert(image.indices.end(), {0, v, v + 1});
    image.staticVertexCount = 4;
    image.staticVertices.assign(4 * 7, 3.0f);
    image.staticIndices = {0, 1, 2, 0, 2, 3};

    const TemporaryDirectory directory;
    const std::filesystem::path path = directory.path() / "head.dat";
    writeMeshFile(path, image);
    const auto bytes = std::filesystem::file_size(path);

    std::int64_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repetitions; ++i) {
        const MeshFile file = readMeshFile(path.string());
        checksum += file.headMesh->targetCount();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    const double perRead = elapsed.count() / repetitions;
    std::printf("readMeshFile: %.2f MB file, %.2f ms per read, %.0f MB/s (checksum %lld)\n",
                static_cast<double>(bytes) / 1e6, perRead * 1e3,
                static_cast<double>(bytes) / 1e6 / perRead, static_cast<long long>(checksum));
    return 0;
}
