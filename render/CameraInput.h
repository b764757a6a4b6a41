#pragma once

#include <cstdint>
#include <glm/glm.hpp>

// How mouse input moves the camera. Each handled pointer move while dragging turns the camera
// about the world's vertical axis by a fixed step per frame time, whatever the distance moved;
// each wheel message moves it along its viewing axis by a fixed step per frame time.

// Horizontal share of a move's direction that a drag needs before it turns anything.
inline constexpr double dragDeadZone = 0.001;
// Radians turned per handled move, per second of frame time.
inline constexpr double dragTurnRate = 0.5;
// Units travelled per wheel message, per second of frame time.
inline constexpr double wheelSpeed = 1000.0;

// The rotation for a move of (dx, dy) with the eye where it is: a turn to the right for a
// rightward move, to the left for a leftward one, and none for a vertical move, for an eye on
// the plane z = 0, or for a turn that would carry the eye further around the back.
glm::mat4 dragRotation(std::int32_t dx, std::int32_t dy, float frameTime, const glm::vec3& eye);

// Distance for one wheel message: toward the target for a positive delta, away otherwise.
float wheelDistance(std::int32_t delta, float frameTime);
