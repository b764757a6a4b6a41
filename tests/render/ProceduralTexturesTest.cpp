#include "common/DemoError.h"
#include "render/ColorRamp.h"
#include "render/NoiseGenerator.h"
#include "render/NoiseVolume.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {
constexpr int size = noiseVolumeSize;

std::vector<std::uint8_t> filledVolume() {
    std::vector<std::uint8_t> texels(noiseVolumeBytes, 0xEE);
    fillNoiseVolume(texels.data());
    return texels;
}

const std::vector<std::uint8_t>& volume() {
    static const std::vector<std::uint8_t> texels = filledVolume();
    return texels;
}

std::size_t texelOffset(int x, int y, int z) {
    return 4 * (static_cast<std::size_t>(x) + size * (y + static_cast<std::size_t>(size) * z));
}

std::array<int, 4> texel(int x, int y, int z) {
    const std::uint8_t* t = volume().data() + texelOffset(x, y, z);
    return {t[0], t[1], t[2], t[3]};
}

// The noise written out the plain way, one point at a time with nothing precomputed, as the
// reference for the volume.
class PlainNoise {
  public:
    explicit PlainNoise(int period) : b_(period), m_(period - 1) {
        unsigned state = 30757;
        auto draw = [&state] {
            state = state * 214013u + 2531011u;
            return static_cast<int>((state >> 16) & 0x7FFF);
        };
        auto component = [&] { return double(draw() % (2 * b_) - b_) / b_; };
        for (int i = 0; i < b_; ++i) {
            p_[i] = i;
            component(), component(), component();
            double g[3] = {component(), component(), component()};
            const double len = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
            for (int k = 0; k < 3; ++k) {
                g_[i][k] = g[k] / len;
            }
        }
        for (int i = b_ - 1; i > 0; --i) {
            const int j = draw() % b_;
            std::swap(p_[i], p_[j]);
        }
        for (int i = 0; i < b_ + 2; ++i) {
            p_[b_ + i] = p_[i];
            for (int k = 0; k < 3; ++k) {
                g_[b_ + i][k] = g_[i][k];
            }
        }
    }

    double operator()(double x, double y, double z) const {
        double t = x + 4096;
        int bx0 = int(t) & m_, bx1 = (bx0 + 1) & m_;
        double rx0 = t - int(t), rx1 = rx0 - 1;
        t = y + 4096;
        int by0 = int(t) & m_, by1 = (by0 + 1) & m_;
        double ry0 = t - int(t), ry1 = ry0 - 1;
        t = z + 4096;
        int bz0 = int(t) & m_, bz1 = (bz0 + 1) & m_;
        double rz0 = t - int(t), rz1 = rz0 - 1;
        int i = p_[bx0], j = p_[bx1];
        int b00 = p_[i + by0], b10 = p_[j + by0], b01 = p_[i + by1], b11 = p_[j + by1];
        double sx = rx0 * rx0 * (3 - 2 * rx0), sy = ry0 * ry0 * (3 - 2 * ry0),
               sz = rz0 * rz0 * (3 - 2 * rz0);
        auto at = [this](int k, double a, double b, double c) {
            return a * g_[k][0] + b * g_[k][1] + c * g_[k][2];
        };
        auto mix = [](double w, double a, double b) { return a + w * (b - a); };
        double u = at(b00 + bz0, rx0, ry0, rz0), v = at(b10 + bz0, rx1, ry0, rz0);
        double a = mix(sx, u, v);
        u = at(b01 + bz0, rx0, ry1, rz0), v = at(b11 + bz0, rx1, ry1, rz0);
        double b = mix(sx, u, v);
        double c = mix(sy, a, b);
        u = at(b00 + bz1, rx0, ry0, rz1), v = at(b10 + bz1, rx1, ry0, rz1);
        a = mix(sx, u, v);
        u = at(b01 + bz1, rx0, ry1, rz1), v = at(b11 + bz1, rx1, ry1, rz1);
        b = mix(sx, u, v);
        double d = mix(sy, a, b);
        return mix(sz, c, d);
    }

  private:
    int b_;
    int m_;
    int p_[514] = {};
    double g_[514][3] = {};
};

std::uint8_t octaveByte(double n, int octave) {
    return static_cast<std::uint8_t>(static_cast<int>((n + 1) * (0.5 / (1 << octave)) * 128));
}
} // namespace

TEST(NoiseVolume, ListedTexelsAndLatticeRules) {
    const std::uint8_t* origin = volume().data();
    std::uint32_t word = 0;
    std::memcpy(&word, origin, 4);
    EXPECT_EQ(word, 0x08102040u);

    EXPECT_EQ(texel(1, 0, 0), (std::array<int, 4>{64, 31, 17, 8}));
    EXPECT_EQ(texel(0, 0, 1), (std::array<int, 4>{61, 30, 16, 6}));
    EXPECT_EQ(texel(5, 7, 9), (std::array<int, 4>{55, 27, 17, 7}));
    EXPECT_EQ(texel(127, 127, 127), (std::array<int, 4>{66, 32, 15, 8}));

    // The noise is 0 on its lattice: period 4 has a lattice point every 32 texels, period 32
    // every 4, and 0 maps to half the octave's largest value.
    const std::array<int, 4> spacing{32, 16, 8, 4};
    const std::array<int, 4> atLattice{64, 32, 16, 8};
    const std::array<int, 4> largest{128, 64, 32, 16};
    std::array<int, 4> maxima{};
    for (int z = 0; z < size; ++z) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const std::array<int, 4> t = texel(x, y, z);
                for (int o = 0; o < 4; ++o) {
                    maxima[o] = std::max(maxima[o], t[o]);
                    if (x % spacing[o] == 0 && y % spacing[o] == 0 && z % spacing[o] == 0) {
                        ASSERT_EQ(t[o], atLattice[o])
                            << x << "," << y << "," << z << " octave " << o;
                    }
                }
            }
        }
    }
    for (int o = 0; o < 4; ++o) {
        EXPECT_LE(maxima[o], largest[o]) << "octave " << o;
        EXPECT_GT(maxima[o], atLattice[o]) << "octave " << o;
    }
}

TEST(NoiseVolume, TilesAcrossEveryAxis) {
    // The texel one step past 127 along any axis, evaluated from the noise itself, is texel 0.
    for (int octave = 0; octave < 4; ++octave) {
        const int period = 4 << octave;
        NoiseGenerator noise(period);
        const double step = 1.0 / (128 / period);
        for (int a = 0; a < size; a += 7) {
            for (int b = 0; b < size; b += 5) {
                EXPECT_EQ(octaveByte(noise.noise3(128 * step, b * step, a * step), octave),
                          texel(a, b, 0)[octave]);
                EXPECT_EQ(octaveByte(noise.noise3(b * step, 128 * step, a * step), octave),
                          texel(a, 0, b)[octave]);
                EXPECT_EQ(octaveByte(noise.noise3(b * step, a * step, 128 * step), octave),
                          texel(0, a, b)[octave]);
            }
        }
    }
}

TEST(NoiseVolume, RunsAreIdenticalAndMatchPlainEvaluation) {
    std::srand(12345);
    NoiseGenerator elsewhere(16);
    elsewhere.noise3(0.3, 0.6, 0.9);
    EXPECT_EQ(filledVolume(), volume());

    std::vector<std::uint8_t> expected(noiseVolumeBytes);
    for (int octave = 0; octave < 4; ++octave) {
        const int period = 4 << octave;
        const PlainNoise noise(period);
        const double s = 1.0 / (128 / period);
        for (int z = 0; z < size; ++z) {
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    expected[texelOffset(x, y, z) + octave] =
                        octaveByte(noise(z * s, y * s, x * s), octave);
                }
            }
        }
    }
    EXPECT_TRUE(expected == volume());
}

TEST(NoiseGenerator, LatticeIsAPermutationOfUnitGradientsAndZeroAtItsPoints) {
    for (int period : {4, 8, 16, 32, 256}) {
        NoiseGenerator noise(period);
        noise.initNoiseLattice();
        std::vector<int> entries(noise.permutation().begin(), noise.permutation().begin() + period);
        std::sort(entries.begin(), entries.end());
        std::vector<int> identity(period);
        std::iota(identity.begin(), identity.end(), 0);
        EXPECT_EQ(entries, identity) << period;
        for (int i = 0; i < period + 2; ++i) {
            EXPECT_EQ(noise.permutation()[period + i], noise.permutation()[i]);
            EXPECT_EQ(noise.gradients()[period + i], noise.gradients()[i]);
        }
        for (int i = 0; i < period; ++i) {
            const auto& g = noise.gradients()[i];
            EXPECT_NEAR(g[0] * g[0] + g[1] * g[1] + g[2] * g[2], 1.0, 1e-12);
        }
        EXPECT_EQ(noise.noise3(0, 0, 0), 0.0);
        EXPECT_EQ(noise.noise3(3, period + 1.0, 2 * period), 0.0);
        EXPECT_NE(noise.noise3(0.25, 0.5, 0.75), 0.0);
        EXPECT_EQ(noise.noise3(0.25, 0.5, 0.75), noise.noise3(0.25 + period, 0.5, 0.75 - period));
    }
    NoiseGenerator noise;
    EXPECT_THROW(noise.setPeriod(12), DemoError);
    EXPECT_THROW(noise.setPeriod(512), DemoError);
    EXPECT_THROW(noise.setPeriod(0), DemoError);
}

TEST(ColorRamp, TexelsOfTheBlueRamp) {
    const auto texels = gradientTexels();
    EXPECT_EQ(texels[0], 0xFF0B3274u);
    EXPECT_EQ(texels[64], 0xFF39619Du);
    EXPECT_EQ(texels[128], 0xFF658BC0u);
    EXPECT_EQ(texels[255], 0xFFC8E1FEu);
    for (std::size_t i = 1; i < texels.size(); ++i) {
        EXPECT_EQ(texels[i] >> 24, 0xFFu) << i;
        // Every channel rises from deep to pale blue.
        for (int shift : {0, 8, 16}) {
            EXPECT_GE((texels[i] >> shift) & 0xFF, (texels[i - 1] >> shift) & 0xFF) << i;
        }
    }
    // Off the curve's range the weights leave 0 .. 1; channels saturate instead of wrapping.
    const ColorBezier overshoot(0x00000000, 0xFFFFFFFF, 0x00000000, 0x00000000);
    EXPECT_EQ(overshoot.colorAt(2.0f), 0xFFFFFFFFu);  // every channel 6
    EXPECT_EQ(overshoot.colorAt(-1.0f), 0x00000000u); // every channel -12
    const ColorBezier fade(0x00000000, 0x00000000, 0x00000000, 0xFF804020);
    EXPECT_EQ(fade.colorAt(1.0f), 0xFF804020u);
    EXPECT_EQ(fade.colorAt(0.5f), 0x20100804u); // an eighth of c3
}
