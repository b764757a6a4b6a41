#include "ModelImporter.h"

#include "ContainedFiles.h"
#include "Framing.h"
#include "GltfScene.h"
#include "ImportError.h"
#include "ImportOutput.h"
#include "MeshAssembly.h"
#include "MeshOptimization.h"
#include "TargetGroups.h"
#include "TurnWeights.h"
#include "model/DetailLevelBuilder.h"
#include "model/MeshFile.h"
#include "model/VertexCacheOrder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <glm/common.hpp>
#include <iterator>
#include <limits>
#include <set>

namespace {

namespace fs = std::filesystem;

// Seven floats a vertex, as the generated head writes them: the position, then the normal as
// four floats, w being the glaze (1 glazed, 0 skin), which the targets share with the rest pose.
std::vector<float> vertexFloats(const VertexStream& positions, const VertexStream& normals,
                                const VertexStream& glaze) {
    std::vector<float> floats;
    floats.reserve(positions.vertexCount() * 7);
    for (std::size_t v = 0; v < positions.vertexCount(); ++v) {
        const glm::vec3 p = positions.vec3(v);
        const glm::vec3 n = normals.vec3(v);
        floats.insert(floats.end(), {p.x, p.y, p.z, n.x, n.y, n.z, glaze.values[v]});
    }
    return floats;
}

std::vector<std::int32_t> indexList(const std::vector<std::uint32_t>& indices) {
    return {indices.begin(), indices.end()};
}

// Reduces the welded mesh to what 16-bit indices reach and frames it.
void prepareMesh(MorphableMesh& mesh, const Framing& framing, ImportedMeshCounts& counts) {
    reduceVertices(mesh, static_cast<std::size_t>(maxMeshVertices));
    applyFraming(mesh, framing);
    for (const VertexStream& stream : mesh.streams)
        if (isPoint(stream.kind) && !std::all_of(stream.values.begin(), stream.values.end(),
                                                 [](float x) { return std::isfinite(x); }))
            throw ImportError("positions overflow when the model is scaled to the head's size");
    counts.writtenVertices = mesh.vertexCount();
    counts.writtenTriangles = mesh.indices.size() / 3;
}

// Rest-pose targets that fill the demo's seven channels, named so that they sort after the
// model's own and say what they are.
std::vector<std::string> paddingNames(const std::vector<std::string>& targets) {
    std::set<std::string> taken(targets.begin(), targets.end());
    std::vector<std::string> names;
    for (int n = 1; taken.size() + names.size() < importedChannelCount; ++n) {
        std::string name = "~unused " + std::to_string(n);
        if (!taken.contains(name))
            names.push_back(std::move(name));
    }
    return names;
}

// The demo needs a static mesh with at least one triangle: a model without one gets a single
// degenerate triangle, which covers no pixel.
MorphableMesh invisibleTriangle() {
    MorphableMesh mesh;
    mesh.streams.push_back(vec3Stream(StreamKind::Position, {3, framedCentre}));
    mesh.streams.push_back(vec3Stream(StreamKind::Normal, {3, glm::vec3(0.0f, 0.0f, 1.0f)}));
    mesh.streams.push_back({StreamKind::Glaze, 0, 1, {0.0f, 0.0f, 0.0f}});
    mesh.streams.push_back({StreamKind::TurnWeight, 0, 1, {0.0f, 0.0f, 0.0f}});
    mesh.indices = {0, 1, 2};
    return mesh;
}

// Why the rigid rule turns the head, for the summary.
std::string rigidReason(const tinygltf::Model& model, const TurnWeights& weights) {
    if (model.skins.empty())
        return "no skin";
    if (weights.joints().head < 0)
        return "no head joint found";
    return "joint \"" + nodeLabel(model, weights.joints().head) + "\" is in no skin of a mesh";
}

// The back of the bottom of the face's box, where a neck would meet a head turned whole.
glm::vec3 rigidPivot(const MorphableMesh& head) {
    const VertexStream& positions = head.stream(StreamKind::Position);
    glm::vec3 low(std::numeric_limits<float>::max());
    glm::vec3 high(std::numeric_limits<float>::lowest());
    for (std::size_t v = 0; v < positions.vertexCount(); ++v) {
        low = glm::min(low, positions.vec3(v));
        high = glm::max(high, positions.vec3(v));
    }
    return {(low.x + high.x) * 0.5f, low.y, low.z};
}

// Decides the rule's outcome once the meshes are framed: a skin that leaves the whole face at
// 0 would turn nothing, so the face then turns whole.
HeadTurnSummary settleHeadTurn(const tinygltf::Model& model, const TurnWeights& weights,
                               const Framing& framing, MorphableMesh& head,
                               MorphableMesh& staticMesh) {
    HeadTurnSummary turn;
    std::vector<float>& headWeights = head.stream(StreamKind::TurnWeight).values;
    const bool faceTurns =
        std::any_of(headWeights.begin(), headWeights.end(), [](float w) { return w > 0.0f; });
    if (weights.usesSkin() && faceTurns) {
        turn.skin = true;
        turn.joint = nodeLabel(model, weights.joints().head);
        if (weights.joints().neck >= 0)
            turn.neck = nodeLabel(model, weights.joints().neck);
        const glm::vec3 pivot = *weights.pivot() * framing.scale + framing.offset;
        turn.pivot = {pivot.x, pivot.y, pivot.z};
        return turn;
    }
    turn.rigidReason = weights.usesSkin() ? "the skin puts none of the face on joint \"" +
                                                nodeLabel(model, weights.joints().head) + "\""
                                          : rigidReason(model, weights);
    std::fill(headWeights.begin(), headWeights.end(), 1.0f);
    std::vector<float>& staticWeights = staticMesh.stream(StreamKind::TurnWeight).values;
    std::fill(staticWeights.begin(), staticWeights.end(), 0.0f);
    const glm::vec3 pivot = rigidPivot(head);
    turn.pivot = {pivot.x, pivot.y, pivot.z};
    return turn;
}

MeshFileImage meshFileImage(const MorphableMesh& head, const MorphableMesh& staticMesh,
                            const glm::vec3& pivot) {
    MeshFileImage image;
    image.vertexCount = static_cast<std::int32_t>(head.vertexCount());
    const VertexStream& glaze = head.stream(StreamKind::Glaze);
    image.baseVertices =
        vertexFloats(head.stream(StreamKind::Position), head.stream(StreamKind::Normal), glaze);
    for (std::size_t target = 0; target < head.targetNames.size(); ++target) {
        image.targetNames.push_back(head.targetNames[target]);
        image.targetBlocks.push_back(vertexFloats(head.stream(StreamKind::TargetPosition, target),
                                                  head.stream(StreamKind::TargetNormal, target),
                                                  glaze));
    }
    image.indices = indexList(head.indices);
    image.staticVertexCount = static_cast<std::int32_t>(staticMesh.vertexCount());
    image.staticVertices =
        vertexFloats(staticMesh.stream(StreamKind::Position), staticMesh.stream(StreamKind::Normal),
                     staticMesh.stream(StreamKind::Glaze));
    image.staticIndices = indexList(staticMesh.indices);
    image.headTurn = HeadTurn{{pivot.x, pivot.y, pivot.z},
                              head.stream(StreamKind::TurnWeight).values,
                              staticMesh.stream(StreamKind::TurnWeight).values};
    return image;
}

} // namespace

ImportedModel convertGltf(std::span<const std::uint8_t> bytes, const fs::path& baseDirectory,
                          ExternalFiles externalFiles) {
    const auto start = std::chrono::steady_clock::now();
    const tinygltf::Model model = parseGltf(bytes, baseDirectory, externalFiles);
    const TurnWeights turnWeights(model);
    SceneContents scene = readScene(model, turnWeights);

    ImportedModel result;
    ImportSummary& summary = result.summary;
    summary.sceneIndex = scene.sceneIndex;
    summary.meshNodes = scene.meshNodes;
    summary.primitives = scene.primitives.size();
    summary.skippedPrimitives = scene.skippedPrimitives;
    summary.ignoredMaterials = model.materials.size();
    summary.ignoredTextures = model.textures.size();
    summary.ignoredImages = model.images.size();
    summary.ignoredSkins = model.skins.size();
    MorphAnimations animations = readMorphAnimations(model);
    result.animations = std::move(animations.animations);
    summary.skippedAnimations = std::move(animations.skipped);
    summary.ignoredAnimations =
        model.animations.size() - result.animations.size() - summary.skippedAnimations.size();

    AssembledHead head = assembleHead(scene.primitives);
    if (head.mesh.targetNames.empty())
        throw ImportError("the model has no morph targets (an exporter may have dropped the "
                          "shape keys, as Blender does when it applies modifiers)");
    MorphableMesh staticMesh = assembleStatic(scene.primitives);
    scene.primitives.clear();
    summary.renamedTargets = {scene.renamedTargets.begin(), scene.renamedTargets.end()};
    summary.head.assembledVertices = head.mesh.vertexCount();
    summary.staticMesh.assembledVertices = staticMesh.vertexCount();

    weldVertices(head.mesh);
    weldVertices(staticMesh);
    if (head.mesh.indices.empty())
        throw ImportError("the primitives with morph targets have no triangles");
    summary.head.weldedVertices = head.mesh.vertexCount();
    summary.staticMesh.weldedVertices = staticMesh.vertexCount();
    const Framing framing = frameHead(head.mesh);
    prepareMesh(head.mesh, framing, summary.head);
    if (staticMesh.indices.empty()) {
        staticMesh = invisibleTriangle();
        summary.staticMeshMissing = true;
    } else {
        prepareMesh(staticMesh, framing, summary.staticMesh);
    }
    summary.headTurn = settleHeadTurn(model, turnWeights, framing, head.mesh, staticMesh);

    result.groups = groupTargets(head.mesh.targetNames, head.targetMeshes);
    summary.groupCount = result.groups.size();
    summary.paddingNames = paddingNames(head.mesh.targetNames);
    for (const std::string& name : summary.paddingNames)
        head.mesh.addRestPoseTarget(name);
    summary.targetNames = head.mesh.targetNames;

    const auto& pivot = summary.headTurn.pivot;
    result.meshFile = meshFileImage(head.mesh, staticMesh, {pivot[0], pivot[1], pivot[2]});
    orderForVertexCache(result.meshFile);
    buildDetailChains(result.meshFile);
    for (const DetailLevel& level : result.meshFile.headDetail)
        summary.head.levelTriangles.push_back(level.indices.size() / 3);
    for (const DetailLevel& level : result.meshFile.staticDetail)
        summary.staticMesh.levelTriangles.push_back(level.indices.size() / 3);
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

ImportSummary importModel(const fs::path& model, const fs::path& outputDirectory) {
    const auto start = std::chrono::steady_clock::now();
    ImportedModel imported =
        convertGltf(readModelFile(model), model.parent_path(), ExternalFiles::Read);
    imported.summary.model = model;
    writeImportedModel(imported, outputDirectory);
    imported.summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return imported.summary;
}
