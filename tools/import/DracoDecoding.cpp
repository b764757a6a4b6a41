#include "DracoDecoding.h"

#include "GltfAccessors.h"
#include "GltfBuffers.h"
#include "ImportError.h"

#include <cstring>
#include <draco/compression/decode.h>
#include <string>

namespace {

// Points the accessor at a new buffer holding `values` as tightly packed components.
template <typename T>
void replaceData(tinygltf::Model& model, tinygltf::Accessor& accessor, const std::vector<T>& values,
                 int componentType) {
    tinygltf::Buffer& buffer = model.buffers.emplace_back();
    buffer.data.resize(values.size() * sizeof(T));
    if (!values.empty())
        std::memcpy(buffer.data.data(), values.data(), buffer.data.size());
    tinygltf::BufferView view;
    view.buffer = static_cast<int>(model.buffers.size()) - 1;
    view.byteLength = buffer.data.size();
    model.bufferViews.push_back(view);
    accessor.bufferView = static_cast<int>(model.bufferViews.size()) - 1;
    accessor.byteOffset = 0;
    accessor.componentType = componentType;
    accessor.normalized = false;
    accessor.sparse = {};
}

tinygltf::Accessor& accessorAt(tinygltf::Model& model, int index, const std::string& what) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size())
        throw ImportError(what + ": accessor " + std::to_string(index) + " does not exist");
    return model.accessors[static_cast<std::size_t>(index)];
}

std::unique_ptr<draco::Mesh> decodeMesh(const tinygltf::Model& model, int viewIndex,
                                        const std::string& what) {
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= model.bufferViews.size())
        throw ImportError(what + ": buffer view " + std::to_string(viewIndex) + " does not exist");
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(viewIndex)];
    const std::span<const unsigned char> data = bufferBytes(
        model, view.buffer, view.byteOffset, view.byteLength, what, "the compressed data");

    draco::DecoderBuffer buffer;
    buffer.Init(reinterpret_cast<const char*>(data.data()), data.size());
    draco::Decoder decoder;
    auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
    if (!decoded.ok())
        throw ImportError(what + ": " + decoded.status().error_msg_string());
    std::unique_ptr<draco::Mesh> mesh = std::move(decoded).value();
    if (mesh->num_points() > maxAccessorElements || mesh->num_faces() > maxAccessorElements / 3)
        throw ImportError(what + ": too many points or triangles");
    return mesh;
}

void decodeAttribute(tinygltf::Model& model, const draco::Mesh& mesh, int accessorIndex,
                     const tinygltf::Value& uniqueId, const std::string& what) {
    tinygltf::Accessor& accessor = accessorAt(model, accessorIndex, what);
    const draco::PointAttribute* attribute =
        uniqueId.IsInt() && uniqueId.Get<int>() >= 0
            ? mesh.GetAttributeByUniqueId(static_cast<std::uint32_t>(uniqueId.Get<int>()))
            : nullptr;
    if (attribute == nullptr)
        throw ImportError(what + ": the compressed data has no such attribute");
    const int components =
        tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
    if (components <= 0 || components > attribute->num_components())
        throw ImportError(what + ": the attribute has " +
                          std::to_string(attribute->num_components()) + " components");
    if (accessor.count != mesh.num_points())
        throw ImportError(what + ": the accessor counts " + std::to_string(accessor.count) +
                          " elements, the compressed data " + std::to_string(mesh.num_points()));
    const auto width = static_cast<std::size_t>(components);
    std::vector<float> values(accessor.count * width);
    for (draco::PointIndex p(0); p < mesh.num_points(); ++p)
        if (!attribute->ConvertValue<float>(attribute->mapped_index(p),
                                            static_cast<std::int8_t>(components),
                                            &values[p.value() * width]))
            throw ImportError(what + ": the attribute cannot be read as numbers");
    replaceData(model, accessor, values, TINYGLTF_COMPONENT_TYPE_FLOAT);
}

void decodeIndices(tinygltf::Model& model, const draco::Mesh& mesh, int accessorIndex,
                   const std::string& what) {
    tinygltf::Accessor& accessor = accessorAt(model, accessorIndex, what);
    if (accessor.count != std::size_t{mesh.num_faces()} * 3)
        throw ImportError(what + ": the indices count " + std::to_string(accessor.count) +
                          ", the compressed data has " + std::to_string(mesh.num_faces()) +
                          " triangles");
    std::vector<std::uint32_t> indices;
    indices.reserve(accessor.count);
    for (draco::FaceIndex f(0); f < mesh.num_faces(); ++f)
        for (const draco::PointIndex& point : mesh.face(f))
            indices.push_back(point.value());
    replaceData(model, accessor, indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
}

} // namespace

void decodeDracoPrimitives(tinygltf::Model& model) {
    for (std::size_t m = 0; m < model.meshes.size(); ++m)
        for (std::size_t p = 0; p < model.meshes[m].primitives.size(); ++p) {
            tinygltf::Primitive& primitive = model.meshes[m].primitives[p];
            const auto found = primitive.extensions.find("KHR_draco_mesh_compression");
            if (found == primitive.extensions.end())
                continue;
            const std::string what =
                "mesh " + std::to_string(m) + " primitive " + std::to_string(p) + " (Draco)";
            const tinygltf::Value& extension = found->second;
            const tinygltf::Value& viewIndex = extension.Get("bufferView");
            const tinygltf::Value& attributes = extension.Get("attributes");
            if (!viewIndex.IsInt() || !attributes.IsObject())
                throw ImportError(what + ": the extension lacks bufferView or attributes");
            const std::unique_ptr<draco::Mesh> mesh = decodeMesh(model, viewIndex.Get<int>(), what);
            for (const auto& [name, accessor] : primitive.attributes)
                if (attributes.Has(name))
                    decodeAttribute(model, *mesh, accessor, attributes.Get(name),
                                    what + " " + name);
            // The triangles are in the compressed data even where the primitive names no
            // indices accessor; the points' order alone would not give them.
            if (primitive.indices < 0) {
                tinygltf::Accessor& indices = model.accessors.emplace_back();
                indices.type = TINYGLTF_TYPE_SCALAR;
                indices.count = std::size_t{mesh->num_faces()} * 3;
                primitive.indices = static_cast<int>(model.accessors.size()) - 1;
            }
            decodeIndices(model, *mesh, primitive.indices, what + " indices");
        }
}
