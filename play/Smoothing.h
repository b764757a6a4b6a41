#pragma once

#include "play/OneEuroFilter.h"

#include <optional>
#include <string_view>

// How strongly the player smooths what it shows: --smooth off|light|default|strong. The head turn
// and the shapes have settings of their own: the shapes' weights run from 0 to 1 and flick
// faster than a head turns, in radians.
enum class Smoothing { Off, Light, Default, Strong };

std::optional<Smoothing> smoothingNamed(std::string_view name);

struct SmoothingSettings {
    OneEuroSettings shapes;
    OneEuroSettings headTurn;
};

// Nothing for Off.
std::optional<SmoothingSettings> smoothingSettings(Smoothing smoothing);
