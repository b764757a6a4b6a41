#include "MeshDensity.h"

#include "Deformation.h"
#include "HeadLandmarks.h"
#include "HeadShape.h"

#include <algorithm>
#include <cmath>

using namespace landmarks;

namespace {

// Edges along which the surface turns by `bend` radians, within bounds.
double curvatureBound(double curvature, double bend, double shortest, double longest) {
    return std::clamp(bend / std::max(curvature, 1e-9), shortest, std::max(shortest, longest));
}

double blend(double from, double to, double weight) {
    return from + (to - from) * weight;
}

double skinEdgeLength(const Vec3& p, double curvature) {
    const Vec3 left{std::abs(p.x), p.y, p.z};
    // Each region's weight is 1 inside it and fades to 0 over a few units.
    const double face = smoothStep(5.0, 20.0, p.z) * (1.0 - smoothStep(10.0, 25.0, p.y)) *
                        (1.0 - smoothStep(78.0, 90.0, -p.y));
    const double mouthLine = (1.0 - smoothStep(2.0, 5.0, std::abs(p.y - mouthLineAt(p.x)))) *
                             smoothStep(30.0, 38.0, p.z) *
                             (1.0 - smoothStep(mouthCornerX + 2.0, mouthCornerX + 6.0, left.x));
    const double mouthInside =
        (1.0 - smoothStep(0.0, 3.0, mouthCavityDistance(p))) * (1.0 - smoothStep(36.0, 42.0, p.z));
    const double ear = 1.0 - smoothStep(18.0, 24.0, glm::distance(left, leftEarCentre));
    const double neckEnd = smoothStep(100.0, 108.0, -p.y);

    // Long over the skull, the back of the head and the neck, middling over the face and the
    // hidden inside of the mouth, short along the mouth line, where the lips' faces lie a unit
    // apart.
    double longest = blend(3.4, 1.8, face);
    longest = blend(longest, 2.2, mouthInside);
    longest = blend(longest, 0.6, mouthLine);
    // The folds of the ear and of the inside of the mouth are small at the demo's distance or
    // hidden, and the rim at the neck's cut end is seen edge-on: they need less detail than
    // the lids, the nostrils and the lips.
    double shortest = blend(0.45, 0.7, ear);
    shortest = blend(shortest, 0.7, mouthInside);
    shortest = blend(shortest, 1.0, neckEnd);
    const double bend = blend(0.25, 0.35, ear);
    return curvatureBound(curvature, bend, shortest, longest);
}

// The teeth show only between the lips, the lower row only when the mouth opens, and are a few
// pixels tall at the demo's distance: edges of about a unit and a half round their corners well
// enough, and every triangle saved here is one the renderer would set up only to hide it.
double teethEdgeLength(const Vec3&, double curvature) {
    return curvatureBound(curvature, 0.8, 0.9, 2.0);
}

// The eyeballs show whole between the lids, and their highlights run over the cornea and round
// the pupil's dip: short edges throughout.
double eyeballEdgeLength(const Vec3&, double curvature) {
    return curvatureBound(curvature, 0.15, 0.25, 0.8);
}

// The tongue shows whole only when it is out, stretched to nearly twice its length: edges a
// little shorter than the teeth's keep it round then.
double tongueEdgeLength(const Vec3&, double curvature) {
    return curvatureBound(curvature, 0.4, 0.6, 1.1);
}

} // namespace

AdaptiveMeshing skinMeshing() {
    return {skinEdgeLength, 0.3, 0.2, 6};
}

AdaptiveMeshing teethMeshing() {
    return {teethEdgeLength, 0.3, 0.1, 6};
}

AdaptiveMeshing eyeballMeshing() {
    return {eyeballEdgeLength, 0.3, 0.1, 6};
}

AdaptiveMeshing tongueMeshing() {
    return {tongueEdgeLength, 0.3, 0.1, 6};
}
