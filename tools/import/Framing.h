#pragma once

#include "MorphableMesh.h"

#include <glm/vec3.hpp>

// The demo's camera looks at (0, -10, 0) from +z; the generated head is 183 units tall.
inline constexpr glm::vec3 framedCentre{0.0f, -10.0f, 0.0f};
inline constexpr float framedHeight = 183.0f;

// One uniform scale and a translation that put the rest pose's bounding box of all the meshes
// centred on the camera's target with the generated head's height (its largest extent when it
// is flat in y). glTF's front, +z, already faces the camera.
struct Framing {
    float scale = 1.0f;
    glm::vec3 offset{0.0f}; // applied after scaling
};

// Throws ImportError when the meshes have no extent to frame.
Framing frameRestPose(const MorphableMesh& head, const MorphableMesh& staticMesh);

// Moves every position of the mesh, targets included; normals keep their direction.
void applyFraming(MorphableMesh& mesh, const Framing& framing);
