#pragma once

#include "FaceRig.h"

#include <string>
#include <vector>

// One morph target: the head's vertices in that expression, as absolute positions.
struct ExpressionTarget {
    std::string name;
    std::string group;
    std::vector<Vec3> positions;
};

// The named groups in the order the settings dialog lists them.
const std::vector<std::string>& expressionGroups();

// Every expression of the head, named as the widely used face-tracking blend shapes ("Left"
// is the character's left, +x). A Right target is the exact mirror image of its Left partner.
std::vector<ExpressionTarget> buildExpressionTargets(const FaceRig& rig);
