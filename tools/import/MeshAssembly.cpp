#include "MeshAssembly.h"

#include <algorithm>
#include <map>

namespace {

// Where a part's share of the assembled stream `key` comes from: its stream of the same kind
// (and target name), else, for a target it lacks, its rest stream; null: zeros.
VertexStream* partStream(MorphableMesh& part, const VertexStream& key,
                         const std::vector<std::string>& targetNames, bool& own) {
    own = true;
    for (VertexStream& stream : part.streams)
        if (stream.kind == key.kind && (!isTargetStream(key.kind) ||
                                        part.targetNames[stream.target] == targetNames[key.target]))
            return &stream;
    own = false;
    if (isTargetStream(key.kind))
        for (VertexStream& stream : part.streams)
            if (stream.kind == restKind(key.kind))
                return &stream;
    return nullptr;
}

// Every part's streams in one mesh, the parts' triangles after one another. A part's own target
// streams are moved, not copied: each is needed once.
MorphableMesh merged(const std::vector<MorphableMesh*>& parts,
                     const std::vector<std::string>& targetNames) {
    MorphableMesh mesh;
    mesh.targetNames = targetNames;
    for (const MorphableMesh* part : parts)
        for (const VertexStream& stream : part->streams)
            if (!isTargetStream(stream.kind) &&
                std::none_of(mesh.streams.begin(), mesh.streams.end(),
                             [&](const VertexStream& s) { return s.kind == stream.kind; }))
                mesh.streams.push_back({stream.kind, 0, stream.width, {}});
    for (std::size_t target = 0; target < targetNames.size(); ++target)
        for (const StreamKind kind : {StreamKind::TargetPosition, StreamKind::TargetNormal})
            mesh.streams.push_back({kind, target, 3, {}});

    for (MorphableMesh* part : parts) {
        const auto base = static_cast<std::uint32_t>(mesh.vertexCount());
        const std::size_t vertices = part->vertexCount();
        for (const std::uint32_t index : part->indices)
            mesh.indices.push_back(base + index);
        for (VertexStream& stream : mesh.streams) {
            bool own = false;
            VertexStream* from = partStream(*part, stream, targetNames, own);
            if (from == nullptr)
                stream.values.resize(stream.values.size() + vertices * stream.width, 0.0f);
            else if (own && isTargetStream(stream.kind) && stream.values.empty())
                stream.values = std::move(from->values);
            else
                stream.values.insert(stream.values.end(), from->values.begin(), from->values.end());
        }
    }
    return mesh;
}

} // namespace

AssembledHead assembleHead(std::vector<ScenePrimitive>& primitives) {
    AssembledHead head;
    std::vector<std::string> targetNames;
    std::map<std::string, std::size_t> slotOf;
    std::vector<MorphableMesh*> parts;
    for (ScenePrimitive& primitive : primitives) {
        for (const std::string& name : primitive.mesh.targetNames)
            if (slotOf.emplace(name, targetNames.size()).second) {
                targetNames.push_back(name);
                head.targetMeshes.push_back(primitive.meshName);
            }
        if (!primitive.mesh.targetNames.empty())
            parts.push_back(&primitive.mesh);
    }
    head.mesh = merged(parts, targetNames);
    return head;
}

MorphableMesh assembleStatic(std::vector<ScenePrimitive>& primitives) {
    std::vector<MorphableMesh*> parts;
    for (ScenePrimitive& primitive : primitives)
        if (primitive.mesh.targetNames.empty())
            parts.push_back(&primitive.mesh);
    return merged(parts, {});
}
