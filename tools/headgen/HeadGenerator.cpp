#include "HeadGenerator.h"

#include "AdaptiveSurface.h"
#include "Deformation.h"
#include "ExpressionTargets.h"
#include "Eyeball.h"
#include "FaceRig.h"
#include "HeadGltf.h"
#include "HeadShape.h"
#include "HeadTurnWeights.h"
#include "MeshDensity.h"
#include "SymmetricSurface.h"
#include "Teeth.h"
#include "Tongue.h"
#include "common/DemoError.h"
#include "model/DataFilePair.h"
#include "model/DetailLevelBuilder.h"
#include "model/VertexCacheOrder.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

constexpr std::size_t maxVertices = 65536; // the GPU keeps 16-bit indices
// Every vertex of the head is blended from eight streams each frame, and every target adds a
// buffer of its size: the head stays well inside the index limit.
constexpr std::size_t maxHeadVertices = 40000;

// Cells fine enough to find every fold of the skin, whatever the edge lengths it is remeshed
// to: fine on the face, coarse on the crown, the back of the head and the neck, and thin slices
// along the mouth line so that the lips part cleanly.
SamplingGrid headGrid() {
    const double fine = 1.2, coarse = 2.2;
    return {62.0,
            {0.0, -122.0, -74.0},
            {0.0, 72.0, 74.0},
            [=](double x) {
                return fine + (coarse - fine) * 0.6 *
                                  (smoothStep(22.0, 28.0, x) - smoothStep(32.0, 37.0, x));
            },
            [=](double y) {
                const double band = fine + (coarse - fine) * std::max(smoothStep(2.0, 15.0, y),
                                                                      smoothStep(66.0, 85.0, -y));
                return band * (1.0 - 0.65 * (1.0 - smoothStep(2.5, 4.5, std::abs(y + 54.2))));
            },
            [=](double z) { return fine + (coarse - fine) * smoothStep(28.0, 40.0, -z); }};
}

// Seven floats per vertex: the position, then the normal as four floats. The head's shaders
// read the fourth as the glaze of the surface: 0 for skin, 1 for the eyeballs and teeth.
std::vector<float> vertexFloats(const std::vector<Vec3>& positions,
                                const std::vector<Triangle>& triangles,
                                const std::vector<float>& glaze) {
    const std::vector<Vec3> normals = vertexNormals(positions, triangles);
    std::vector<float> floats;
    floats.reserve(positions.size() * 7);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Vec3& p = positions[i];
        const Vec3& n = normals[i];
        for (double value : {p.x, p.y, p.z, n.x, n.y, n.z})
            floats.push_back(static_cast<float>(value));
        floats.push_back(glaze[i]);
    }
    return floats;
}

std::vector<float> glazeOf(const std::vector<HeadPart>& parts) {
    std::vector<float> glaze;
    glaze.reserve(parts.size());
    for (HeadPart part : parts)
        glaze.push_back(part == HeadPart::LowerTeeth || part == HeadPart::Eyeball ? 1.0f : 0.0f);
    return glaze;
}

std::vector<std::int32_t> indexList(const std::vector<Triangle>& triangles) {
    std::vector<std::int32_t> indices;
    indices.reserve(triangles.size() * 3);
    for (const Triangle& t : triangles)
        indices.insert(indices.end(), t.begin(), t.end());
    return indices;
}

// Adds a further closed piece to the head and notes which piece its vertices belong to.
void appendPart(TriangleMesh& head, std::vector<HeadPart>& parts, const TriangleMesh& piece,
                HeadPart part) {
    appendMesh(head, piece);
    parts.resize(head.positions.size(), part);
}

} // namespace

GeneratedHead generateHead() {
    TriangleMesh head = adaptiveSymmetricSurface(headDistance, headGrid(), skinMeshing());
    // A few low-pass passes round the creases that the field keeps, such as the corners of the
    // mouth and the eyes, over a few edges.
    smoothSurface(head, 3);
    std::vector<HeadPart> parts(head.positions.size(), HeadPart::Skin);
    // What moves with the jaw or turns in its socket is part of the morphing head.
    appendPart(head, parts,
               adaptiveSymmetricSurface(
                   lowerTeethDistance,
                   uniformGrid(26.0, {0.0, -68.0, 8.0}, {0.0, -53.0, 45.0}, 0.65), teethMeshing()),
               HeadPart::LowerTeeth);
    appendPart(head, parts,
               adaptiveSymmetricSurface(
                   tongueDistance, uniformGrid(16.0, {0.0, -67.0, 2.0}, {0.0, -49.0, 39.0}, 0.5),
                   tongueMeshing()),
               HeadPart::Tongue);
    appendPart(head, parts,
               adaptiveSymmetricSurface(
                   eyeballsDistance, uniformGrid(28.0, {0.0, -20.0, 25.0}, {0.0, 0.0, 46.0}, 0.45),
                   eyeballMeshing()),
               HeadPart::Eyeball);
    if (head.positions.size() > maxHeadVertices)
        throw DemoError("head generator: the head has more vertices than its budget");
    const FaceRig rig = buildFaceRig(std::move(head), std::move(parts));
    const std::vector<ExpressionTarget> targets = buildExpressionTargets(rig);

    GeneratedHead result;
    MeshFileImage& image = result.meshFile;
    image.vertexCount = static_cast<std::int32_t>(rig.mesh.positions.size());
    const std::vector<float> glaze = glazeOf(rig.part);
    image.baseVertices = vertexFloats(rig.mesh.positions, rig.mesh.triangles, glaze);
    for (const ExpressionTarget& target : targets) {
        image.targetNames.push_back(target.name);
        image.targetBlocks.push_back(vertexFloats(target.positions, rig.mesh.triangles, glaze));
    }
    image.indices = indexList(rig.mesh.triangles);

    // The static mesh is what never moves: the upper teeth, glazed throughout.
    const TriangleMesh upperTeeth = adaptiveSymmetricSurface(
        upperTeethDistance, uniformGrid(26.0, {0.0, -56.0, 8.0}, {0.0, -44.0, 45.0}, 0.45),
        teethMeshing());
    if (upperTeeth.positions.size() > maxVertices)
        throw DemoError(
            "head generator: the static mesh has more vertices than 16-bit indices reach");
    image.staticVertexCount = static_cast<std::int32_t>(upperTeeth.positions.size());
    image.staticVertices = vertexFloats(upperTeeth.positions, upperTeeth.triangles,
                                        std::vector<float>(upperTeeth.positions.size(), 1.0f));
    image.staticIndices = indexList(upperTeeth.triangles);
    // The upper teeth sit in the skull and turn with it.
    image.headTurn =
        HeadTurn{{static_cast<float>(headTurnPivot.x), static_cast<float>(headTurnPivot.y),
                  static_cast<float>(headTurnPivot.z)},
                 headTurnWeights(rig),
                 std::vector<float>(upperTeeth.positions.size(), 1.0f)};
    orderForVertexCache(image);
    buildDetailChains(image);

    for (const std::string& groupName : expressionGroups()) {
        TargetGroup group{groupName, {}};
        for (const ExpressionTarget& target : targets)
            if (target.group == groupName)
                group.targetNames.push_back(target.name);
        result.groups.push_back(std::move(group));
    }
    return result;
}

void writeHeadFiles(const GeneratedHead& head, const std::filesystem::path& directory) {
    writeDataFilePair(directory, head.meshFile, head.groups);
    const std::filesystem::path glbPath = directory / "head.glb";
    const std::string glb = encodeHeadGlb(head.meshFile);
    std::ofstream glbFile(glbPath, std::ios::binary | std::ios::trunc);
    glbFile.write(glb.data(), static_cast<std::streamsize>(glb.size()));
    glbFile.close();
    if (!glbFile)
        throw DemoError("cannot write " + glbPath.string());
}
