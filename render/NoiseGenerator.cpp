#include "render/NoiseGenerator.h"

#include "common/DemoError.h"

#include <cmath>
#include <string>
#include <utility>

namespace {
// The linear congruential generator of the classic C runtime rand(): the lattice depends on this
// exact sequence, so it is private rather than the shared std::rand.
class LatticeRandom {
  public:
    explicit LatticeRandom(std::uint32_t seed) : state_(seed) {}
    std::int32_t next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
    }

  private:
    std::uint32_t state_;
};

constexpr std::uint32_t latticeSeed = 30757;
constexpr double latticeOffset = 4096.0; // keeps coordinates positive before truncation

double smoothstep(double r) {
    return r * r * (3.0 - 2.0 * r);
}
} // namespace

NoiseGenerator::NoiseGenerator(std::int32_t period) {
    setPeriod(period);
}

void NoiseGenerator::setPeriod(std::int32_t period) {
    const bool powerOfTwo = period > 0 && (period & (period - 1)) == 0;
    if (!powerOfTwo || period > maxPeriod) {
        throw DemoError("noise period " + std::to_string(period) +
                        " is not a power of two up to 256");
    }
    period_ = period;
    mask_ = period - 1;
    needsInitialisation_ = true;
}

void NoiseGenerator::initNoiseLattice() {
    LatticeRandom random(latticeSeed);
    const std::int32_t b = period_;
    auto drawComponent = [&random, b] {
        return static_cast<double>(random.next() % (2 * b) - b) / static_cast<double>(b);
    };
    for (std::int32_t i = 0; i < b; ++i) {
        permutation_[i] = i;
        // Three draws are discarded: the sequence is fixed and the lattice depends on it.
        for (int discarded = 0; discarded < 3; ++discarded) {
            drawComponent();
        }
        Gradient g{};
        for (double& component : g) {
            component = drawComponent();
        }
        const double length = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        // A zero draw would give NaN noise; a zero gradient keeps that cell flat instead.
        if (length > 0.0) {
            g = {g[0] / length, g[1] / length, g[2] / length};
        }
        gradients_[i] = g;
    }
    for (std::int32_t i = b - 1; i > 0; --i) {
        const std::int32_t j = random.next() % b;
        std::swap(permutation_[i], permutation_[j]);
    }
    for (std::int32_t i = 0; i < b + 2; ++i) {
        permutation_[b + i] = permutation_[i];
        gradients_[b + i] = gradients_[i];
    }
}

void NoiseGenerator::ensureLattice() {
    if (needsInitialisation_) {
        needsInitialisation_ = false;
        initNoiseLattice();
    }
}

LatticeCoordinate latticeCoordinate(double v, std::int32_t mask) {
    const double t = v + latticeOffset;
    const auto k = static_cast<std::int32_t>(t);
    LatticeCoordinate c{};
    c.lower = k & mask;
    c.upper = (c.lower + 1) & mask;
    c.fromLower = t - k;
    c.fromUpper = c.fromLower - 1.0;
    c.weight = smoothstep(c.fromLower);
    return c;
}

double NoiseGenerator::noise3(double x, double y, double z) {
    ensureLattice();
    const LatticeCoordinate cx = latticeCoordinate(x, mask_);
    const LatticeCoordinate cy = latticeCoordinate(y, mask_);
    const LatticeCoordinate cz = latticeCoordinate(z, mask_);
    const auto& p = permutation_;
    const auto& g = gradients_;

    const std::int32_t i = p[cx.lower];
    const std::int32_t j = p[cx.upper];
    const std::int32_t b00 = p[i + cy.lower];
    const std::int32_t b10 = p[j + cy.lower];
    const std::int32_t b01 = p[i + cy.upper];
    const std::int32_t b11 = p[j + cy.upper];

    auto face = [&](std::int32_t bz, double rz) {
        const double e0 = lerp(cx.weight, dotGradient(g[b00 + bz], cx.fromLower, cy.fromLower, rz),
                               dotGradient(g[b10 + bz], cx.fromUpper, cy.fromLower, rz));
        const double e1 = lerp(cx.weight, dotGradient(g[b01 + bz], cx.fromLower, cy.fromUpper, rz),
                               dotGradient(g[b11 + bz], cx.fromUpper, cy.fromUpper, rz));
        return lerp(cy.weight, e0, e1);
    };
    const double nearFace = face(cz.lower, cz.fromLower);
    const double farFace = face(cz.upper, cz.fromUpper);
    return lerp(cz.weight, nearFace, farFace);
}
