#pragma once

#include <string>

// The weight slider runs 0..100; position p stands for the weight p / 100.
inline constexpr int weightSliderMaximum = 100;

float weightAtSliderPosition(int position);

// The position that shows a weight: truncated toward zero, clamped to the slider's range.
int sliderPositionOfWeight(float weight);

// The label text of a weight, as a default-formatted float stream writes it ("0", "0.5", "1").
std::string formatWeight(float weight);
