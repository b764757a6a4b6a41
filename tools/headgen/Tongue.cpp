#include "Tongue.h"

#include "Deformation.h"
#include "HeadShape.h"
#include "Sdf.h"
#include "Teeth.h"

#include <cmath>

double tongue::middleAt(double z) {
    return middleY + 7.0 * smoothStep(4.0, tipZ, z);
}

double tongue::thicknessAt(double z) {
    return 1.0 - 0.4 * smoothStep(15.0, tipZ, z);
}

double tongueDistance(const Vec3& p) {
    // Built straight and full-bodied about middleY, then bent and thinned along its length.
    const Vec3 q{std::abs(p.x),
                 tongue::middleY + (p.y - tongue::middleAt(p.z)) / tongue::thicknessAt(p.z), p.z};
    const double length = tongue::tipZ - tongue::rootZ;
    // Broad at the root, narrowing and thinning to a rounded tip.
    double d = ellipsoidDistance(q, {0.0, tongue::middleY, tongue::rootZ + 0.5 * length},
                                 {10.5, 3.5, 0.5 * length});
    d = smoothUnion(d,
                    ellipsoidDistance(q, {0.0, tongue::middleY - 0.5, tongue::rootZ + 0.3 * length},
                                      {11.0, 3.3, 0.35 * length}),
                    2.0);
    // A shallow groove down the middle of its top.
    d = smoothSubtraction(d,
                          capsuleDistance(q, {0.0, tongue::middleY + 4.3, tongue::rootZ + 6.0},
                                          {0.0, tongue::middleY + 3.9, tongue::tipZ - 3.0}, 1.3),
                          1.2);
    // Clear of the floor and walls of the mouth and of the lower teeth.
    d = smoothIntersection(d, mouthCavityDistance(p) + 1.0, 1.0);
    d = smoothSubtraction(d, lowerTeethDistance(p) - 1.0, 0.5);
    return d;
}
