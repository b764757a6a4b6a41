#include "ui/WeightScale.h"

#include <locale>
#include <sstream>

float weightAtSliderPosition(int position) {
    return static_cast<float>(position) / static_cast<float>(weightSliderMaximum);
}

int sliderPositionOfWeight(float weight) {
    // A weight set from position p is p / 100 as a float, which may lie a hair below p / 100
    // (0.53f * 100 is 52.99999); plain truncation would then show the thumb one step too low.
    // The small bias keeps those round trips exact and still truncates real fractions.
    const float scaled = weight * static_cast<float>(weightSliderMaximum) + 1e-3f;
    if (!(scaled > 0.0f)) // negative or NaN
        return 0;
    if (scaled >= static_cast<float>(weightSliderMaximum))
        return weightSliderMaximum;
    return static_cast<int>(scaled);
}

std::string formatWeight(float weight) {
    std::ostringstream text;
    text.imbue(std::locale::classic()); // a decimal point, whatever the user's locale
    text << weight;
    return text.str();
}
