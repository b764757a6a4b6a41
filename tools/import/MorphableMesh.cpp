#include "MorphableMesh.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

bool isPoint(StreamKind kind) {
    return kind == StreamKind::Position || kind == StreamKind::TargetPosition;
}

bool isDirection(StreamKind kind) {
    return kind == StreamKind::Normal || kind == StreamKind::TargetNormal;
}

bool isTargetStream(StreamKind kind) {
    return kind == StreamKind::TargetPosition || kind == StreamKind::TargetNormal;
}

StreamKind restKind(StreamKind targetKind) {
    return targetKind == StreamKind::TargetPosition ? StreamKind::Position : StreamKind::Normal;
}

glm::vec3 VertexStream::vec3(std::size_t vertex) const {
    const float* v = &values[vertex * 3];
    return {v[0], v[1], v[2]};
}

void VertexStream::setVec3(std::size_t vertex, const glm::vec3& value) {
    float* v = &values[vertex * 3];
    v[0] = value.x;
    v[1] = value.y;
    v[2] = value.z;
}

VertexStream vec3Stream(StreamKind kind, const std::vector<glm::vec3>& values, std::size_t target) {
    VertexStream stream{kind, target, 3, {}};
    stream.values.reserve(values.size() * 3);
    for (const glm::vec3& value : values)
        stream.values.insert(stream.values.end(), {value.x, value.y, value.z});
    return stream;
}

std::vector<glm::vec3> vec3sOf(const VertexStream& stream) {
    std::vector<glm::vec3> out(stream.vertexCount());
    for (std::size_t v = 0; v < out.size(); ++v)
        out[v] = stream.vec3(v);
    return out;
}

std::size_t MorphableMesh::vertexCount() const {
    return streams.empty() ? 0 : streams.front().vertexCount();
}

const VertexStream& MorphableMesh::stream(StreamKind kind, std::size_t target) const {
    const auto found = std::find_if(streams.begin(), streams.end(), [&](const VertexStream& s) {
        return s.kind == kind && (!isTargetStream(kind) || s.target == target);
    });
    if (found == streams.end())
        throw std::logic_error("the mesh lacks a vertex stream");
    return *found;
}

VertexStream& MorphableMesh::stream(StreamKind kind, std::size_t target) {
    return const_cast<VertexStream&>(std::as_const(*this).stream(kind, target));
}

void MorphableMesh::addRestPoseTarget(const std::string& name) {
    const std::size_t target = targetNames.size();
    targetNames.push_back(name);
    for (const StreamKind kind : {StreamKind::TargetPosition, StreamKind::TargetNormal}) {
        VertexStream copy = stream(restKind(kind));
        copy.kind = kind;
        copy.target = target;
        streams.push_back(std::move(copy));
    }
}
