#include "render/TargetOffsetsUpload.h"

#include "model/MeshFile.h"
#include "model/TargetOffsetsPacking.h"
#include "model/VertexDeclarations.h"
#include "render/RenderDevice.h"

#include <cstring>

std::optional<TargetOffsets> buildTargetOffsets(const HeadMesh& headMesh,
                                                const std::vector<std::string>& targetOrder,
                                                RenderDevice& device) {
    const std::optional<TargetOffsetRuns> runs =
        findTargetOffsetRuns(headMesh, targetOrder, device.maxBufferTextureTexels());
    if (!runs)
        return std::nullopt;
    const auto vertices = static_cast<std::int32_t>(runs->runs.size() / 2);
    const std::int32_t runsTexture =
        device.createBufferTexture(vertices, 2, [&](std::uint32_t* out) {
            std::memcpy(out, runs->runs.data(), runs->runs.size() * sizeof(std::uint32_t));
        });
    const std::size_t texels = runs->texelCount();
    const std::int32_t offsetsTexture = device.createBufferTexture(
        static_cast<std::int32_t>(texels), wordsPerOffsetTexel, [&](std::uint32_t* out) {
            packTargetOffsets(headMesh, targetOrder, *runs,
                              std::span(out, texels * wordsPerOffsetTexel));
        });
    const std::int32_t declaration = device.createVertexDeclaration(
        static_cast<std::int32_t>(turnedVertexDeclaration.size()), turnedVertexDeclaration.data());
    return TargetOffsets{runsTexture, offsetsTexture, static_cast<std::int32_t>(targetOrder.size()),
                         declaration};
}
