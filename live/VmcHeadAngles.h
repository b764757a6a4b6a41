#pragma once

#include "common/HeadAngles.h"

#include <glm/gtc/quaternion.hpp>

// The phone app's head angles for a VMC sender's Neck and Head local rotations.
//
// VMC rotations are in Unity's left-handed axes, x to the avatar's right, y up, z forward out
// of the face; the head's axes (common/HeadAngles.h) have x to the head's left. Mirroring x,
// S = diag(-1, 1, 1), carries one frame into the other, and a rotation R into S R S; for a
// quaternion that keeps w and x and negates y and z. The head's pose is the neck's rotation
// followed by the head's own, Neck * Head, and the phone's angles follow from that rotation
// as they do for a recording (a Unity turn to the avatar's right is a negative phone yaw, a
// nod down a negative pitch, a tilt to the left shoulder a negative roll).
HeadAngles vmcHeadAngles(const glm::quat& neck, const glm::quat& head);
