#include "HeadGenerator.h"

#include "AdaptiveSurface.h"
#include "Deformation.h"
#include "ExpressionTargets.h"
#include "Eyeball.h"
#include "FaceRig.h"
#include "HeadShape.h"
#include "MeshDensity.h"
#include "SymmetricSurface.h"
#include "Teeth.h"
#include "common/DemoError.h"
#include "model/MorphGroupFileWriter.h"
#include "model/VertexCacheOrder.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

constexpr std::size_t maxVertices = 65536; // the GPU keeps 16-bit indices

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

// Seven floats per vertex: the position, then the normal as four floats with w = 0.
std::vector<float> vertexFloats(const std::vector<Vec3>& positions,
                                const std::vector<Triangle>& triangles) {
    const std::vector<Vec3> normals = vertexNormals(positions, triangles);
    std::vector<float> floats;
    floats.reserve(positions.size() * 7);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Vec3& p = positions[i];
        const Vec3& n = normals[i];
        for (double value : {p.x, p.y, p.z, n.x, n.y, n.z, 0.0})
            floats.push_back(static_cast<float>(value));
    }
    return floats;
}

std::vector<std::int32_t> indexList(const std::vector<Triangle>& triangles) {
    std::vector<std::int32_t> indices;
    indices.reserve(triangles.size() * 3);
    for (const Triangle& t : triangles)
        indices.insert(indices.end(), t.begin(), t.end());
    return indices;
}

TriangleMesh staticParts() {
    TriangleMesh parts = adaptiveSymmetricSurface(
        eyeballsDistance, uniformGrid(28.0, {0.0, -20.0, 25.0}, {0.0, 0.0, 46.0}, 0.45),
        eyeballMeshing());
    appendMesh(parts,
               adaptiveSymmetricSurface(
                   upperTeethDistance,
                   uniformGrid(26.0, {0.0, -56.0, 8.0}, {0.0, -44.0, 45.0}, 0.45), teethMeshing()));
    return parts;
}

} // namespace

GeneratedHead generateHead() {
    TriangleMesh head = adaptiveSymmetricSurface(headDistance, headGrid(), skinMeshing());
    // A few low-pass passes round the creases that the field keeps, such as the corners of the
    // mouth and the eyes, over a few edges.
    smoothSurface(head, 3);
    const std::size_t lowerTeethStart = head.positions.size();
    appendMesh(head,
               adaptiveSymmetricSurface(
                   lowerTeethDistance,
                   uniformGrid(26.0, {0.0, -65.0, 8.0}, {0.0, -53.0, 45.0}, 0.65), teethMeshing()));
    if (head.positions.size() > maxVertices)
        throw DemoError("head generator: the head has more vertices than 16-bit indices reach");
    const FaceRig rig = buildFaceRig(std::move(head), lowerTeethStart);
    const std::vector<ExpressionTarget> targets = buildExpressionTargets(rig);

    GeneratedHead result;
    MeshFileImage& image = result.meshFile;
    image.vertexCount = static_cast<std::int32_t>(rig.mesh.positions.size());
    image.baseVertices = vertexFloats(rig.mesh.positions, rig.mesh.triangles);
    for (const ExpressionTarget& target : targets) {
        image.targetNames.push_back(target.name);
        image.targetBlocks.push_back(vertexFloats(target.positions, rig.mesh.triangles));
    }
    image.indices = indexList(rig.mesh.triangles);

    const TriangleMesh parts = staticParts();
    if (parts.positions.size() > maxVertices)
        throw DemoError(
            "head generator: the static mesh has more vertices than 16-bit indices reach");
    image.staticVertexCount = static_cast<std::int32_t>(parts.positions.size());
    image.staticVertices = vertexFloats(parts.positions, parts.triangles);
    image.staticIndices = indexList(parts.triangles);
    orderForVertexCache(image);

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
    std::filesystem::create_directories(directory);
    writeMeshFile(directory / "headModelNew.dat", head.meshFile);
    const std::filesystem::path xmlPath = directory / "headModel.xml";
    std::ofstream xml(xmlPath, std::ios::binary | std::ios::trunc);
    xml << encodeMorphGroupFile(head.groups);
    xml.close();
    if (!xml)
        throw DemoError("cannot write " + xmlPath.string());
}
