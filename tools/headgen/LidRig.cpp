#include "LidRig.h"

#include "Deformation.h"
#include "EyeOpening.h"
#include "HeadLandmarks.h"

#include <algorithm>
#include <cmath>

using namespace landmarks;

namespace {

constexpr double closedGap = 0.008; // radians left between the closed margins, on each side

double maxOpening() {
    static const double value = [] {
        double best = 0.0;
        for (int i = 0; i <= 1000; ++i) {
            const double a =
                medialCanthusAzimuth + (lateralCanthusAzimuth - medialCanthusAzimuth) * i / 1000.0;
            best = std::max(best, openingHeight(a));
        }
        return best;
    }();
    return value;
}

} // namespace

double openingHeight(double azimuth) {
    return std::max(0.0, upperMarginElevation(azimuth) - lowerMarginElevation(azimuth));
}

double openingProfile(double azimuth) {
    return openingHeight(azimuth) / maxOpening();
}

double blinkUpperShift(double azimuth) {
    return -std::max(0.0, 0.7 * openingHeight(azimuth) - closedGap);
}

double blinkLowerShift(double azimuth) {
    return std::max(0.0, 0.3 * openingHeight(azimuth) - closedGap);
}

Vec3 turnLeftLids(const Vec3& p, double azimuthShift) {
    EyeAngles a = eyeAnglesOf(p);
    const double shell = lidInnerRadius + lidThickness;
    const double radial = 1.0 - smoothStep(shell + 0.7, shell + 4.5, a.radius);
    const double beyondCorners =
        std::max({medialCanthusAzimuth - a.azimuth, a.azimuth - lateralCanthusAzimuth, 0.0});
    const double lateral = 1.0 - smoothStep(0.0, 0.45, beyondCorners);
    const double offOpening = std::max({a.elevation - upperMarginElevation(a.azimuth),
                                        lowerMarginElevation(a.azimuth) - a.elevation, 0.0});
    const double vertical = 1.0 - smoothStep(0.1, 0.6, offOpening);
    if (radial <= 0.0 || lateral <= 0.0 || vertical <= 0.0)
        return p;
    a.azimuth += radial * lateral * vertical * azimuthShift;
    return pointAtEyeAngles(a);
}

Vec3 moveLeftLids(const Vec3& p, const MarginShift& upperShift, const MarginShift& lowerShift) {
    const EyeAngles a = eyeAnglesOf(p);
    const double shell = lidInnerRadius + lidThickness;
    const double radial = 1.0 - smoothStep(shell + 0.7, shell + 4.5, a.radius);
    const double beyondCorners =
        std::max({medialCanthusAzimuth - a.azimuth, a.azimuth - lateralCanthusAzimuth, 0.0});
    const double lateral = 1.0 - smoothStep(0.0, 0.35, beyondCorners);
    if (radial <= 0.0 || lateral <= 0.0)
        return p;
    const double upperMargin = upperMarginElevation(a.azimuth);
    const double lowerMargin = lowerMarginElevation(a.azimuth);
    const double middle = 0.5 * (upperMargin + lowerMargin);
    double shift;
    if (a.elevation >= middle) {
        // The upper lid proper moves whole; the skin up to the brow stretches.
        const double above = a.elevation - upperMargin;
        shift = upperShift(a.azimuth) * (1.0 - smoothStep(0.30, 0.75, above));
    } else {
        const double below = lowerMargin - a.elevation;
        shift = lowerShift(a.azimuth) * (1.0 - smoothStep(0.15, 0.55, below));
    }
    EyeAngles moved = a;
    moved.elevation += radial * lateral * shift;
    return pointAtEyeAngles(moved);
}
