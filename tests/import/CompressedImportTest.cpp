// The same test head uncompressed, compressed with meshopt (a fallback buffer without URI, the
// exponential filter on target positions) and with Draco (14-bit positions): each compressed
// form must import to the uncompressed one's mesh file within its quantisation.
#include "CompressedGltf.h"
#include "GltfModelBuilder.h"
#include "ModelImporter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

ImportedModel imported(const std::string& bytes) {
    return convertGltf({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, {},
                       ExternalFiles::Refuse);
}

// The largest difference between corresponding floats of the two meshes' vertices, positions
// (framed units, the head 183 tall) and normals apart.
struct Differences {
    float position = 0.0f;
    float normal = 0.0f;
};

Differences compare(const MeshFileImage& actual, const MeshFileImage& expected) {
    Differences worst;
    const auto scan = [&](const std::vector<float>& a, const std::vector<float>& b) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            float& slot = i % 7 < 3 ? worst.position : worst.normal;
            slot = std::max(slot, std::abs(a[i] - b[i]));
        }
    };
    scan(actual.baseVertices, expected.baseVertices);
    for (std::size_t k = 0; k < expected.targetBlocks.size(); ++k)
        scan(actual.targetBlocks[k], expected.targetBlocks[k]);
    scan(actual.staticVertices, expected.staticVertices);
    return worst;
}

TEST(CompressedImport, MeshoptAndDracoGiveTheUncompressedMeshWithinQuantisation) {
    GltfModelBuilder head = makeTestHead({24, 32, 7});
    const MeshFileImage plain = imported(head.glb()).meshFile;

    // The head is framed at about 570 units a metre. The exponential filter keeps 15 bits
    // below the largest exponent of each vector, and this meshoptimizer counts a zero component
    // as exponent 0: steps up to 2^-15 m, 0.018 units. Draco's 14-bit grid over the 0.32 m
    // head: 0.011 units. Normals are computed from the positions and move with them.
    const struct {
        const char* name;
        std::string bytes;
        float position, normal;
    } forms[]{{"meshopt", meshoptGlb(head.model()), 0.02f, 0.02f},
              {"draco", dracoGlb(head.model()), 0.02f, 0.05f}};
    for (const auto& form : forms) {
        const MeshFileImage image = imported(form.bytes).meshFile;
        ASSERT_EQ(image.vertexCount, plain.vertexCount) << form.name;
        ASSERT_EQ(image.targetNames, plain.targetNames) << form.name;
        ASSERT_EQ(image.staticVertexCount, plain.staticVertexCount) << form.name;
        EXPECT_EQ(image.indices, plain.indices) << form.name;
        EXPECT_EQ(image.staticIndices, plain.staticIndices) << form.name;
        const Differences worst = compare(image, plain);
        EXPECT_LT(worst.position, form.position) << form.name;
        EXPECT_LT(worst.normal, form.normal) << form.name;
    }
}

} // namespace
