#include "model/TargetOffsets.h"

#include "model/MeshFile.h"
#include "model/VertexDeclarations.h"
#include "render/RenderDevice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <glm/gtc/packing.hpp>
#include <map>

namespace {

constexpr float relativePositionFloor = 1e-5f;
constexpr float normalFloor = 1e-4f;

float largestExtent(const HeadMesh& headMesh) {
    glm::vec3 low(INFINITY);
    glm::vec3 high(-INFINITY);
    for (std::int32_t v = 0; v < headMesh.vertexCount(); ++v) {
        const float* base =
            headMesh.vertexData() + static_cast<std::size_t>(v) * headMesh.baseFloats();
        const glm::vec3 position(base[0], base[1], base[2]);
        low = glm::min(low, position);
        high = glm::max(high, position);
    }
    const glm::vec3 size = high - low;
    return std::max({size.x, size.y, size.z});
}

// What the targets do to each vertex, read from the file's blocks.
class TargetReader {
  public:
    TargetReader(const HeadMesh& headMesh, std::vector<const float*> blocks)
        : headMesh_(headMesh), blocks_(std::move(blocks)),
          positionFloor_(relativePositionFloor * largestExtent(headMesh)) {}

    // Target t's six offsets at vertex v: position xyz at 0, normal xyz at 3 (the normal's w
    // marks glaze and never morphs).
    std::array<float, 6> offsets(std::size_t v, std::size_t t) const {
        const float* base = headMesh_.vertexData() + v * std::size_t(headMesh_.baseFloats());
        const float* target = blocks_[t] + v * std::size_t(headMesh_.targetFloats());
        std::array<float, 6> offset{};
        for (std::size_t k = 0; k < offset.size(); ++k)
            offset[k] = target[k] - base[k];
        return offset;
    }

    bool moves(const std::array<float, 6>& offset) const {
        for (std::size_t k = 0; k < offset.size(); ++k)
            if (!(std::abs(offset[k]) <= (k < 3 ? positionFloor_ : normalFloor)))
                return true; // NaN included: it is the file's to answer for, not ours to hide
        return false;
    }

  private:
    const HeadMesh& headMesh_;
    std::vector<const float*> blocks_;
    float positionFloor_;
};

} // namespace

std::optional<TargetOffsets> buildTargetOffsets(const HeadMesh& headMesh,
                                                const std::vector<std::string>& targetOrder,
                                                RenderDevice& device) {
    const auto vertices = static_cast<std::size_t>(headMesh.vertexCount());
    const std::size_t targets = targetOrder.size();
    if (vertices == 0 || targets == 0 || targets > std::size_t{maxTargetsAtOnce})
        return std::nullopt;

    // A later block of the same name replaces an earlier one.
    std::map<std::string, const float*> blockOf;
    for (std::int32_t index = 0; index < headMesh.targetCount(); ++index) {
        const HeadMesh::Target target = headMesh.getTarget(index);
        blockOf[target.name] = target.block;
    }
    std::vector<const float*> blocks;
    for (const std::string& name : targetOrder)
        blocks.push_back(blockOf.at(name));
    const TargetReader reader(headMesh, std::move(blocks));

    // The first pass finds which targets move each vertex; the second packs just those offsets
    // straight into the GPU's buffer, so they are written once.
    std::vector<std::uint32_t> runs(2 * vertices);
    std::vector<std::uint16_t> movers; // each vertex's moving targets, run after run
    static_assert(maxTargetsAtOnce <= 65536);
    const std::int64_t maxTexels = device.maxBufferTextureTexels();
    for (std::size_t v = 0; v < vertices; ++v) {
        runs[2 * v] = static_cast<std::uint32_t>(movers.size());
        for (std::size_t t = 0; t < targets; ++t)
            if (reader.moves(reader.offsets(v, t)))
                movers.push_back(static_cast<std::uint16_t>(t));
        runs[2 * v + 1] = static_cast<std::uint32_t>(movers.size()) - runs[2 * v];
        if (static_cast<std::int64_t>(movers.size()) > maxTexels)
            return std::nullopt;
    }

    const std::int32_t runsTexture =
        device.createBufferTexture(static_cast<std::int32_t>(vertices), 2, [&](std::uint32_t* out) {
            std::memcpy(out, runs.data(), runs.size() * sizeof(std::uint32_t));
        });
    // A head whose targets move nothing still gets a texture: one unread texel.
    const auto texels = static_cast<std::int32_t>(std::max<std::size_t>(movers.size(), 1));
    const std::int32_t offsetsTexture =
        device.createBufferTexture(texels, 4, [&](std::uint32_t* out) {
            out[0] = out[1] = out[2] = out[3] = 0;
            for (std::size_t v = 0; v < vertices; ++v) {
                for (std::uint32_t k = 0; k < runs[2 * v + 1]; ++k) {
                    const std::uint16_t t = movers[runs[2 * v] + k];
                    const std::array<float, 6> offset = reader.offsets(v, t);
                    for (std::size_t i = 0; i < offset.size(); i += 2)
                        *out++ = glm::packHalf2x16(glm::vec2(offset[i], offset[i + 1]));
                    *out++ = t;
                }
            }
        });
    const std::int32_t declaration = device.createVertexDeclaration(
        static_cast<std::int32_t>(staticVertexDeclaration.size()), staticVertexDeclaration.data());
    return TargetOffsets{runsTexture, offsetsTexture, static_cast<std::int32_t>(targets),
                         declaration};
}
