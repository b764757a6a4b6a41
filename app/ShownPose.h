#pragma once

#include "app/PoseSource.h"
#include "play/HeadTurnSettings.h"

#include <string>
#include <vector>

class Scene;

// Puts the source's pose of the moment on the scene, as the player shows it: every target at its
// weight and the head turned by the settings; where the scene cannot draw every target, the
// seven strongest on its channels. pose is the buffer the weights pass through.
void showPose(const PoseSource& source, const HeadTurnSettings& headTurn,
              const std::vector<std::string>& targetNames, Scene& scene, std::vector<float>& pose);
