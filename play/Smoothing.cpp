#include "play/Smoothing.h"

std::optional<Smoothing> smoothingNamed(std::string_view name) {
    if (name == "off")
        return Smoothing::Off;
    if (name == "light")
        return Smoothing::Light;
    if (name == "default")
        return Smoothing::Default;
    if (name == "strong")
        return Smoothing::Strong;
    return std::nullopt;
}

std::optional<SmoothingSettings> smoothingSettings(Smoothing smoothing) {
    // Set against a 60 Hz stream with a tracker's noise of about ±0.03 on a held weight: Default
    // takes out more than half of it while a blink (0 to 1 and back in a tenth of a second)
    // still closes the eye past 0.7.
    switch (smoothing) {
    case Smoothing::Off:
        return std::nullopt;
    case Smoothing::Light:
        return SmoothingSettings{{3.0f, 1.0f, 1.0f}, {2.0f, 1.0f, 1.0f}};
    case Smoothing::Default:
        return SmoothingSettings{{1.5f, 0.7f, 1.0f}, {1.0f, 0.5f, 1.0f}};
    case Smoothing::Strong:
        return SmoothingSettings{{0.7f, 0.3f, 1.0f}, {0.5f, 0.2f, 1.0f}};
    }
    return std::nullopt;
}
