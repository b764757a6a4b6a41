#include "FuzzTargets.h"
#include "ImportError.h"
#include "ModelImporter.h"
#include "model/MeshFile.h"

#include <cmath>
#include <string>

namespace {

void check(bool condition, const std::string& what) {
    if (!condition)
        throw FuzzFinding("glTF importer: " + what);
}

void checkVertices(const std::vector<float>& floats, std::size_t vertexCount,
                   const std::string& what) {
    check(floats.size() == vertexCount * 7, what + " is not seven floats a vertex");
    for (std::size_t i = 0; i < floats.size(); ++i) {
        check(std::isfinite(floats[i]), what + " holds a value that is not finite");
        check(i % 7 != 6 || floats[i] == 0.0f || floats[i] == 1.0f,
              what + " has a glaze flag other than 0 or 1");
    }
}

void checkIndices(const std::vector<std::int32_t>& indices, std::int32_t vertexCount,
                  const std::string& what) {
    check(!indices.empty() && indices.size() % 3 == 0, what + " is not a triangle list");
    for (const std::int32_t index : indices)
        check(index >= 0 && index < vertexCount, what + " has an index outside the mesh");
}

} // namespace

// Whatever the importer accepts must be a mesh file the demo can draw: at most 65,536
// vertices a mesh, finite values, glaze flags of 0 or 1, triangles inside their meshes, seven
// targets at least.
void fuzzGltfImport(std::span<const std::uint8_t> bytes) {
    ImportedModel model;
    try {
        // No external files: a fuzzed URI must not read the machine's files.
        model = convertGltf(bytes, "/nonexistent", ExternalFiles::Refuse);
    } catch (const ImportError&) {
        return;
    }
    const MeshFileImage& image = model.meshFile;
    check(image.vertexCount > 0 && image.vertexCount <= maxMeshVertices, "head vertex count");
    check(image.staticVertexCount > 0 && image.staticVertexCount <= maxMeshVertices,
          "static vertex count");
    checkVertices(image.baseVertices, static_cast<std::size_t>(image.vertexCount), "the head");
    check(image.targetNames.size() >= importedChannelCount, "fewer than seven targets");
    for (const std::vector<float>& block : image.targetBlocks)
        checkVertices(block, static_cast<std::size_t>(image.vertexCount), "a target");
    checkVertices(image.staticVertices, static_cast<std::size_t>(image.staticVertexCount),
                  "the static mesh");
    checkIndices(image.indices, image.vertexCount, "the head");
    checkIndices(image.staticIndices, image.staticVertexCount, "the static mesh");
    encodeMeshFile(image);
}
