#pragma once

#include "HeadGenerator.h"
#include "LoadedHead.h"

#include <vector>

// The head is generated once per test binary and shared by the tests that only read it.
const GeneratedHead& generated();
const LoadedHead& loaded();

// The eyeballs are the two static parts about 14 units across; their centres, the
// character's left eye (+x) first.
std::vector<glm::dvec3> eyeCentres(const LoadedHead& head);

// The head at the given positions and the static mesh as one mesh, the head's vertices first.
MeshView combined(const std::vector<glm::dvec3>& headPositions, const LoadedHead& head);
