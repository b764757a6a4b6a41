#pragma once

#include <array>
#include <glm/gtc/quaternion.hpp>
#include <vector>

// How a head turns with the performer: a vertex at v goes to p + R(w) (v - p), p the pivot and
// R(w) the head's rotation scaled by the vertex's own weight w: 1 for the skull, the face and
// what lies inside it, 0 at the neck's cut, rising smoothly between so that the neck bends.
struct HeadTurn {
    std::array<float, 3> pivot{};
    std::vector<float> headWeights;   // one per head vertex, in 0..1
    std::vector<float> staticWeights; // one per static vertex, in 0..1
};

// Where v goes with `weight` of the head's rotation about `pivot`, as the shaders turn it: the
// share taken of the angle (from the identity along the shortest way), never of a matrix.
inline glm::vec3 turnedPoint(const glm::vec3& v, const glm::vec3& pivot, const glm::quat& rotation,
                             float weight) {
    const glm::quat shortest = rotation.w < 0.0f ? -rotation : rotation;
    const glm::quat share = glm::slerp(glm::quat(1.0f, 0.0f, 0.0f, 0.0f), shortest, weight);
    return pivot + share * (v - pivot);
}
