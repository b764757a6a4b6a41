#pragma once

#include <glm/gtc/quaternion.hpp>

// A face-capture recording's head pose as three angles in radians, and the rotation they make in
// the head's own axes: +x the head's left, +y up, +z out of the face (a glTF model faces +z the
// same way). The rotation is yaw about y, then pitch about x, then roll about z, each by the
// right-hand rule, applied in that order to the head: R = Ry(yaw) Rx(pitch) Rz(roll).
struct HeadAngles {
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
};

inline glm::quat headRotation(const HeadAngles& angles) {
    return glm::angleAxis(angles.yaw, glm::vec3(0.0f, 1.0f, 0.0f)) *
           glm::angleAxis(angles.pitch, glm::vec3(1.0f, 0.0f, 0.0f)) *
           glm::angleAxis(angles.roll, glm::vec3(0.0f, 0.0f, 1.0f));
}

// The angles whose rotation is `rotation` (a unit quaternion); pitch stays within ±π/2.
HeadAngles headAnglesOf(const glm::quat& rotation);

// A recording's HeadYaw, HeadPitch and HeadRoll as the phone app writes them and streams them
// describe the performer: a positive yaw turns to their own left and a positive roll tilts the
// head to their right shoulder, as the right-hand rotations above do, but a positive pitch
// looks up, the opposite of a right-hand turn about the head's left. These two are the one
// place that tells the app's angles from the head's rotation; the player and the importer's
// recordings both go through them.
glm::quat headRotationOfRecordingAngles(const HeadAngles& recorded);
HeadAngles recordingAnglesOfHeadRotation(const glm::quat& rotation);
