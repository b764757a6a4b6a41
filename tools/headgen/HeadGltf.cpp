#include "HeadGltf.h"

#include "HeadLandmarks.h"
#include "common/DemoError.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>
#include <tiny_gltf.h>

namespace {

using Floats = std::array<float, 3>;

constexpr float metresPerUnit = 0.01f / static_cast<float>(landmarks::unitsPerCentimetre);
constexpr Floats skinColour{0.42f, 0.56f, 0.85f};
constexpr Floats glazeColour{0.93f, 0.95f, 0.98f};

class GlbBuilder {
  public:
    GlbBuilder() {
        model_.asset.version = "2.0";
        model_.asset.generator = "Mirelda head generator";
        model_.buffers.emplace_back();
        model_.scenes.emplace_back();
        model_.defaultScene = 0;
        tinygltf::Material porcelain;
        porcelain.name = "porcelain";
        porcelain.pbrMetallicRoughness.baseColorFactor = {1.0, 1.0, 1.0, 1.0};
        porcelain.pbrMetallicRoughness.metallicFactor = 0.0;
        porcelain.pbrMetallicRoughness.roughnessFactor = 0.45;
        model_.materials.push_back(porcelain);
    }

    // Three floats per element; POSITION accessors carry their bounds, as glTF requires.
    int addVec3s(const std::vector<Floats>& values, bool bounds) {
        const int index = addAccessor(values.data(), values.size() * sizeof(Floats), values.size(),
                                      TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                      TINYGLTF_TARGET_ARRAY_BUFFER);
        if (bounds) {
            tinygltf::Accessor& accessor = model_.accessors.back();
            accessor.minValues.assign(3, 0.0);
            accessor.maxValues.assign(3, 0.0);
            for (int c = 0; c < 3; ++c) {
                const auto [lo, hi] = std::minmax_element(
                    values.begin(), values.end(),
                    [c](const Floats& a, const Floats& b) { return a[c] < b[c]; });
                accessor.minValues[c] = values.empty() ? 0.0 : (*lo)[c];
                accessor.maxValues[c] = values.empty() ? 0.0 : (*hi)[c];
            }
        }
        return index;
    }

    int addIndices(const std::vector<std::int32_t>& indices, std::size_t vertexCount) {
        // 16-bit indices where they reach; 65535 is reserved for primitive restart.
        if (vertexCount < 65535) {
            const std::vector<std::uint16_t> narrow(indices.begin(), indices.end());
            return addAccessor(narrow.data(), narrow.size() * 2, narrow.size(),
                               TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_SCALAR,
                               TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        }
        const std::vector<std::uint32_t> wide(indices.begin(), indices.end());
        return addAccessor(wide.data(), wide.size() * 4, wide.size(),
                           TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                           TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    }

    void addNode(const std::string& name, tinygltf::Mesh mesh) {
        mesh.name = name;
        model_.meshes.push_back(std::move(mesh));
        tinygltf::Node node;
        node.name = name;
        node.mesh = static_cast<int>(model_.meshes.size()) - 1;
        model_.nodes.push_back(node);
        model_.scenes[0].nodes.push_back(static_cast<int>(model_.nodes.size()) - 1);
    }

    std::string glb() {
        std::ostringstream out;
        if (!tinygltf::TinyGLTF().WriteGltfSceneToStream(&model_, out, false, true))
            throw DemoError("head generator: tinygltf could not write the glTF model");
        return out.str();
    }

  private:
    int addAccessor(const void* data, std::size_t bytes, std::size_t count, int componentType,
                    int type, int target) {
        std::vector<unsigned char>& buffer = model_.buffers[0].data;
        buffer.resize((buffer.size() + 3) / 4 * 4, 0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = target;
        const auto* first = static_cast<const unsigned char*>(data);
        buffer.insert(buffer.end(), first, first + bytes);
        model_.bufferViews.push_back(view);

        tinygltf::Accessor accessor;
        accessor.bufferView = static_cast<int>(model_.bufferViews.size()) - 1;
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = count;
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    tinygltf::Model model_;
};

// Positions in metres, normals and colours of the mesh file's vertices (7 floats each:
// position, normal, glaze).
struct Attributes {
    std::vector<Floats> positions;
    std::vector<Floats> normals;
    std::vector<Floats> colours;
};

Attributes attributesOf(const std::vector<float>& vertices, std::size_t count, bool glazed) {
    Attributes a;
    for (std::size_t i = 0; i < count; ++i) {
        const float* v = &vertices[i * 7];
        a.positions.push_back({v[0] * metresPerUnit, v[1] * metresPerUnit, v[2] * metresPerUnit});
        a.normals.push_back({v[3], v[4], v[5]});
        a.colours.push_back(glazed || v[6] > 0.5f ? glazeColour : skinColour);
    }
    return a;
}

std::vector<Floats> differences(const std::vector<Floats>& to, const std::vector<Floats>& from) {
    std::vector<Floats> result(to.size());
    for (std::size_t i = 0; i < to.size(); ++i)
        for (std::size_t c = 0; c < 3; ++c)
            result[i][c] = to[i][c] - from[i][c];
    return result;
}

tinygltf::Primitive primitiveOf(GlbBuilder& builder, const Attributes& a,
                                const std::vector<std::int32_t>& indices) {
    tinygltf::Primitive primitive;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.material = 0;
    primitive.attributes["POSITION"] = builder.addVec3s(a.positions, true);
    primitive.attributes["NORMAL"] = builder.addVec3s(a.normals, false);
    primitive.attributes["COLOR_0"] = builder.addVec3s(a.colours, false);
    primitive.indices = builder.addIndices(indices, a.positions.size());
    return primitive;
}

} // namespace

std::string encodeHeadGlb(const MeshFileImage& image) {
    GlbBuilder builder;
    const auto vertexCount = static_cast<std::size_t>(image.vertexCount);
    const Attributes base = attributesOf(image.baseVertices, vertexCount, false);

    tinygltf::Mesh head;
    tinygltf::Primitive primitive = primitiveOf(builder, base, image.indices);
    tinygltf::Value::Array names;
    for (std::size_t k = 0; k < image.targetBlocks.size(); ++k) {
        const Attributes target = attributesOf(image.targetBlocks[k], vertexCount, false);
        primitive.targets.push_back(
            {{"POSITION", builder.addVec3s(differences(target.positions, base.positions), true)},
             {"NORMAL", builder.addVec3s(differences(target.normals, base.normals), false)}});
        names.emplace_back(image.targetNames[k]);
        head.weights.push_back(0.0);
    }
    head.primitives.push_back(std::move(primitive));
    head.extras = tinygltf::Value(tinygltf::Value::Object{{"targetNames", tinygltf::Value(names)}});
    builder.addNode("head", std::move(head));

    // The static mesh is the upper teeth, glazed throughout.
    tinygltf::Mesh parts;
    parts.primitives.push_back(primitiveOf(
        builder,
        attributesOf(image.staticVertices, static_cast<std::size_t>(image.staticVertexCount), true),
        image.staticIndices));
    builder.addNode("upperTeeth", std::move(parts));
    return builder.glb();
}
