#include "FaceRig.h"

#include "Deformation.h"
#include "HarmonicField.h"
#include "HeadLandmarks.h"
#include "HeadShape.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace landmarks;

namespace {

// Where the jaw weight is known: the lower teeth, the mouth's floor, the lower lip and chin
// follow the jaw fully; the mouth's roof, the upper lip, everything from the nose up, the
// lower neck and the back of the head stay. The cheeks, the sides of the jaw, the mouth's
// corners and the throat are left free and blend between the two.
std::optional<double> knownJawWeight(const Vec3& p, HeadPart part) {
    if (part == HeadPart::LowerTeeth || part == HeadPart::Tongue)
        return 1.0;
    if (part == HeadPart::Eyeball)
        return 0.0;
    const double line = mouthLineAt(p.x);
    const bool onMouthWall = std::abs(mouthCavityDistance(p)) < 0.8;
    // Away from the corners of the mouth, whose tissue blends between the two.
    const bool clearOfCorners = std::abs(p.x) < mouthCornerX - 3.0 || p.z < 30.0;
    if (onMouthWall && clearOfCorners && p.y < line - 2.5)
        return 1.0;
    if (onMouthWall && p.y > line + 2.0)
        return 0.0;
    const bool acrossTheLips = std::abs(p.x) < mouthCornerX - 2.5 && p.z > 38.0;
    if (acrossTheLips && p.y < line && p.y > -88.0)
        return 1.0;
    if (acrossTheLips && p.y > line)
        return 0.0;
    if (p.y > -32.0 || p.y < -105.0 || p.z < -15.0)
        return 0.0;
    return std::nullopt;
}

} // namespace

FaceRig buildFaceRig(TriangleMesh head, std::vector<HeadPart> part) {
    FaceRig rig;
    rig.mesh = std::move(head);
    rig.part = std::move(part);
    const auto& positions = rig.mesh.positions;
    rig.normals = vertexNormals(positions, rig.mesh.triangles);

    std::vector<std::optional<double>> known(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        known[i] = knownJawWeight(positions[i], rig.part[i]);
    rig.jaw = harmonicField(vertexNeighbours(rig.mesh), known);
    // The solver's rounding differs between the halves; the weight must not.
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto m = static_cast<std::size_t>(rig.mesh.mirror[i]);
        if (m > i)
            rig.jaw[i] = rig.jaw[m] = 0.5 * (rig.jaw[i] + rig.jaw[m]);
    }

    rig.skin.resize(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Vec3& p = positions[i];
        // Continuous in space, so that the two faces of the gap between the lips, a unit
        // apart, always move alike. Inside the mouth the lips' back faces move with the skin
        // and so do the side walls at the corners, fading into the roof and floor where the
        // teeth stand.
        if (rig.part[i] != HeadPart::Skin) {
            rig.skin[i] = 0.0;
            continue;
        }
        const double lips = smoothStep(39.0, 44.0, p.z);
        const double cornerWalls = smoothStep(22.0, 42.0, p.z) *
                                   (1.0 - smoothStep(1.5, 4.0, std::abs(p.y - mouthLineAt(p.x))));
        const double outside = smoothStep(0.0, 3.0, mouthCavityDistance(p));
        rig.skin[i] = std::max({lips, cornerWalls, outside});
    }
    return rig;
}
