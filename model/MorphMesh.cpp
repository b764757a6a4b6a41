#include "model/MorphMesh.h"

#include "common/DemoError.h"
#include "model/MeshFile.h"
#include "model/VertexDeclarations.h"
#include "render/RenderDevice.h"
#include "render/TargetOffsetsUpload.h"

#include <functional>
#include <set>

std::int32_t MorphMesh::targetVertexBuffer(const std::string& targetName) const {
    const auto found = targetBuffers.find(targetName);
    if (found == targetBuffers.end())
        throw DemoError("the head has no morph target \"" + targetName + "\"");
    return found->second;
}

std::vector<std::string> MorphMesh::targetNames() const {
    std::vector<std::string> names;
    for (const auto& entry : targetBuffers)
        names.push_back(entry.first);
    return names;
}

namespace {

// Refused before anything is uploaded: the channels could not all be given a target.
void requireTargetsForChannels(const HeadMesh& headMesh, std::int32_t channelCount) {
    if (channelCount < 1 || channelCount > morphChannelCount)
        throw DemoError("the head can blend 1 to " + std::to_string(morphChannelCount) +
                        " channels, not " + std::to_string(channelCount));
    const std::set<std::string> distinctNames(headMesh.targetNames().begin(),
                                              headMesh.targetNames().end());
    if (distinctNames.size() < static_cast<std::size_t>(channelCount))
        throw DemoError("the head has " + std::to_string(distinctNames.size()) +
                        " distinct morph target names, too few for " +
                        std::to_string(channelCount) + " channels");
}

// uploaded(index) is called once target `index` is on the device and no longer read here.
std::unique_ptr<MorphMesh> buildMorphMeshFrom(const HeadMesh& headMesh, RenderDevice& device,
                                              std::int32_t channelCount, const DetailChain& detail,
                                              const std::function<void(std::int32_t)>& uploaded) {
    requireTargetsForChannels(headMesh, channelCount);
    const std::int32_t vertexCount = headMesh.vertexCount();
    const std::int32_t indexBuffer = device.createIndexBuffer(
        static_cast<std::int32_t>(headMesh.indexCount()), headMesh.indices());
    // The bounds read every target, so they come before any is uploaded.
    MeshDetail levels = buildMeshDetail(detail, device);
    if (!detail.empty()) {
        const auto vertices = static_cast<std::size_t>(vertexCount);
        includeInBounds(levels, headMesh.vertexData(), vertices,
                        static_cast<std::size_t>(headMesh.baseFloats()));
        includeInBounds(levels, headMesh.targetData(),
                        vertices * static_cast<std::size_t>(headMesh.targetCount()),
                        static_cast<std::size_t>(headMesh.targetFloats()));
    }

    const std::int32_t baseBuffer = device.createVertexBuffer(
        vertexCount, static_cast<std::int32_t>(headMesh.baseStride()), headMesh.vertexData());

    // A later target of the same name takes the map entry; the earlier buffer is never bound.
    std::map<std::string, std::int32_t> targetBuffers;
    for (std::int32_t index = 0; index < headMesh.targetCount(); ++index) {
        auto target = headMesh.getTarget(index);
        targetBuffers[std::move(target.name)] = device.createVertexBuffer(
            vertexCount, static_cast<std::int32_t>(headMesh.targetStride()), target.block);
        uploaded(index);
    }
    const std::int32_t declaration = device.createVertexDeclaration(
        static_cast<std::int32_t>(morphVertexDeclaration.size()), morphVertexDeclaration.data());

    // The map is ordered byte by byte, so its first names are the smallest.
    std::vector<std::string> startTargets;
    for (auto it = targetBuffers.begin();
         startTargets.size() < static_cast<std::size_t>(channelCount); ++it)
        startTargets.push_back(it->first);
    return std::make_unique<MorphMesh>(
        MorphMesh{baseBuffer, std::move(targetBuffers), indexBuffer, declaration,
                  MorphChannelSet(std::move(startTargets)), std::move(levels)});
}

} // namespace

std::unique_ptr<MorphMesh> buildMorphMesh(const HeadMesh& headMesh, RenderDevice& device,
                                          std::int32_t channelCount, const DetailChain& detail) {
    return buildMorphMeshFrom(headMesh, device, channelCount, detail, [](std::int32_t) {});
}

std::unique_ptr<StaticMeshBuffers>
buildStaticMesh(const StaticMesh& staticMesh, RenderDevice& device, const DetailChain& detail) {
    const std::int32_t vertexBuffer =
        device.createVertexBuffer(static_cast<std::int32_t>(staticMesh.vertexCount()),
                                  staticMesh.stride(), staticMesh.vertices());
    const std::int32_t indexBuffer = device.createIndexBuffer(
        static_cast<std::int32_t>(staticMesh.indexCount()), staticMesh.indices());
    const std::int32_t declaration = device.createVertexDeclaration(
        static_cast<std::int32_t>(staticVertexDeclaration.size()), staticVertexDeclaration.data());
    MeshDetail levels = buildMeshDetail(detail, device);
    if (!detail.empty())
        includeInBounds(levels, staticMesh.vertices(), staticMesh.vertexCount(),
                        static_cast<std::size_t>(staticMesh.stride() / 4));
    return std::make_unique<StaticMeshBuffers>(
        StaticMeshBuffers{vertexBuffer, indexBuffer, declaration, std::move(levels)});
}

namespace {

std::int32_t weightBuffer(const std::vector<float>& weights, RenderDevice& device) {
    return device.createVertexBuffer(static_cast<std::int32_t>(weights.size()), sizeof(float),
                                     weights.data());
}

} // namespace

HeadTurnBuffers buildHeadTurn(const MeshFile& file, RenderDevice& device) {
    const HeadTurn turn =
        file.headTurn ? *file.headTurn
                      : HeadTurn{{},
                                 std::vector<float>(
                                     static_cast<std::size_t>(file.headMesh->vertexCount()), 0.0f),
                                 std::vector<float>(file.staticMesh->vertexCount(), 0.0f)};
    return HeadTurnBuffers{
        file.headTurn.has_value(), glm::vec3(turn.pivot[0], turn.pivot[1], turn.pivot[2]),
        weightBuffer(turn.headWeights, device), weightBuffer(turn.staticWeights, device),
        device.createVertexDeclaration(static_cast<std::int32_t>(turnedVertexDeclaration.size()),
                                       turnedVertexDeclaration.data())};
}

HeadModel loadHeadModel(const std::string& meshPath, RenderDevice& device,
                        std::int32_t channelCount, MorphPath path) {
    // The file records are freed when this returns, and also when a builder throws.
    MeshFile file = readMeshFile(meshPath);
    HeadMesh& headMesh = *file.headMesh;
    requireTargetsForChannels(headMesh, channelCount);
    // The offsets read every target, so they come first; names in targetNames() order.
    std::optional<TargetOffsets> allTargets;
    if (path == MorphPath::AllTargets) {
        const std::set<std::string> names(headMesh.targetNames().begin(),
                                          headMesh.targetNames().end());
        allTargets = buildTargetOffsets(headMesh, {names.begin(), names.end()}, device);
    }
    // Each target's block is given back once the device has its copy: the head's targets are
    // most of the file, and the device's copies would otherwise double them while loading.
    HeadModel model;
    model.morphMesh =
        buildMorphMeshFrom(headMesh, device, channelCount, file.headDetail,
                           [&](std::int32_t index) { headMesh.releaseTarget(index); });
    model.morphMesh->allTargets = std::move(allTargets);
    model.staticMesh = buildStaticMesh(*file.staticMesh, device, file.staticDetail);
    if (path == MorphPath::AllTargets)
        model.turn = buildHeadTurn(file, device);
    return model;
}
