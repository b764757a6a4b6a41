#include "MeshAssembly.h"

#include <map>

namespace {

// Appends `part`'s triangles to `into`, indices moved past the vertices already there.
void appendTriangles(MorphableMesh& into, const MorphableMesh& part) {
    const auto base = static_cast<std::uint32_t>(into.positions.size());
    for (const std::uint32_t index : part.indices)
        into.indices.push_back(base + index);
    into.positions.insert(into.positions.end(), part.positions.begin(), part.positions.end());
    into.normals.insert(into.normals.end(), part.normals.begin(), part.normals.end());
    into.glaze.insert(into.glaze.end(), part.glaze.begin(), part.glaze.end());
}

} // namespace

AssembledHead assembleHead(std::vector<ScenePrimitive>& primitives) {
    AssembledHead head;
    std::map<std::string, std::size_t> slotOf;
    for (const ScenePrimitive& primitive : primitives)
        for (const MeshTarget& target : primitive.mesh.targets)
            if (slotOf.emplace(target.name, head.mesh.targets.size()).second) {
                head.mesh.targets.push_back({target.name, {}, {}});
                head.targetMeshes.push_back(primitive.meshName);
            }

    for (ScenePrimitive& primitive : primitives) {
        MorphableMesh& part = primitive.mesh;
        if (part.targets.empty())
            continue;
        for (MeshTarget& target : head.mesh.targets) {
            MeshTarget* own = nullptr;
            for (MeshTarget& candidate : part.targets)
                if (candidate.name == target.name)
                    own = &candidate;
            const auto append = [](std::vector<glm::vec3>& into, std::vector<glm::vec3>& from,
                                   bool mayTake) {
                if (into.empty() && mayTake)
                    into = std::move(from);
                else
                    into.insert(into.end(), from.begin(), from.end());
            };
            append(target.positions, own ? own->positions : part.positions, own != nullptr);
            append(target.normals, own ? own->normals : part.normals, own != nullptr);
        }
        appendTriangles(head.mesh, part);
    }
    return head;
}

MorphableMesh assembleStatic(const std::vector<ScenePrimitive>& primitives) {
    MorphableMesh mesh;
    for (const ScenePrimitive& primitive : primitives)
        if (primitive.mesh.targets.empty())
            appendTriangles(mesh, primitive.mesh);
    return mesh;
}
