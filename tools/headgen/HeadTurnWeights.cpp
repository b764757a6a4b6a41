#include "HeadTurnWeights.h"

#include "Deformation.h"
#include "HeadLandmarks.h"

namespace {

// Where the neck meets the head, a line in the side view: under the jaw at the front (y -71 at
// z 16), at the base of the skull at the back (y -37 at z -46).
double neckTopY(double z) {
    return -62.0 - 0.55 * z;
}

} // namespace

std::vector<float> headTurnWeights(const FaceRig& rig) {
    std::vector<float> weights(rig.mesh.positions.size(), 1.0f);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (rig.part[i] != HeadPart::Skin)
            continue;
        const Vec3& p = rig.mesh.positions[i];
        const double top = neckTopY(p.z);
        weights[i] = static_cast<float>(smoothStep(landmarks::neckBottomY, top, p.y));
    }
    return weights;
}
