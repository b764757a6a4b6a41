#include "CompressedGltf.h"

#include <cstring>
#include <draco/compression/encode.h>
#include <meshoptimizer.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

using nlohmann::json;

void pad(std::string& bytes, char with) {
    while (bytes.size() % 4 != 0)
        bytes += with;
}

void appendWord(std::string& out, std::uint32_t value) {
    out.append(reinterpret_cast<const char*>(&value), 4);
}

// The model's JSON without buffers, which the caller describes itself.
json documentWithoutBuffers(tinygltf::Model model) {
    model.buffers.clear();
    std::ostringstream out;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&model, out, false, false);
    return json::parse(out.str());
}

std::string glbOf(const json& document, std::string bin) {
    std::string text = document.dump();
    pad(text, ' ');
    pad(bin, '\0');
    std::string glb = "glTF";
    appendWord(glb, 2);
    appendWord(glb, static_cast<std::uint32_t>(12 + 8 + text.size() + 8 + bin.size()));
    appendWord(glb, static_cast<std::uint32_t>(text.size()));
    appendWord(glb, 0x4E4F534A);
    glb += text;
    appendWord(glb, static_cast<std::uint32_t>(bin.size()));
    appendWord(glb, 0x004E4942);
    return glb + bin;
}

void requireExtension(tinygltf::Model& model, const std::string& name) {
    model.extensionsUsed.push_back(name);
    model.extensionsRequired.push_back(name);
}

// Which accessors hold indices and which morph target positions.
std::pair<std::set<int>, std::set<int>> accessorRoles(const tinygltf::Model& model) {
    std::set<int> indices, targetPositions;
    for (const tinygltf::Mesh& mesh : model.meshes)
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            indices.insert(primitive.indices);
            for (const auto& target : primitive.targets)
                if (target.count("POSITION") != 0)
                    targetPositions.insert(target.at("POSITION"));
        }
    return {indices, targetPositions};
}

std::string meshoptStream(const unsigned char* data, const tinygltf::Accessor& accessor,
                          bool isIndices, bool filtered, std::size_t& stride) {
    const std::size_t count = accessor.count;
    std::vector<unsigned char> encoded;
    if (isIndices) {
        std::vector<unsigned int> indices(count);
        std::memcpy(indices.data(), data, count * 4);
        stride = 4;
        std::size_t vertexCount = 0;
        for (unsigned int index : indices)
            vertexCount = std::max<std::size_t>(vertexCount, index + 1);
        encoded.resize(meshopt_encodeIndexBufferBound(count, vertexCount));
        encoded.resize(
            meshopt_encodeIndexBuffer(encoded.data(), encoded.size(), indices.data(), count));
    } else {
        stride = static_cast<std::size_t>(
            tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(accessor.componentType)) *
            tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type)));
        std::vector<unsigned char> values(data, data + count * stride);
        if (filtered) {
            std::vector<float> floats(count * stride / 4);
            std::memcpy(floats.data(), data, floats.size() * 4);
            meshopt_encodeFilterExp(values.data(), count, stride, 15, floats.data());
        }
        encoded.resize(meshopt_encodeVertexBufferBound(count, stride));
        encoded.resize(meshopt_encodeVertexBuffer(encoded.data(), encoded.size(), values.data(),
                                                  count, stride));
    }
    return {encoded.begin(), encoded.end()};
}

} // namespace

std::string meshoptGlb(const tinygltf::Model& source) {
    tinygltf::Model model = source;
    const std::vector<unsigned char>& original = source.buffers.at(0).data;
    const auto [indices, targetPositions] = accessorRoles(model);
    std::string bin;
    std::vector<std::pair<std::size_t, json>> viewExtensions;
    for (std::size_t a = 0; a < model.accessors.size(); ++a) {
        const tinygltf::Accessor& accessor = model.accessors[a];
        tinygltf::BufferView& view =
            model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
        const bool isIndices = indices.contains(static_cast<int>(a));
        const bool filtered = targetPositions.contains(static_cast<int>(a));
        std::size_t stride = 0;
        const std::string stream =
            meshoptStream(original.data() + view.byteOffset + accessor.byteOffset, accessor,
                          isIndices, filtered, stride);
        pad(bin, '\0');
        json extension{{"buffer", 0},
                       {"byteOffset", bin.size()},
                       {"byteLength", stream.size()},
                       {"byteStride", stride},
                       {"count", accessor.count},
                       {"mode", isIndices ? "TRIANGLES" : "ATTRIBUTES"}};
        if (filtered)
            extension["filter"] = "EXPONENTIAL";
        bin += stream;
        view.buffer = 1;
        // tinygltf does not write a buffer view's extensions: they go into the JSON below.
        viewExtensions.push_back({static_cast<std::size_t>(accessor.bufferView), extension});
    }
    requireExtension(model, "EXT_meshopt_compression");
    json document = documentWithoutBuffers(model);
    for (const auto& [view, extension] : viewExtensions)
        document["bufferViews"][view]["extensions"]["EXT_meshopt_compression"] = extension;
    document["buffers"] =
        json::array({{{"byteLength", bin.size()}},
                     {{"byteLength", original.size()},
                      {"extensions", {{"EXT_meshopt_compression", {{"fallback", true}}}}}}});
    return glbOf(document, bin);
}

std::string dracoGlb(const tinygltf::Model& source) {
    tinygltf::Model model = source;
    std::vector<unsigned char>& bin = model.buffers.at(0).data;
    for (tinygltf::Mesh& mesh : model.meshes)
        for (tinygltf::Primitive& primitive : mesh.primitives) {
            tinygltf::Accessor& positions =
                model.accessors.at(static_cast<std::size_t>(primitive.attributes.at("POSITION")));
            tinygltf::Accessor& indices =
                model.accessors.at(static_cast<std::size_t>(primitive.indices));
            const auto bytesOf = [&](const tinygltf::Accessor& accessor) {
                const tinygltf::BufferView& view =
                    model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
                return bin.data() + view.byteOffset + accessor.byteOffset;
            };

            draco::Mesh compressed;
            compressed.set_num_points(static_cast<std::uint32_t>(positions.count));
            draco::GeometryAttribute position;
            position.Init(draco::GeometryAttribute::POSITION, nullptr, 3, draco::DT_FLOAT32, false,
                          12, 0);
            const int id = compressed.AddAttribute(position, true,
                                                   static_cast<std::uint32_t>(positions.count));
            for (std::uint32_t v = 0; v < positions.count; ++v)
                compressed.attribute(id)->SetAttributeValue(draco::AttributeValueIndex(v),
                                                            bytesOf(positions) + 12 * v);
            std::vector<std::uint32_t> triangles(indices.count);
            std::memcpy(triangles.data(), bytesOf(indices), indices.count * 4);
            for (std::size_t t = 0; t + 2 < triangles.size(); t += 3)
                compressed.AddFace({draco::PointIndex(triangles[t]),
                                    draco::PointIndex(triangles[t + 1]),
                                    draco::PointIndex(triangles[t + 2])});

            draco::Encoder encoder;
            encoder.SetEncodingMethod(draco::MESH_SEQUENTIAL_ENCODING);
            encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, 14);
            draco::EncoderBuffer encoded;
            if (!encoder.EncodeMeshToBuffer(compressed, &encoded).ok())
                throw std::runtime_error("draco could not encode the test mesh");

            while (bin.size() % 4 != 0)
                bin.push_back(0);
            tinygltf::BufferView view;
            view.buffer = 0;
            view.byteOffset = bin.size();
            view.byteLength = encoded.size();
            bin.insert(bin.end(), encoded.data(), encoded.data() + encoded.size());
            model.bufferViews.push_back(view);
            positions.bufferView = -1;
            indices.bufferView = -1;
            primitive.extensions["KHR_draco_mesh_compression"] =
                tinygltf::Value(tinygltf::Value::Object{
                    {"bufferView", tinygltf::Value(static_cast<int>(model.bufferViews.size()) - 1)},
                    {"attributes",
                     tinygltf::Value(tinygltf::Value::Object{
                         {"POSITION", tinygltf::Value(static_cast<int>(
                                          compressed.attribute(id)->unique_id()))}})}});
        }
    requireExtension(model, "KHR_draco_mesh_compression");
    std::ostringstream out;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&model, out, false, true);
    return out.str();
}
