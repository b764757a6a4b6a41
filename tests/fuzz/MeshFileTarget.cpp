#include "FuzzTargets.h"
#include "InMemoryFile.h"
#include "common/DemoError.h"
#include "model/MeshFile.h"
#include "model/MeshFileWriter.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool condition, const std::string& what) {
    if (!condition)
        throw FuzzFinding("mesh file reader: " + what);
}

// The file image that the two records describe, names as the reader returned them. Copying
// every buffer to its claimed length also lets AddressSanitizer see a record that claims more
// than it holds.
MeshFileImage imageOf(const MeshFile& file) {
    const HeadMesh& head = *file.headMesh;
    const StaticMesh& staticMesh = *file.staticMesh;
    MeshFileImage image;
    image.baseFloats = head.baseFloats();
    image.targetFloats = head.targetFloats();
    image.vertexCount = head.vertexCount();
    const auto vertexCount = static_cast<std::size_t>(head.vertexCount());
    const std::size_t baseLength = static_cast<std::size_t>(head.baseFloats()) * vertexCount;
    image.baseVertices.assign(head.vertexData(), head.vertexData() + baseLength);
    check(head.targetData() == head.vertexData() + baseLength, "target data is not after the base");
    check(head.targetCount() == static_cast<std::int32_t>(head.targetNames().size()),
          "target count differs from the names");
    image.targetNames = head.targetNames();
    for (std::int32_t k = 0; k < head.targetCount(); ++k) {
        const HeadMesh::Target target = head.getTarget(k);
        check(target.name == image.targetNames[static_cast<std::size_t>(k)], "getTarget name");
        image.targetBlocks.emplace_back(
            target.block,
            target.block + static_cast<std::size_t>(head.targetFloats()) * vertexCount);
    }
    image.indices.assign(head.indices(), head.indices() + head.indexCount());

    check(staticMesh.stride() % 4 == 0, "static stride is not whole floats");
    image.staticFloats = staticMesh.stride() / 4;
    image.staticVertexCount = static_cast<std::int32_t>(staticMesh.vertexCount());
    image.staticVertices.assign(staticMesh.vertices(),
                                staticMesh.vertices() +
                                    static_cast<std::size_t>(image.staticFloats) *
                                        staticMesh.vertexCount());
    image.staticIndices.assign(staticMesh.indices(),
                               staticMesh.indices() + staticMesh.indexCount());
    image.headDetail = file.headDetail;
    image.staticDetail = file.staticDetail;
    image.headTurn = file.headTurn;
    return image;
}

// What an accepted file promises the GPU builders.
void checkDrawable(const MeshFileImage& image) {
    check(image.baseFloats >= minFloatsPerVertex && image.targetFloats >= minFloatsPerVertex &&
              image.staticFloats >= minFloatsPerVertex,
          "a vertex of fewer than seven floats");
    check(image.vertexCount <= maxMeshVertices && image.staticVertexCount <= maxMeshVertices,
          "more vertices than 16-bit indices reach");
    for (const std::int32_t index : image.indices)
        check(index >= 0 && index < image.vertexCount, "a head index outside the head");
    for (const std::int32_t index : image.staticIndices)
        check(index >= 0 && index < image.staticVertexCount, "a static index outside the mesh");
    // Positions and normals are the first seven floats of every vertex.
    auto allFinite = [](const std::vector<float>& vertices, std::int32_t floatsPerVertex) {
        for (std::size_t i = 0; i < vertices.size(); ++i)
            if (static_cast<std::int32_t>(i % static_cast<std::size_t>(floatsPerVertex)) <
                    minFloatsPerVertex &&
                !std::isfinite(vertices[i]))
                return false;
        return true;
    };
    bool finite = allFinite(image.baseVertices, image.baseFloats) &&
                  allFinite(image.staticVertices, image.staticFloats);
    for (const auto& block : image.targetBlocks)
        finite = finite && allFinite(block, image.targetFloats);
    check(finite, "a position or normal that is not a finite number");

    // Levels of detail draw whole triangles of their own mesh, finer levels first.
    const auto checkChain = [](const DetailChain& chain, std::int32_t vertexCount) {
        for (std::size_t level = 0; level < chain.size(); ++level) {
            const DetailLevel& detail = chain[level];
            check(std::isfinite(detail.error) && detail.error >= 0.0f &&
                      (level == 0 || detail.error > chain[level - 1].error),
                  "level errors that are not finite and rising");
            check(!detail.indices.empty() && detail.indices.size() % 3 == 0,
                  "a level that is not whole triangles");
            for (const std::int32_t index : detail.indices)
                check(index >= 0 && index < vertexCount, "a level index outside its mesh");
        }
    };
    checkChain(image.headDetail, image.vertexCount);
    checkChain(image.staticDetail, image.staticVertexCount);

    // A head turn weighs every vertex of both meshes, each weight in 0..1, about a finite pivot.
    if (image.headTurn) {
        const HeadTurn& turn = *image.headTurn;
        check(turn.headWeights.size() == static_cast<std::size_t>(image.vertexCount) &&
                  turn.staticWeights.size() == static_cast<std::size_t>(image.staticVertexCount),
              "head-turn weights that do not match the meshes");
        for (const std::vector<float>* weights : {&turn.headWeights, &turn.staticWeights})
            for (const float weight : *weights)
                check(weight >= 0.0f && weight <= 1.0f, "a head-turn weight outside 0..1");
        for (const float coordinate : turn.pivot)
            check(std::isfinite(coordinate), "a head-turn pivot that is not finite");
    }
}

// The records must be the file: re-encoded, the head's counts, vertices and indices equal the
// input's first bytes, each name is its record's text up to the first zero byte, the static mesh
// equals the bytes right after the last name record. (The trailer may hold blocks the reader
// skips, or the first files' levels without a length, so its bytes are not compared.)
void checkAgainstInput(const MeshFileImage& image, std::string_view input) {
    MeshFileImage plain = image;
    plain.headDetail.clear();
    plain.staticDetail.clear();
    plain.headTurn.reset();
    const std::string encoded = encodeMeshFile(plain);
    const std::size_t headLength =
        20 +
        4 * static_cast<std::size_t>(image.vertexCount) *
            (static_cast<std::size_t>(image.baseFloats) +
             image.targetNames.size() * static_cast<std::size_t>(image.targetFloats)) +
        4 * image.indices.size();
    check(input.size() >= headLength &&
              input.substr(0, headLength) == std::string_view(encoded).substr(0, headLength),
          "the head differs from the file's bytes");

    std::size_t offset = headLength;
    for (const std::string& name : image.targetNames) {
        check(offset + 4 <= input.size(), "a name record past the end");
        std::int32_t length = 0;
        std::memcpy(&length, input.data() + offset, 4);
        check(length >= 0, "a name record of negative length");
        const std::size_t recordBytes = static_cast<std::size_t>(length) + 1;
        check(offset + 4 + recordBytes <= input.size(), "a name record past the end");
        const std::string_view record = input.substr(offset + 4, recordBytes);
        const std::size_t zero = record.find('\0');
        check(zero != std::string_view::npos, "a name record without its zero byte");
        check(name == record.substr(0, zero), "a name differs from its record");
        offset += 4 + recordBytes;
    }

    const std::size_t staticLength =
        12 + 4 * image.staticVertices.size() + 4 * image.staticIndices.size();
    check(input.size() >= offset + staticLength &&
              input.substr(offset, staticLength) ==
                  std::string_view(encoded).substr(encoded.size() - staticLength),
          "the static mesh differs from the file's bytes");
}

} // namespace

void fuzzMeshFile(std::span<const std::uint8_t> bytes) {
    static InMemoryFile file;
    file.replace(bytes);
    MeshFile meshes;
    try {
        meshes = readMeshFile(file.path());
    } catch (const DemoError&) {
        return;
    }
    check(meshes.headMesh != nullptr && meshes.staticMesh != nullptr, "a record is missing");
    const MeshFileImage image = imageOf(meshes);
    checkDrawable(image);
    checkAgainstInput(image,
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
