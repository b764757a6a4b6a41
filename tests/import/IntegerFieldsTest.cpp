// JSON integers the importer reads must be exact: tinygltf would wrap 2^32 and more to 32 bits
// and truncate a fraction, and a meshopt stream shorter than its view would import padded with
// zeros. Each is refused, naming the field.
#include "CompressedGltf.h"
#include "GlbJson.h"
#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "ModelImporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using nlohmann::json;

std::string importFault(const std::string& glb) {
    try {
        convertGltf({reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, {},
                    ExternalFiles::Refuse);
    } catch (const ImportError& error) {
        return error.what();
    }
    return "(imported)";
}

// The first meshopt view of that mode, and its index.
std::pair<json*, std::size_t> meshoptView(json& document, const std::string& mode) {
    json& views = document["bufferViews"];
    for (std::size_t v = 0; v < views.size(); ++v) {
        json& extension = views[v]["extensions"]["EXT_meshopt_compression"];
        if (extension.is_object() && extension["mode"] == mode)
            return {&extension, v};
    }
    throw std::logic_error("no meshopt view of mode " + mode);
}

TEST(IntegerFields, InexactOrWrappingIntegersAreRefusedNamingTheField) {
    const tinygltf::Model head =
        makeTestHead({.rings = 6, .segments = 8, .targetCount = 3}).model();
    const std::string plain = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3}).glb();
    const std::string meshopt = meshoptGlb(head);
    const std::string draco = dracoGlb(head);
    const std::uint64_t two32 = std::uint64_t{1} << 32;

    const auto inMeshopt = [&](const std::string& mode, const char* field, json value) {
        std::size_t view = 0;
        const std::string glb = editedGlb(meshopt, [&](json& document) {
            auto [extension, index] = meshoptView(document, mode);
            (*extension)[field] = value;
            view = index;
        });
        return std::pair{glb, "bufferViews[" + std::to_string(view) +
                                  "].extensions.EXT_meshopt_compression." + field};
    };
    const auto inPlain = [&](const std::string& path, json value) {
        return std::pair{
            editedGlb(plain, [&](json& document) { document[json::json_pointer(path)] = value; }),
            path};
    };
    // The stream of 8928 elements, once wrapped, would decode: the count is checked exactly.
    const auto [countGlb, countField] = inMeshopt("ATTRIBUTES", "count", two32 + 8928);
    const std::vector<std::pair<std::string, std::string>> cases{
        {countGlb, countField + " must be an integer from 0 to 2147483647, not 4294976224"},
        {inMeshopt("ATTRIBUTES", "byteStride", two32 + 4).first, "byteStride must be an integer"},
        {inMeshopt("ATTRIBUTES", "byteOffset", std::uint64_t{1} << 40).first,
         "byteOffset must be an integer from 0 to 2147483647, not 1099511627776"},
        {inMeshopt("ATTRIBUTES", "count", 3.5).first, "count must be an integer from 0 to "
                                                      "2147483647, not 3.5"},
        {inMeshopt("ATTRIBUTES", "count", -1).first, "count must be an integer"},
        {editedGlb(draco,
                   [&](json& document) {
                       document["meshes"][0]["primitives"][0]["extensions"]
                               ["KHR_draco_mesh_compression"]["attributes"]["POSITION"] = two32;
                   }),
         "meshes[0].primitives[0].extensions.KHR_draco_mesh_compression.attributes.POSITION must "
         "be an integer"},
        {inPlain("/accessors/0/componentType", two32 + 5126).first,
         "accessors[0].componentType must be an integer"},
        {inPlain("/bufferViews/0/byteStride", 12.0).first,
         "bufferViews[0].byteStride must be an integer from 0 to 2147483647, not 12.0"},
        {inPlain("/nodes/0/mesh", two32).first, "nodes[0].mesh must be an integer"},
        {inPlain("/accessors/0/count", 1e20).first, "accessors[0].count must be an integer"},
        {inPlain("/scenes/0/nodes/0", "0").first, "scenes[0].nodes[0] must be an integer"},
    };
    for (const auto& [glb, fault] : cases) {
        const std::string message = importFault(glb);
        EXPECT_THAT(message, testing::HasSubstr(fault));
        EXPECT_THAT(message, testing::Not(testing::HasSubstr("imported")));
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

// Three elements where the view holds more, and none at all (an empty index stream once
// surfaced as an unframeable mesh).
TEST(IntegerFields, AMeshoptCountMustFillItsViewExactly) {
    const tinygltf::Model head =
        makeTestHead({.rings = 6, .segments = 8, .targetCount = 3}).model();
    const std::string meshopt = meshoptGlb(head);
    for (const std::string mode : {"ATTRIBUTES", "TRIANGLES"})
        for (const std::uint64_t count : {std::uint64_t{3}, std::uint64_t{0}}) {
            std::size_t view = 0;
            const std::string glb = editedGlb(meshopt, [&](json& document) {
                auto [extension, index] = meshoptView(document, mode);
                view = index;
                (*extension)["count"] = count;
            });
            const std::string fault = importFault(glb);
            EXPECT_THAT(fault,
                        testing::HasSubstr("buffer view " + std::to_string(view) +
                                           " (meshopt): count " + std::to_string(count) + " of"))
                << mode;
            EXPECT_THAT(fault, testing::HasSubstr("bytes, the view holds")) << mode;
        }
}

} // namespace
