#include "render/NoiseVolume.h"

#include "render/NoiseGenerator.h"

#include <array>

// The volume costs 8.4 million noise evaluations. Everything that depends on one axis only (cell
// indices, fractions and smoothstep weights) is computed once per coordinate, and the gradient
// terms that do not depend on the innermost axis once per lattice cell. Every sum and product is
// still formed in the same order as in NoiseGenerator::noise3, so the bytes are identical.

namespace {
constexpr std::int32_t octaveCount = 4;
constexpr std::int32_t firstPeriod = 4;

using AxisTable = std::array<LatticeCoordinate, noiseVolumeSize>;

AxisTable axisTable(double step, std::int32_t mask) {
    AxisTable table{};
    for (std::int32_t k = 0; k < noiseVolumeSize; ++k) {
        table[k] = latticeCoordinate(k * step, mask);
    }
    return table;
}

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

double faceValue(const CornerTerms& t, double rz, double sx, double sy) {
    const double e0 = lerp(sx, t.outer[0] + rz * t.inner[0], t.outer[1] + rz * t.inner[1]);
    const double e1 = lerp(sx, t.outer[2] + rz * t.inner[2], t.outer[3] + rz * t.inner[3]);
    return lerp(sy, e0, e1);
}

void fillOctave(std::uint8_t* texels, std::int32_t octave, NoiseGenerator& generator) {
    const std::int32_t period = firstPeriod << octave;
    generator.setPeriod(period);
    generator.ensureLattice();
    const double step = 1.0 / static_cast<double>(noiseVolumeSize / period);
    const double amplitude = 0.5 / static_cast<double>(1 << octave);
    const std::int32_t texelsPerCell = noiseVolumeSize / period;
    const AxisTable axis = axisTable(step, generator.mask());
    const auto& p = generator.permutation();

    // The texel's depth index drives the noise's first coordinate and its width index the third.
    for (std::int32_t z = 0; z < noiseVolumeSize; ++z) {
        const LatticeCoordinate& cx = axis[z];
        const std::int32_t i = p[cx.lower];
        const std::int32_t j = p[cx.upper];
        for (std::int32_t y = 0; y < noiseVolumeSize; ++y) {
            const LatticeCoordinate& cy = axis[y];
            const std::array<std::int32_t, 4> rows{p[i + cy.lower], p[j + cy.lower],
                                                   p[i + cy.upper], p[j + cy.upper]};
            std::uint8_t* row = texels + 4 * noiseVolumeSize * (y + noiseVolumeSize * z);
            for (std::int32_t cell = 0; cell < period; ++cell) {
                const std::int32_t firstX = cell * texelsPerCell;
                const CornerTerms nearTerms =
                    cornerTerms(generator, rows, axis[firstX].lower, cx, cy);
                const CornerTerms farTerms =
                    cornerTerms(generator, rows, axis[firstX].upper, cx, cy);
                for (std::int32_t x = firstX; x < firstX + texelsPerCell; ++x) {
                    const LatticeCoordinate& cz = axis[x];
                    const double nearFace =
                        faceValue(nearTerms, cz.fromLower, cx.weight, cy.weight);
                    const double farFace = faceValue(farTerms, cz.fromUpper, cx.weight, cy.weight);
                    const double n = lerp(cz.weight, nearFace, farFace);
                    row[4 * x + octave] = static_cast<std::uint8_t>(
                        static_cast<std::int32_t>((n + 1.0) * amplitude * 128.0));
                }
            }
        }
    }
}
} // namespace

void fillNoiseVolume(std::uint8_t* texels) {
    NoiseGenerator generator;
    for (std::int32_t octave = 0; octave < octaveCount; ++octave) {
        fillOctave(texels, octave, generator);
    }
}
