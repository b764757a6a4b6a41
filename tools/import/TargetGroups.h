#pragma once

#include "ui/MorphGroup.h"

#include <string>
#include <vector>

// The settings dialog's groups for imported targets. ARKit-style names go by their prefix into
// Brows, Eyes, Cheeks, Nose, Jaw, Mouth and Tongue, in that order (browInnerUp, eyeBlinkLeft,
// jawOpen...); every other name goes to a group named after its glTF mesh, or "Other" when the
// mesh name is empty. targetMeshes[i] is the mesh of targetNames[i].
std::vector<MorphGroup> groupTargets(const std::vector<std::string>& targetNames,
                                     const std::vector<std::string>& targetMeshes);
