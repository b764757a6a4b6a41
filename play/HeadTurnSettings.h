#pragma once

#include "common/HeadAngles.h"

#include <glm/gtc/quaternion.hpp>

// How the player shows a performer's head turn.
struct HeadTurnSettings {
    bool enabled = true;
    // As the performer's reflection: facing the viewer, the head turns, nods and tilts the way
    // a mirror shows them. Off: the performer's own motion, as someone facing them sees it.
    bool mirror = true;
    float scale = 1.0f; // of every angle of the turn
};

// The rotation of the drawn head for the head angles of a recording or a stream (the phone
// app's angles), in the head's axes.
glm::quat shownHeadRotation(const HeadAngles& recorded, const HeadTurnSettings& settings);
