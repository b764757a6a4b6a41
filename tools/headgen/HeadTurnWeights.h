#pragma once

#include "FaceRig.h"

#include <vector>

// Where the generated head's skull turns on the neck: behind and below the ear canals.
inline constexpr Vec3 headTurnPivot{0.0, -32.0, -14.0};

// Each vertex's share of the head's turn: 1 for everything but the neck's skin, which falls
// smoothly from 1 where it meets the jaw and the skull to 0 at its cut end.
std::vector<float> headTurnWeights(const FaceRig& rig);
