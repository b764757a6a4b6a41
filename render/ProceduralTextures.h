#pragma once

// The two textures computed at start-up: the noise volume and the blue colour ramp.
#include "render/ColorRamp.h"
#include "render/NoiseGenerator.h"
#include "render/NoiseVolume.h"
