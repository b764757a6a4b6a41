#pragma once

#include "MorphableMesh.h"
#include "TurnWeights.h"

#include <cstddef>
#include <set>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// The most vertex slots (vertices times one plus their targets) a model may bring: beyond it the
// import would need gigabytes, and the result could not be drawn anyway.
inline constexpr std::size_t maxVertexSlots = std::size_t{1} << 24;

// One triangle primitive of the scene at its node's world transform. Its targets are absolute
// (rest pose plus the file's deltas) and named as the mesh names them (extras.targetNames), else
// "<mesh name>.<index>", an unnamed mesh being "mesh<index>"; a name that a recording reserves
// for another column (Timecode, BlendShapeCount, HeadYaw, ...) gets reservedNameSuffix.
struct ScenePrimitive {
    std::string meshName; // the glTF mesh's name, empty for an unnamed one
    MorphableMesh mesh;
};

struct SceneContents {
    int sceneIndex = 0;
    std::size_t meshNodes = 0;         // nodes that instance a mesh
    std::size_t skippedPrimitives = 0; // points and lines
    std::size_t verticesRead = 0;
    std::vector<ScenePrimitive> primitives;
    std::set<std::string> renamedTargets; // names a recording reserves, as the file gives them
};

// Appended to a target name that a recording reads as another column.
inline constexpr const char* reservedNameSuffix = " (target)";

// A vertex whose COLOR_0 has red, green and blue all at least this (white, as eyes and teeth are
// painted) is glazed; any other colour, or none, is skin. Alpha does not count.
inline constexpr float glazedColourMinimum = 0.9f;

// Every triangle primitive of the default scene (else scene 0) through the node hierarchy.
// Strips and fans become lists, missing indices and normals are made, and a target without
// normal deltas gets normals from its positions. Each vertex carries its turn weight. Throws
// ImportError.
SceneContents readScene(const tinygltf::Model& model, const TurnWeights& turnWeights);

// The target names of mesh `meshIndex` as its primitives' targets are named above (empty for a
// mesh without targets). Throws ImportError for a mesh that does not exist.
std::vector<std::string> meshTargetNames(const tinygltf::Model& model, int meshIndex);
