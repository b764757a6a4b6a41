#pragma once

#include "model/MeshDetail.h"
#include "model/MorphChannelSet.h"
#include "model/TargetOffsets.h"

#include <cstdint>
#include <glm/vec3.hpp>
#include <map>
#include <memory>
#include <optional>
#include <string>

class RenderDevice;
class HeadMesh;
class StaticMesh;

// The head on the GPU: the base vertices, one vertex buffer per morph target (looked up by
// name, names ordered byte by byte), the triangles, the 16-element morph declaration, and the
// channels that say which targets are blended with which weights.
struct MorphMesh {
    std::int32_t baseVertexBuffer;
    std::map<std::string, std::int32_t> targetBuffers;
    std::int32_t indexBuffer;
    std::int32_t vertexDeclaration;
    MorphChannelSet channelSet;
    MeshDetail detail; // coarser levels over the same vertices, if the file has them
    // Every target at once, in targetNames() order, when it was asked for and the device holds it.
    std::optional<TargetOffsets> allTargets = std::nullopt;

    // The buffer of the named target; throws DemoError when the mesh has no such target.
    std::int32_t targetVertexBuffer(const std::string& targetName) const;
    // The distinct target names, byte by byte in order.
    std::vector<std::string> targetNames() const;
};

// The static (non-morphing) mesh on the GPU.
struct StaticMeshBuffers {
    std::int32_t vertexBuffer;
    std::int32_t indexBuffer;
    std::int32_t vertexDeclaration;
    MeshDetail detail;
};

// How the head turns, on the GPU, for drawing with every target: each mesh's turn weights as a
// vertex stream of one float, and the pivot. Where the file says nothing of a turn the weights
// are 0: such a head stays still.
struct HeadTurnBuffers {
    bool fromFile;
    glm::vec3 pivot;
    std::int32_t headWeights;
    std::int32_t staticWeights;
    std::int32_t staticDeclaration; // the static mesh with its weights
};

struct HeadModel {
    std::unique_ptr<MorphMesh> morphMesh;
    std::unique_ptr<StaticMeshBuffers> staticMesh;
    // Built with every target at once.
    std::optional<HeadTurnBuffers> turn;
};

// How the head is to be morphed: by the seven channels alone, or also by every target at once.
enum class MorphPath { SevenChannels, AllTargets };

// Reads the mesh file and builds both meshes on the device; the channels start on the
// channelCount smallest target names with weight 0.
HeadModel loadHeadModel(const std::string& meshPath, RenderDevice& device,
                        std::int32_t channelCount, MorphPath path = MorphPath::SevenChannels);
std::unique_ptr<MorphMesh> buildMorphMesh(const HeadMesh& headMesh, RenderDevice& device,
                                          std::int32_t channelCount,
                                          const DetailChain& detail = {});
struct MeshFile;
// The turn of the file's head, or a still one where it has none.
HeadTurnBuffers buildHeadTurn(const MeshFile& file, RenderDevice& device);
std::unique_ptr<StaticMeshBuffers>
buildStaticMesh(const StaticMesh& staticMesh, RenderDevice& device, const DetailChain& detail = {});
