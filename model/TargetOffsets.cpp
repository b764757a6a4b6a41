#include "model/TargetOffsets.h"

#include "model/MeshFile.h"
#include "model/VertexDeclarations.h"
#include "render/RenderDevice.h"

#include <glm/gtc/packing.hpp>
#include <map>

std::optional<TargetOffsets> buildTargetOffsets(const HeadMesh& headMesh,
                                                const std::vector<std::string>& targetOrder,
                                                RenderDevice& device) {
    const auto vertices = static_cast<std::int64_t>(headMesh.vertexCount());
    const auto targets = static_cast<std::int64_t>(targetOrder.size());
    const std::int64_t texels = vertices * targets;
    if (texels == 0 || texels > device.maxBufferTextureTexels())
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

    const auto baseFloats = static_cast<std::size_t>(headMesh.baseFloats());
    const auto targetFloats = static_cast<std::size_t>(headMesh.targetFloats());
    const std::int32_t texture =
        device.createBufferTexture(static_cast<std::int32_t>(texels), [&](std::uint32_t* out) {
            for (std::size_t v = 0; v < static_cast<std::size_t>(vertices); ++v) {
                const float* base = headMesh.vertexData() + v * baseFloats;
                for (const float* block : blocks) {
                    const float* target = block + v * targetFloats;
                    // position xyz at 0, normal xyz at 3 (its w marks glaze and never morphs)
                    for (int k = 0; k < 6; k += 2)
                        *out++ = glm::packHalf2x16(
                            glm::vec2(target[k] - base[k], target[k + 1] - base[k + 1]));
                }
            }
        });
    const std::int32_t declaration = device.createVertexDeclaration(
        static_cast<std::int32_t>(staticVertexDeclaration.size()), staticVertexDeclaration.data());
    return TargetOffsets{texture, static_cast<std::int32_t>(targets), declaration};
}
