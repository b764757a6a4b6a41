#include "render/NoiseVolume.h"

#include "common/VectorState.h"
#include "render/NoiseGenerator.h"

#include <array>
#include <cstring>
#include <vector>

// The volume costs 8.4 million noise evaluations. Everything that depends on one axis only (cell
// indices, fractions and smoothstep weights) is computed once per coordinate, and the gradient
// terms that do not depend on the innermost axis once per lattice cell. Every sum and product is
// still formed in the same order as in NoiseGenerator::noise3, so the bytes are identical. Each
// row of texels is computed octave by octave into contiguous bytes and then interleaved, which
// keeps the inner loops free of scattered stores.

namespace {
constexpr std::int32_t octaveCount = 4;
constexpr std::int32_t firstPeriod = 4;

using AxisTable = std::array<LatticeCoordinate, noiseVolumeSize>;

// The helpers below pass 32-byte vectors by value. They are internal and flattened into
// fillNoiseVolume, so the note that such a call's ABI differs without AVX does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// Four doubles at a time along the innermost axis. Each lane does what the scalar code does, in
// the same order, so the bytes stay identical; a lattice cell spans a multiple of four texels.
using Double4 = double __attribute__((vector_size(32)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
constexpr std::int32_t lanes = 4;
static_assert(noiseVolumeSize / (firstPeriod << (octaveCount - 1)) % lanes == 0,
              "the finest octave's cells must hold whole vectors");

// The innermost axis's distances and weights, one contiguous column each, for vector loads.
struct AxisColumns {
    alignas(32) std::array<double, noiseVolumeSize> fromLower;
    alignas(32) std::array<double, noiseVolumeSize> fromUpper;
    alignas(32) std::array<double, noiseVolumeSize> weight;
};

Double4 load4(const double* values) {
    Double4 vector;
    std::memcpy(&vector, values, sizeof vector);
    return vector;
}

// One octave: its lattice, where each of the 128 coordinates falls on it, and its amplitude.
struct Octave {
    explicit Octave(std::int32_t octave)
        : generator(firstPeriod << octave), period(firstPeriod << octave),
          texelsPerCell(noiseVolumeSize / period),
          amplitude(0.5 / static_cast<double>(1 << octave)) {
        generator.ensureLattice();
        const double step = 1.0 / static_cast<double>(noiseVolumeSize / period);
        for (std::int32_t k = 0; k < noiseVolumeSize; ++k) {
            axis[k] = latticeCoordinate(k * step, generator.mask());
            columns.fromLower[k] = axis[k].fromLower;
            columns.fromUpper[k] = axis[k].fromUpper;
            columns.weight[k] = axis[k].weight;
        }
    }

    NoiseGenerator generator;
    std::int32_t period;
    std::int32_t texelsPerCell;
    double amplitude;
    AxisTable axis{};
    AxisColumns columns{};
};

// One face of a lattice cell along the innermost axis: the gradient term of the two outer
// coordinates (a * g0 + b * g1) and the gradient component that the innermost distance scales.
struct CornerTerms {
    std::array<double, 4> outer; // corners b00, b10, b01, b11
    std::array<double, 4> inner;
};

CornerTerms cornerTerms(const NoiseGenerator& generator, const std::array<std::int32_t, 4>& rows,
                        std::int32_t cell, const LatticeCoordinate& cx,
                        const LatticeCoordinate& cy) {
    const auto& g = generator.gradients();
    const std::array<double, 4> a{cx.fromLower, cx.fromUpper, cx.fromLower, cx.fromUpper};
    const std::array<double, 4> b{cy.fromLower, cy.fromLower, cy.fromUpper, cy.fromUpper};
    CornerTerms terms{};
    for (std::size_t c = 0; c < 4; ++c) {
        const NoiseGenerator::Gradient& gradient = g[rows[c] + cell];
        terms.outer[c] = a[c] * gradient[0] + b[c] * gradient[1];
        terms.inner[c] = gradient[2];
    }
    return terms;
}

Double4 lerp4(Double4 w, Double4 p, Double4 q) {
    return p + w * (q - p);
}

Double4 lerp4(double w, Double4 p, Double4 q) {
    return p + w * (q - p);
}

Double4 faceValue(const CornerTerms& t, Double4 rz, double sx, double sy) {
    const Double4 e0 = lerp4(sx, t.outer[0] + rz * t.inner[0], t.outer[1] + rz * t.inner[1]);
    const Double4 e1 = lerp4(sx, t.outer[2] + rz * t.inner[2], t.outer[3] + rz * t.inner[3]);
    return lerp4(sy, e0, e1);
}

// One octave's bytes along a row of texels. The texel's depth index drives the noise's first
// coordinate and its width index the third.
void fillRow(const Octave& octave, std::int32_t z, std::int32_t y,
             std::array<CornerTerms, NoiseGenerator::maxPeriod>& faces, std::uint8_t* bytes) {
    const auto& p = octave.generator.permutation();
    const LatticeCoordinate& cx = octave.axis[z];
    const LatticeCoordinate& cy = octave.axis[y];
    const std::int32_t i = p[cx.lower];
    const std::int32_t j = p[cx.upper];
    const std::array<std::int32_t, 4> rows{p[i + cy.lower], p[j + cy.lower], p[i + cy.upper],
                                           p[j + cy.upper]};
    // The far face of one cell is the near face of the next.
    for (std::int32_t cell = 0; cell < octave.period; ++cell) {
        faces[cell] = cornerTerms(octave.generator, rows, cell, cx, cy);
    }
    const std::int32_t mask = octave.generator.mask();
    for (std::int32_t cell = 0; cell < octave.period; ++cell) {
        const CornerTerms& nearTerms = faces[cell];
        const CornerTerms& farTerms = faces[(cell + 1) & mask];
        const std::int32_t firstX = cell * octave.texelsPerCell;
        for (std::int32_t x = firstX; x < firstX + octave.texelsPerCell; x += lanes) {
            const Double4 nearFace =
                faceValue(nearTerms, load4(&octave.columns.fromLower[x]), cx.weight, cy.weight);
            const Double4 farFace =
                faceValue(farTerms, load4(&octave.columns.fromUpper[x]), cx.weight, cy.weight);
            const Double4 n = lerp4(load4(&octave.columns.weight[x]), nearFace, farFace);
            const Int4 values = __builtin_convertvector((n + 1.0) * octave.amplitude * 128.0, Int4);
            for (std::int32_t lane = 0; lane < lanes; ++lane)
                bytes[x + lane] = static_cast<std::uint8_t>(values[lane]);
        }
    }
}
} // namespace

VEX_ENCODED_HOT_PATH void fillNoiseVolume(std::uint8_t* texels) {
    std::vector<Octave> octaves;
    for (std::int32_t octave = 0; octave < octaveCount; ++octave) {
        octaves.emplace_back(octave);
    }
    std::array<CornerTerms, NoiseGenerator::maxPeriod> faces{};
    std::array<std::array<std::uint8_t, noiseVolumeSize>, octaveCount> rowBytes{};
    for (std::int32_t z = 0; z < noiseVolumeSize; ++z) {
        for (std::int32_t y = 0; y < noiseVolumeSize; ++y) {
            for (std::size_t o = 0; o < octaves.size(); ++o) {
                fillRow(octaves[o], z, y, faces, rowBytes[o].data());
            }
            std::uint8_t* row = texels + 4 * noiseVolumeSize * (y + noiseVolumeSize * z);
            for (std::int32_t x = 0; x < noiseVolumeSize; ++x) {
                for (std::size_t o = 0; o < octaves.size(); ++o) {
                    row[4 * x + static_cast<std::int32_t>(o)] = rowBytes[o][x];
                }
            }
        }
    }
}
