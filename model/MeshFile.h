#pragma once

#include "model/DetailLevels.h"
#include "model/HeadTurn.h"
#include "model/LargeFloatBuffer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The morphable head as the mesh file holds it: the base vertices followed by every target
// block in one buffer, the triangle indices and the target names in block order. Transient:
// it lives only until the GPU buffers are built from it.
class HeadMesh {
  public:
    struct Target {
        std::string name;
        const float* block; // vertexCount vertices of targetStride bytes, inside vertexData
    };

    // vertexData holds (baseStride + targetNames.size() * targetStride) / 4 * vertexCount
    // floats; indices holds indexCount values.
    HeadMesh(std::vector<std::string> targetNames, std::uint32_t targetStride,
             std::int32_t vertexCount, std::uint32_t baseStride, LargeFloatBuffer vertexData,
             std::uint32_t indexCount, std::unique_ptr<std::int32_t[]> indices);

    // The name of target `index` and its block; throws DemoError for an index outside
    // 0..targetCount-1 or a target released.
    Target getTarget(std::int32_t index) const;
    // Gives target `index`'s block back to the system once it is on the GPU, so that the
    // file's copy and the device's are not both held while the head loads; targetData() then
    // no longer holds it.
    void releaseTarget(std::int32_t index);

    std::int32_t vertexCount() const { return vertexCount_; }
    std::uint32_t baseStride() const { return baseStride_; }
    std::uint32_t targetStride() const { return targetStride_; }
    const std::vector<std::string>& targetNames() const { return targetNames_; }
    std::int32_t targetCount() const { return targetCount_; }
    const float* vertexData() const { return vertexData_.get(); }
    const float* targetData() const { return targetData_; }
    std::int32_t baseFloats() const { return baseFloats_; }
    std::int32_t targetFloats() const { return targetFloats_; }
    std::uint32_t indexCount() const { return indexCount_; }
    const std::int32_t* indices() const { return indices_.get(); }

  private:
    std::int32_t vertexCount_;
    std::uint32_t baseStride_;
    std::uint32_t targetStride_;
    std::vector<std::string> targetNames_;
    std::int32_t targetCount_;
    LargeFloatBuffer vertexData_;
    const float* targetData_; // where block 0 begins; owns nothing
    std::int32_t baseFloats_;
    std::int32_t targetFloats_;
    std::uint32_t indexCount_;
    std::unique_ptr<std::int32_t[]> indices_;
    std::vector<bool> released_;
};

// The second, non-morphing mesh of the file.
class StaticMesh {
  public:
    StaticMesh(std::uint32_t vertexCount, std::int32_t stride, std::unique_ptr<float[]> vertices,
               std::uint32_t indexCount, std::unique_ptr<std::int32_t[]> indices);

    std::uint32_t vertexCount() const { return vertexCount_; }
    std::int32_t stride() const { return stride_; }
    const float* vertices() const { return vertices_.get(); }
    std::uint32_t indexCount() const { return indexCount_; }
    const std::int32_t* indices() const { return indices_.get(); }

  private:
    std::uint32_t vertexCount_;
    std::int32_t stride_;
    std::unique_ptr<float[]> vertices_;
    std::uint32_t indexCount_;
    std::unique_ptr<std::int32_t[]> indices_;
};

struct MeshFile {
    std::unique_ptr<HeadMesh> headMesh;
    std::unique_ptr<StaticMesh> staticMesh;
    // From the optional trailer; empty for a file without one.
    DetailChain headDetail;
    DetailChain staticDetail;
    // From the optional trailer; nothing for a head that does not turn.
    std::optional<HeadTurn> headTurn;
};

// The most vertices a mesh may have: the GPU keeps 16 bits of every index.
inline constexpr std::int64_t maxMeshVertices = 65536;
// Position (3 floats) and normal (4 floats) must lie inside every vertex.
inline constexpr std::int32_t minFloatsPerVertex = 7;

// Reads both meshes of the file at `path`, and their coarser levels when the file carries them.
// Throws DemoError naming the file when it cannot be opened, ends early, or holds counts, names,
// indices or levels that do not make a drawable mesh.
MeshFile readMeshFile(const std::string& path);
