// Smoothing and the neutral pose: what a person sees of a jittery stream and of a face whose
// rest is not zero.
#include "play/NeutralPose.h"
#include "play/OneEuroFilter.h"
#include "play/Smoothing.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr float frame = 1.0f / 60.0f;

OneEuroSettings shapeSettings(Smoothing level) {
    return smoothingSettings(level)->shapes;
}

// The largest distance of the filtered values from `centre` over the last half of a second of a
// held value with tracker noise of ±noise.
float jitterOfHeldValue(OneEuroSettings settings, float centre, float noise) {
    OneEuroFilter filter(settings);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> offset(-noise, noise);
    float worst = 0.0f;
    for (int sample = 0; sample < 120; ++sample) {
        const float shown = filter.filter(centre + offset(random), frame);
        if (sample >= 90)
            worst = std::max(worst, std::fabs(shown - centre));
    }
    return worst;
}

// The highest the filtered value gets during a blink: 0 to 1 and back to 0 in six frames.
float peakOfBlink(OneEuroSettings settings) {
    OneEuroFilter filter(settings);
    for (int sample = 0; sample < 30; ++sample)
        filter.filter(0.0f, frame);
    float peak = 0.0f;
    for (const float weight : {0.33f, 0.67f, 1.0f, 1.0f, 0.67f, 0.33f, 0.0f})
        peak = std::max(peak, filter.filter(weight, frame));
    return peak;
}

} // namespace

TEST(OneEuroFilterTest, StartsAtItsFirstSampleSettlesOnAHeldValueAndIgnoresZeroTime) {
    OneEuroFilter filter(shapeSettings(Smoothing::Default));
    EXPECT_EQ(filter.filter(0.4f, frame), 0.4f) << "the first sample passes as it is";
    filter.filter(1.0f, frame);
    const float before = filter.value();
    EXPECT_EQ(filter.filter(0.0f, 0.0f), before) << "no time, no change";
    EXPECT_EQ(filter.filter(0.0f, -frame), before);
    for (int sample = 0; sample < 300; ++sample)
        filter.filter(0.75f, frame);
    EXPECT_NEAR(filter.value(), 0.75f, 1e-4f);
}

TEST(OneEuroFilterTest, SpeedOpensTheFilterSoFastMotionLagsLess) {
    // A steady ramp: with beta the filter follows closer than the same filter without it.
    const auto lagOnRamp = [](OneEuroSettings settings) {
        OneEuroFilter filter(settings);
        float value = 0.0f;
        for (int sample = 0; sample < 60; ++sample)
            filter.filter(value += 0.05f, frame);
        return value - filter.value();
    };
    OneEuroSettings adaptive = shapeSettings(Smoothing::Default);
    OneEuroSettings fixed = adaptive;
    fixed.beta = 0.0f;
    EXPECT_LT(lagOnRamp(adaptive), 0.5f * lagOnRamp(fixed));
}

TEST(SmoothingTest, EachLevelStillsAHeldFaceMoreThanTheOneBeforeAndKeepsABlink) {
    // The tracker's noise on a held expression: about ±0.03 on a weight.
    float unsmoothedJitter = 0.03f;
    float previous = unsmoothedJitter;
    for (const Smoothing level : {Smoothing::Light, Smoothing::Default, Smoothing::Strong}) {
        const float jitter = jitterOfHeldValue(shapeSettings(level), 0.5f, 0.03f);
        EXPECT_LT(jitter, previous) << "level " << static_cast<int>(level);
        previous = jitter;
    }
    EXPECT_LT(jitterOfHeldValue(shapeSettings(Smoothing::Default), 0.5f, 0.03f),
              0.5f * unsmoothedJitter);
    EXPECT_GT(peakOfBlink(shapeSettings(Smoothing::Light)), 0.85f);
    EXPECT_GT(peakOfBlink(shapeSettings(Smoothing::Default)), 0.7f) << "the eye still closes";
    EXPECT_FALSE(smoothingSettings(Smoothing::Off));
    EXPECT_EQ(smoothingNamed("strong"), Smoothing::Strong);
    EXPECT_FALSE(smoothingNamed("Default")) << "the names are the option's own";
}

TEST(NeutralPoseTest, ShapesStartAtTheirRestAndStillReachOneAndTheTurnIsMeasuredFromRest) {
    NeutralPose neutral;
    std::vector<float> untouched{0.3f, 0.0f};
    neutral.apply(untouched);
    EXPECT_EQ(untouched, (std::vector<float>{0.3f, 0.0f})) << "nothing taken, nothing changed";

    neutral.take({0.2f, 0.0f, 1.0f}, HeadAngles{0.1f, 0.3f, -0.05f});
    struct Case {
        std::vector<float> weights;
        std::vector<float> shown;
    };
    for (const Case& c : std::vector<Case>{{{0.2f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f}},
                                           {{1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 0.0f}},
                                           {{0.6f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.0f}},
                                           {{0.1f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}}}) {
        std::vector<float> weights = c.weights;
        neutral.apply(weights);
        for (std::size_t target = 0; target < weights.size(); ++target)
            EXPECT_NEAR(weights[target], c.shown[target], 1e-6f)
                << "target " << target << " at " << c.weights[target];
    }
    const HeadAngles turned = neutral.apply(HeadAngles{0.1f, 0.5f, 0.0f});
    EXPECT_NEAR(turned.yaw, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.pitch, 0.2f, 1e-6f);
    EXPECT_NEAR(turned.roll, 0.05f, 1e-6f);

    neutral.clear();
    std::vector<float> cleared{0.6f};
    neutral.apply(cleared);
    EXPECT_EQ(cleared[0], 0.6f);
}
