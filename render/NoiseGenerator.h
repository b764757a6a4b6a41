#pragma once

#include <array>
#include <cstdint>

// Periodic gradient noise: a lattice of unit gradients that repeats every `period` cells along
// each axis, so the noise tiles seamlessly. The lattice is rebuilt from a fixed seed whenever the
// period changes, which makes the noise identical on every run.
class NoiseGenerator {
  public:
    static constexpr std::int32_t maxPeriod = 256;
    // Room for the doubled tables: 2 * period + 2 entries.
    static constexpr std::int32_t tableSize = 2 * maxPeriod + 2;
    using Gradient = std::array<double, 3>;

    explicit NoiseGenerator(std::int32_t period = 4);

    // A power of two from 1 to maxPeriod; the lattice is rebuilt at the next noise3.
    void setPeriod(std::int32_t period);
    std::int32_t period() const { return period_; }
    std::int32_t mask() const { return mask_; }

    // Rebuilds the permutation and the gradients for the current period.
    void initNoiseLattice();
    // Noise at a point; 0 at every lattice point, in about -1 .. 1 elsewhere.
    double noise3(double x, double y, double z);

    // The lattice, for callers that evaluate many points on a grid; valid after
    // initNoiseLattice or noise3.
    const std::array<std::int32_t, tableSize>& permutation() const { return permutation_; }
    const std::array<Gradient, tableSize>& gradients() const { return gradients_; }
    void ensureLattice();

  private:
    std::int32_t period_ = 4;
    std::int32_t mask_ = 3;
    bool needsInitialisation_ = true;
    std::array<std::int32_t, tableSize> permutation_{};
    std::array<Gradient, tableSize> gradients_{};
};

// Where a coordinate falls on the lattice: the two cell indices either side, the signed distances
// to them and the smoothstep weight of the lower one.
struct LatticeCoordinate {
    std::int32_t lower;
    std::int32_t upper;
    double fromLower; // in 0 .. 1
    double fromUpper; // fromLower - 1
    double weight;    // smoothstep of fromLower
};

LatticeCoordinate latticeCoordinate(double v, std::int32_t mask);

inline double lerp(double w, double p, double q) {
    return p + w * (q - p);
}

inline double dotGradient(const NoiseGenerator::Gradient& g, double a, double b, double c) {
    return a * g[0] + b * g[1] + c * g[2];
}
