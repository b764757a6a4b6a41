#pragma once

#include <cstddef>
#include <cstdint>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

// What a per-vertex stream holds. Passes that only carry vertices along (weld, remap, the
// simplifier's input, assembly) treat every stream alike; only what a kind means (a point moved
// by transforms, a direction turned by them, a target's part) is told by the kind.
enum class StreamKind {
    Position,       // the rest pose
    Normal,         // unit length
    Glaze,          // 1 for glazed parts (eyes, teeth), 0 for skin
    TurnWeight,     // how much of the head's turn the vertex follows, 0..1 (TurnWeights.h)
    TargetPosition, // a morph target's absolute positions
    TargetNormal,   // a morph target's absolute normals
};

// Points that transforms and framing move: the rest pose and the targets' positions.
bool isPoint(StreamKind kind);
// Directions that transforms turn: the rest pose's and the targets' normals.
bool isDirection(StreamKind kind);
// A target's stream; a part without that target contributes its rest stream of restKind().
bool isTargetStream(StreamKind kind);
StreamKind restKind(StreamKind targetKind);

// One attribute of every vertex, `width` floats a vertex.
struct VertexStream {
    StreamKind kind = StreamKind::Position;
    std::size_t target = 0; // for a target's stream, its index in MorphableMesh::targetNames
    std::size_t width = 3;
    std::vector<float> values;

    std::size_t vertexCount() const { return values.size() / width; }
    glm::vec3 vec3(std::size_t vertex) const;
    void setVec3(std::size_t vertex, const glm::vec3& value);
};

VertexStream vec3Stream(StreamKind kind, const std::vector<glm::vec3>& values,
                        std::size_t target = 0);
std::vector<glm::vec3> vec3sOf(const VertexStream& stream);

// The importer's working form of a triangle mesh: a list of per-vertex streams, each as long as
// the rest pose (one of each kind, and one of each target kind for every target), and a
// triangle list.
struct MorphableMesh {
    std::vector<std::string> targetNames;
    std::vector<VertexStream> streams;
    std::vector<std::uint32_t> indices;

    std::size_t vertexCount() const;
    // The stream of that kind (and target); throws std::logic_error when there is none.
    const VertexStream& stream(StreamKind kind, std::size_t target = 0) const;
    VertexStream& stream(StreamKind kind, std::size_t target = 0);
    // A target whose streams copy the rest pose's.
    void addRestPoseTarget(const std::string& name);
};
