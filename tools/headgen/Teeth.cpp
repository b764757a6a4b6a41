#include "Teeth.h"

#include "HeadLandmarks.h"
#include "HeadShape.h"
#include "Sdf.h"
#include "common/DemoError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// One tooth of a half row, from the middle outwards.
struct ToothSize {
    double width;     // along the arch
    double thickness; // across the arch
    double edgeY;     // height of the biting edge
};

// A half arch: x = halfWidth sin t, z = backZ + depth cos t for t in [0, pi/2].
struct Arch {
    double halfWidth;
    double depth;
    double backZ;
};

struct PlacedTooth {
    Vec3 centre;
    Mat3 axes; // along the arch, up, outwards
    Vec3 halfExtents;
    double rounding;
};

constexpr std::array<ToothSize, 7> upperSizes{{{5.0, 3.2, -53.2},
                                               {3.8, 3.0, -53.1},
                                               {4.4, 4.2, -53.2},
                                               {4.1, 4.8, -52.8},
                                               {4.1, 4.8, -52.7},
                                               {5.9, 6.0, -52.5},
                                               {5.3, 5.8, -52.4}}};
constexpr std::array<ToothSize, 7> lowerSizes{{{3.1, 3.0, -55.6},
                                               {3.5, 3.2, -55.6},
                                               {4.1, 4.0, -55.5},
                                               {4.1, 4.4, -55.3},
                                               {4.1, 4.6, -55.2},
                                               {6.5, 6.0, -55.1},
                                               {6.2, 5.8, -55.0}}};

Vec3 archPoint(const Arch& arch, double t) {
    return {arch.halfWidth * std::sin(t), 0.0, arch.backZ + arch.depth * std::cos(t)};
}

// The arch parameter at a given length along the arch from the middle.
double archParameterAt(const Arch& arch, double length) {
    const int steps = 4000;
    const double dt = 0.5 * std::numbers::pi / steps;
    double travelled = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double t = i * dt;
        const double step = glm::length(archPoint(arch, t + dt) - archPoint(arch, t));
        if (travelled + step >= length)
            return t + dt * (length - travelled) / step;
        travelled += step;
    }
    throw DemoError("head generator: the teeth do not fit on their arch");
}

// How far the mouth's hollow reaches from y in direction dy (+1 up, -1 down) at (x, z).
double cavityBoundary(double x, double z, double y, double dy) {
    if (mouthCavityDistance({x, y, z}) >= 0.0)
        throw DemoError("head generator: a tooth stands outside the mouth");
    while (mouthCavityDistance({x, y + dy * 0.02, z}) < 0.0)
        y += dy * 0.02;
    return y;
}

std::vector<PlacedTooth> placeRow(const Arch& arch, const std::array<ToothSize, 7>& sizes,
                                  bool upper) {
    std::vector<PlacedTooth> teeth;
    double along = 0.0;
    for (const ToothSize& size : sizes) {
        const double t = archParameterAt(arch, along + 0.5 * size.width);
        along += size.width;
        const Vec3 base = archPoint(arch, t);
        const Vec3 tangent =
            glm::normalize(Vec3(arch.halfWidth * std::cos(t), 0.0, -arch.depth * std::sin(t)));
        const Vec3 up{0.0, 1.0, 0.0};
        const Vec3 outward = glm::cross(tangent, up);
        // The root end stops short of the roof (or floor) everywhere under the footprint.
        double rootY = upper ? 1e9 : -1e9;
        for (double a : {-0.5, 0.0, 0.5})
            for (double b : {-0.5, 0.0, 0.5}) {
                const Vec3 foot = base + a * size.width * tangent + b * size.thickness * outward;
                const double boundary =
                    cavityBoundary(foot.x, foot.z, landmarks::mouthLineY, upper ? 1.0 : -1.0);
                rootY = upper ? std::min(rootY, boundary) : std::max(rootY, boundary);
            }
        rootY += upper ? -teethClearance : teethClearance;
        const double height = std::abs(rootY - size.edgeY);
        PlacedTooth tooth;
        tooth.centre = {base.x, 0.5 * (rootY + size.edgeY), base.z};
        tooth.axes = Mat3(tangent, up, outward);
        // Apart by a gap even on the inside of the arch, where neighbours converge.
        tooth.halfExtents = {0.5 * size.width - 0.5, 0.5 * height, 0.5 * size.thickness};
        tooth.rounding = std::min(0.9, 0.45 * size.thickness);
        teeth.push_back(tooth);
    }
    return teeth;
}

double roundedBoxDistance(const Vec3& local, const Vec3& halfExtents, double rounding) {
    const Vec3 q = glm::abs(local) - (halfExtents - Vec3(rounding));
    return glm::length(glm::max(q, Vec3(0.0))) + std::min(std::max({q.x, q.y, q.z}), 0.0) -
           rounding;
}

double rowDistance(const std::vector<PlacedTooth>& row, const Vec3& p) {
    const Vec3 q{std::abs(p.x), p.y, p.z};
    double d = 1e9;
    for (const PlacedTooth& tooth : row)
        d = smoothUnion(d,
                        roundedBoxDistance(glm::transpose(tooth.axes) * (q - tooth.centre),
                                           tooth.halfExtents, tooth.rounding),
                        0.3);
    return d;
}

const std::vector<PlacedTooth>& upperRow() {
    static const std::vector<PlacedTooth> row = placeRow({18.0, 23.0, 17.5}, upperSizes, true);
    return row;
}

const std::vector<PlacedTooth>& lowerRow() {
    static const std::vector<PlacedTooth> row = placeRow({16.5, 21.0, 17.0}, lowerSizes, false);
    return row;
}

} // namespace

double upperTeethDistance(const Vec3& p) {
    return rowDistance(upperRow(), p);
}

double lowerTeethDistance(const Vec3& p) {
    return rowDistance(lowerRow(), p);
}
