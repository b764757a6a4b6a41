#pragma once

#include "MorphableMesh.h"

#include <glm/vec3.hpp>

// The demo's camera looks at (0, -10, 0) from +z with a 4:3 picture; the generated head is 183
// units tall and leaves a margin around it, the same margin on the sides as 244 units wide.
inline constexpr glm::vec3 framedCentre{0.0f, -10.0f, 0.0f};
inline constexpr float framedHeight = 183.0f;
inline constexpr float framedWidth = framedHeight * 4.0f / 3.0f;

// One uniform scale and a translation that fit the box of the head's rest pose and every one
// of its targets into framedWidth by framedHeight, centred on the camera's target: the whole
// face and all of its motion stay in the picture. The rest of the model (a body, a hat) is moved
// the same way and may leave the picture. glTF's front, +z, already faces the camera.
struct Framing {
    float scale = 1.0f;
    glm::vec3 offset{0.0f}; // applied after scaling
};

// Throws ImportError when the head has no extent to frame.
Framing frameHead(const MorphableMesh& head);

// Moves every position of the mesh, targets included; normals keep their direction.
void applyFraming(MorphableMesh& mesh, const Framing& framing);
