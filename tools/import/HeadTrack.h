#pragma once

#include "HeadJoints.h"
#include "Keyframes.h"
#include "common/HeadAngles.h"

#include <cstddef>
#include <glm/gtc/quaternion.hpp>
#include <optional>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// A joint's animated rotation: keyframe times (strictly increasing) and unit quaternions, one per
// keyframe, or (in-tangent, value, out-tangent) per keyframe for a cubic spline. Before the
// first keyframe and after the last, the curve holds their values.
struct RotationCurve {
    Interpolation interpolation = Interpolation::Linear;
    std::vector<float> times;
    std::vector<glm::quat> values;

    glm::quat at(float seconds) const;
};

// How an animation turns the head: its curves on the neck and head joints (none: the joint
// holds its rest rotation) and the rest rotations around them, so that each frame gives the
// head's rotation relative to its rest pose in the scene's axes, which are the head's own
// (+x its left, +y up, +z out of the face).
struct HeadTrack {
    std::optional<RotationCurve> neck;
    std::optional<RotationCurve> head;
    glm::quat neckRest{1, 0, 0, 0}; // local rest rotations
    glm::quat headRest{1, 0, 0, 0};
    glm::quat between{1, 0, 0, 0}; // the rest chain below the neck down to the head's parent
    glm::quat above{1, 0, 0, 0};   // the scene rotation of the chain's top's parent

    float duration() const;
    glm::quat rotationAt(float seconds) const;
    // As a recording writes them (recordingAnglesOfHeadRotation).
    HeadAngles recordingAnglesAt(float seconds) const;
};

// The animation's rotation channels on the head and neck joints as a track, none when it has
// neither. Throws ImportError naming `what` for a channel or sampler that does not make a curve.
std::optional<HeadTrack> readHeadTrack(const tinygltf::Model& model,
                                       const tinygltf::Animation& animation,
                                       const HeadJoints& joints, const std::string& what);
