#include "GltfScene.h"

#include "GltfAccessors.h"
#include "ImportError.h"
#include "NodeTransforms.h"
#include "TurnWeights.h"
#include "VertexNormals.h"
#include "common/RecordingColumns.h"

#include <algorithm>
#include <cmath>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>
#include <numeric>
#include <optional>
#include <set>
#include <utility>

namespace {

using tinygltf::Model;

[[noreturn]] void fail(const std::string& fault) {
    throw ImportError(fault);
}

template <typename T> const T& element(const std::vector<T>& items, int index, const char* kind) {
    if (index < 0 || static_cast<std::size_t>(index) >= items.size())
        fail(std::string(kind) + " " + std::to_string(index) + " does not exist");
    return items[static_cast<std::size_t>(index)];
}

// The triangle list of a primitive's indices in its drawing mode.
std::vector<std::uint32_t> triangleList(std::vector<std::uint32_t> indices, int mode) {
    std::vector<std::uint32_t> triangles;
    if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        for (std::size_t i = 0; i + 2 < indices.size(); ++i) {
            // Every other triangle of a strip runs the other way round.
            const bool odd = i % 2 == 1;
            triangles.insert(triangles.end(), {indices[i], indices[odd ? i + 2 : i + 1],
                                               indices[odd ? i + 1 : i + 2]});
        }
        return triangles;
    }
    if (mode == TINYGLTF_MODE_TRIANGLE_FAN) {
        for (std::size_t i = 1; i + 1 < indices.size(); ++i)
            triangles.insert(triangles.end(), {indices[0], indices[i], indices[i + 1]});
        return triangles;
    }
    indices.resize(indices.size() - indices.size() % 3);
    return indices;
}

std::vector<glm::vec3> vec3s(const std::vector<float>& floats) {
    std::vector<glm::vec3> out(floats.size() / 3);
    if (!out.empty())
        std::memcpy(out.data(), floats.data(), out.size() * sizeof(glm::vec3));
    return out;
}

std::string sanitizedName(std::string name) {
    // The names travel through the mesh file's zero-terminated records and an XML attribute.
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return name;
}

// The mesh's target names: extras.targetNames where it names every target, else
// "<mesh name>.<index>". A name a recording reads as another column (Timecode, HeadYaw, ...)
// gets " (target)" appended, so that an animation can drive it; `renamed` collects those
// names as the file gives them. A name used again gets ".<index>" appended, and ".<n>" after that
// until it is free, so every target keeps a name of its own, the same on every import.
std::vector<std::string> targetNames(const tinygltf::Mesh& mesh, const std::string& meshName,
                                     std::size_t count, std::set<std::string>* renamed = nullptr) {
    std::vector<std::string> names;
    const tinygltf::Value& listed = mesh.extras.Get("targetNames");
    const bool usable = listed.IsArray() && listed.ArrayLen() == count;
    for (std::size_t i = 0; i < count; ++i) {
        const tinygltf::Value* name = usable ? &listed.Get(static_cast<int>(i)) : nullptr;
        names.push_back(name && name->IsString() && !name->Get<std::string>().empty()
                            ? sanitizedName(name->Get<std::string>())
                            : meshName + "." + std::to_string(i));
        if (isReservedRecordingColumn(names.back())) {
            if (renamed)
                renamed->insert(names.back());
            names.back() += reservedNameSuffix;
        }
    }
    // Names as written are taken first, so a renamed duplicate never takes a written name.
    std::set<std::string> taken(names.begin(), names.end());
    std::set<std::string> kept;
    for (std::size_t i = 0; i < count; ++i) {
        if (kept.insert(names[i]).second)
            continue;
        std::string unique = names[i] + "." + std::to_string(i);
        for (int n = 2; taken.contains(unique); ++n)
            unique = names[i] + "." + std::to_string(i) + "." + std::to_string(n);
        taken.insert(unique);
        names[i] = std::move(unique);
    }
    return names;
}

class SceneReader {
  public:
    SceneReader(const Model& model, const TurnWeights& turnWeights)
        : model_(model), turnWeights_(turnWeights) {}

    SceneContents read() {
        contents_.sceneIndex = model_.defaultScene >= 0 ? model_.defaultScene : 0;
        if (model_.scenes.empty())
            fail("the file has no scene");
        const tinygltf::Scene& scene = element(model_.scenes, contents_.sceneIndex, "scene");
        std::vector<bool> visited(model_.nodes.size(), false);
        std::vector<std::pair<int, glm::dmat4>> pending;
        for (auto it = scene.nodes.rbegin(); it != scene.nodes.rend(); ++it)
            pending.emplace_back(*it, glm::dmat4(1.0));
        while (!pending.empty()) {
            const auto [index, parent] = pending.back();
            pending.pop_back();
            const tinygltf::Node& node = element(model_.nodes, index, "node");
            if (visited[static_cast<std::size_t>(index)])
                fail("node " + std::to_string(index) + " appears twice in the node hierarchy");
            visited[static_cast<std::size_t>(index)] = true;
            const glm::dmat4 world = parent * localTransform(node);
            if (node.mesh >= 0) {
                ++contents_.meshNodes;
                readMesh(index, node.mesh, world);
            } else if (node.mesh != -1) {
                fail("node " + std::to_string(index) + " names mesh " + std::to_string(node.mesh));
            }
            for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
                pending.emplace_back(*child, world);
        }
        return std::move(contents_);
    }

  private:
    void readMesh(int nodeIndex, int meshIndex, const glm::dmat4& world) {
        const tinygltf::Mesh& mesh = element(model_.meshes, meshIndex, "mesh");
        const std::string meshName = sanitizedName(mesh.name);
        const std::string label = mesh.name.empty() ? "mesh" + std::to_string(meshIndex) : meshName;
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = mesh.primitives[p];
            const std::string what = "mesh \"" + label + "\" primitive " + std::to_string(p);
            if (primitive.mode >= 0 && primitive.mode < TINYGLTF_MODE_TRIANGLES) {
                ++contents_.skippedPrimitives;
                continue;
            }
            if (primitive.mode < 0 || primitive.mode > TINYGLTF_MODE_TRIANGLE_FAN)
                fail(what + ": unknown mode " + std::to_string(primitive.mode));
            contents_.primitives.push_back(
                {meshName, readPrimitive(primitive, what,
                                         targetNames(mesh, label, primitive.targets.size(),
                                                     &contents_.renamedTargets),
                                         nodeIndex, world)});
        }
    }

    // The attribute's accessor, or -1 where the primitive or target lacks it.
    static int attribute(const std::map<std::string, int>& attributes, const char* name) {
        const auto found = attributes.find(name);
        return found == attributes.end() ? -1 : found->second;
    }

    std::vector<glm::vec3> readVec3s(int accessor, std::size_t vertexCount,
                                     const std::string& what) {
        if (accessorCount(model_, accessor, what) != vertexCount)
            fail(what + ": accessor " + std::to_string(accessor) +
                 " does not have one element per vertex");
        return vec3s(readFloats(model_, accessor, 3, what));
    }

    MorphableMesh readPrimitive(const tinygltf::Primitive& primitive, const std::string& what,
                                const std::vector<std::string>& names, int nodeIndex,
                                const glm::dmat4& world) {
        const int positionAccessor = attribute(primitive.attributes, "POSITION");
        if (positionAccessor < 0)
            fail(what + " has no POSITION");
        const std::size_t vertexCount = accessorCount(model_, positionAccessor, what + " POSITION");
        const std::size_t slots = vertexCount * (1 + primitive.targets.size());
        if (slots > maxVertexSlots - vertexSlots_)
            fail("the model is too large: more than " + std::to_string(maxVertexSlots) +
                 " vertices counting each target's");
        vertexSlots_ += slots;
        contents_.verticesRead += vertexCount;

        std::vector<glm::vec3> positions =
            readVec3s(positionAccessor, vertexCount, what + " POSITION");
        std::vector<std::uint32_t> indices;
        if (primitive.indices >= 0) {
            indices = readIndices(model_, primitive.indices, vertexCount, what + " indices");
        } else {
            indices.resize(vertexCount);
            std::iota(indices.begin(), indices.end(), 0u);
        }
        MorphableMesh mesh;
        mesh.indices = triangleList(std::move(indices), primitive.mode);

        // Normals computed from positions stand in for missing ones; a target without normal
        // deltas moves the file's normals by the change of the computed ones, so whatever the
        // target leaves in place keeps its normal exactly.
        const int normalAccessor = attribute(primitive.attributes, "NORMAL");
        const bool everyTargetHasNormals =
            std::all_of(primitive.targets.begin(), primitive.targets.end(),
                        [](const auto& target) { return target.count("NORMAL") > 0; });
        std::optional<PoseNormals> computed;
        if (normalAccessor < 0 || !everyTargetHasNormals)
            computed.emplace(positions, mesh.indices);
        std::vector<glm::vec3> normals;
        if (normalAccessor >= 0) {
            normals = readVec3s(normalAccessor, vertexCount, what + " NORMAL");
            for (glm::vec3& normal : normals)
                normal = unitOrFront(normal);
        } else {
            normals = computed->restNormals();
        }
        mesh.streams.push_back(vec3Stream(StreamKind::Position, positions));
        mesh.streams.push_back(vec3Stream(StreamKind::Normal, normals));
        mesh.streams.push_back(
            {StreamKind::Glaze, 0, 1,
             glazeOf(attribute(primitive.attributes, "COLOR_0"), vertexCount, what)});
        mesh.streams.push_back({StreamKind::TurnWeight, 0, 1,
                                turnWeights_.of(primitive, nodeIndex, vertexCount, what)});

        for (std::size_t k = 0; k < primitive.targets.size(); ++k) {
            const auto& target = primitive.targets[k];
            const std::string targetWhat = what + " target " + std::to_string(k);
            std::vector<glm::vec3> targetPositions = positions;
            std::vector<glm::vec3> targetNormals = normals;
            if (const int deltas = attribute(target, "POSITION"); deltas >= 0) {
                const std::vector<glm::vec3> offsets =
                    readVec3s(deltas, vertexCount, targetWhat + " POSITION");
                for (std::size_t v = 0; v < vertexCount; ++v)
                    targetPositions[v] += offsets[v];
            }
            if (const int deltas = attribute(target, "NORMAL"); deltas >= 0) {
                const std::vector<glm::vec3> offsets =
                    readVec3s(deltas, vertexCount, targetWhat + " NORMAL");
                for (std::size_t v = 0; v < vertexCount; ++v)
                    targetNormals[v] = unitOrFront(targetNormals[v] + offsets[v]);
            } else if (attribute(target, "POSITION") >= 0) {
                for (const auto& [v, normal] : computed->changedNormals(targetPositions))
                    targetNormals[v] =
                        unitOrFront(targetNormals[v] + normal - computed->restNormals()[v]);
            }
            mesh.targetNames.push_back(names[k]);
            mesh.streams.push_back(vec3Stream(StreamKind::TargetPosition, targetPositions, k));
            mesh.streams.push_back(vec3Stream(StreamKind::TargetNormal, targetNormals, k));
        }
        transform(mesh, world);
        // Finite inputs can still overflow: a delta added to a far position, a huge transform.
        for (const VertexStream& stream : mesh.streams)
            if (isPoint(stream.kind) && !std::all_of(stream.values.begin(), stream.values.end(),
                                                     [](float x) { return std::isfinite(x); }))
                fail(what + ": positions overflow at the node's transform");
        return mesh;
    }

    // White vertex colours mark the glazed parts, as the head generator writes them.
    std::vector<float> glazeOf(int colourAccessor, std::size_t vertexCount,
                               const std::string& what) {
        std::vector<float> glaze(vertexCount, 0.0f);
        if (colourAccessor < 0)
            return glaze;
        const std::string colourWhat = what + " COLOR_0";
        if (accessorCount(model_, colourAccessor, colourWhat) != vertexCount)
            fail(colourWhat + ": accessor " + std::to_string(colourAccessor) +
                 " does not have one element per vertex");
        const int type = model_.accessors[static_cast<std::size_t>(colourAccessor)].type;
        const int components = type == TINYGLTF_TYPE_VEC4 ? 4 : 3;
        const std::vector<float> colours =
            readFloats(model_, colourAccessor, components, colourWhat);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const float* rgb = &colours[v * static_cast<std::size_t>(components)];
            glaze[v] = std::min({rgb[0], rgb[1], rgb[2]}) >= glazedColourMinimum ? 1.0f : 0.0f;
        }
        return glaze;
    }

    static void transform(MorphableMesh& mesh, const glm::dmat4& world) {
        const glm::mat4 toWorld(world);
        const glm::mat3 normalMatrix(glm::transpose(glm::inverse(glm::dmat3(world))));
        for (VertexStream& stream : mesh.streams)
            for (std::size_t v = 0; isPoint(stream.kind) && v < stream.vertexCount(); ++v)
                stream.setVec3(v, glm::vec3(toWorld * glm::vec4(stream.vec3(v), 1.0f)));
        for (VertexStream& stream : mesh.streams)
            for (std::size_t v = 0; isDirection(stream.kind) && v < stream.vertexCount(); ++v)
                stream.setVec3(v, unitOrFront(normalMatrix * stream.vec3(v)));
        // A mirroring transform turns the triangles' winding; turn it back.
        if (glm::determinant(glm::dmat3(world)) < 0.0)
            for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
                std::swap(mesh.indices[t + 1], mesh.indices[t + 2]);
    }

    const Model& model_;
    const TurnWeights& turnWeights_;
    SceneContents contents_;
    std::size_t vertexSlots_ = 0;
};

} // namespace

SceneContents readScene(const Model& model, const TurnWeights& turnWeights) {
    return SceneReader(model, turnWeights).read();
}

std::vector<std::string> meshTargetNames(const Model& model, int meshIndex) {
    const tinygltf::Mesh& mesh = element(model.meshes, meshIndex, "mesh");
    const std::string label =
        mesh.name.empty() ? "mesh" + std::to_string(meshIndex) : sanitizedName(mesh.name);
    std::size_t count = 0;
    for (const tinygltf::Primitive& primitive : mesh.primitives)
        count = std::max(count, primitive.targets.size());
    return targetNames(mesh, label, count);
}
