#include "model/TargetOffsetsPacking.h"

#include "common/DemoError.h"
#include "model/MeshFile.h"
#include "model/TargetOffsets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <glm/common.hpp>
#include <glm/packing.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <limits>
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

// The blocks of the targets named, a later block of a name replacing an earlier one.
std::vector<const float*> blocksInOrder(const HeadMesh& headMesh,
                                        const std::vector<std::string>& targetOrder) {
    std::map<std::string, const float*> blockOf;
    for (std::int32_t index = 0; index < headMesh.targetCount(); ++index) {
        const HeadMesh::Target target = headMesh.getTarget(index);
        blockOf[target.name] = target.block;
    }
    std::vector<const float*> blocks;
    for (const std::string& name : targetOrder) {
        const auto found = blockOf.find(name);
        if (found == blockOf.end())
            throw DemoError("the head has no morph target \"" + name + "\"");
        blocks.push_back(found->second);
    }
    return blocks;
}

// What the targets do to each vertex, read from the file's blocks.
class TargetReader {
  public:
    TargetReader(const HeadMesh& headMesh, const std::vector<std::string>& targetOrder)
        : headMesh_(headMesh), blocks_(blocksInOrder(headMesh, targetOrder)),
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

std::optional<TargetOffsetRuns> findTargetOffsetRuns(const HeadMesh& headMesh,
                                                     const std::vector<std::string>& targetOrder,
                                                     std::int64_t maxTexels) {
    const auto vertices = static_cast<std::size_t>(std::max(headMesh.vertexCount(), 0));
    const std::size_t targets = targetOrder.size();
    if (vertices == 0 || targets == 0 || targets > std::size_t{maxTargetsAtOnce})
        return std::nullopt;
    static_assert(maxTargetsAtOnce <= 65536, "a mover is a 16-bit target index");
    // A GL buffer's size is a GLsizei: past it the device could not hold the offsets either.
    const std::int64_t bufferTexels =
        std::numeric_limits<std::int32_t>::max() / std::int64_t(wordsPerOffsetTexel * 4);
    const std::int64_t texelLimit = std::min(maxTexels, bufferTexels);

    const TargetReader reader(headMesh, targetOrder);
    TargetOffsetRuns found;
    found.runs.resize(2 * vertices);
    for (std::size_t v = 0; v < vertices; ++v) {
        found.runs[2 * v] = static_cast<std::uint32_t>(found.movers.size());
        for (std::size_t t = 0; t < targets; ++t)
            if (reader.moves(reader.offsets(v, t)))
                found.movers.push_back(static_cast<std::uint16_t>(t));
        found.runs[2 * v + 1] = static_cast<std::uint32_t>(found.movers.size()) - found.runs[2 * v];
        if (static_cast<std::int64_t>(found.movers.size()) > texelLimit)
            return std::nullopt;
    }
    return found;
}

void packTargetOffsets(const HeadMesh& headMesh, const std::vector<std::string>& targetOrder,
                       const TargetOffsetRuns& runs, std::span<std::uint32_t> words) {
    const std::size_t vertices = runs.runs.size() / 2;
    if (words.size() != runs.texelCount() * wordsPerOffsetTexel ||
        vertices != static_cast<std::size_t>(std::max(headMesh.vertexCount(), 0)))
        throw DemoError("packTargetOffsets: " + std::to_string(words.size()) + " words for " +
                        std::to_string(runs.texelCount()) + " texels of " +
                        std::to_string(vertices) + " vertices");
    std::size_t texels = 0;
    for (std::size_t v = 0; v < vertices; ++v) {
        if (runs.runs[2 * v] != texels)
            throw DemoError("packTargetOffsets: vertex " + std::to_string(v) +
                            "'s run does not follow the one before");
        texels += runs.runs[2 * v + 1];
    }
    if (texels != runs.movers.size())
        throw DemoError("packTargetOffsets: the runs do not cover the movers");
    const TargetReader reader(headMesh, targetOrder);
    std::uint32_t* out = words.data();
    out[0] = out[1] = out[2] = out[3] = 0;
    for (std::size_t v = 0; v < vertices; ++v) {
        for (std::uint32_t k = 0; k < runs.runs[2 * v + 1]; ++k) {
            const std::uint16_t t = runs.movers[runs.runs[2 * v] + k];
            const std::array<float, 6> offset = reader.offsets(v, t);
            for (std::size_t i = 0; i < offset.size(); i += 2)
                *out++ = glm::packHalf2x16(glm::vec2(offset[i], offset[i + 1]));
            *out++ = t;
        }
    }
}

std::vector<std::uint32_t> packTargetOffsets(const HeadMesh& headMesh,
                                             const std::vector<std::string>& targetOrder,
                                             const TargetOffsetRuns& runs) {
    std::vector<std::uint32_t> words(runs.texelCount() * wordsPerOffsetTexel);
    packTargetOffsets(headMesh, targetOrder, runs, words);
    return words;
}
