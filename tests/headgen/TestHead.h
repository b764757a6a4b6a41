#pragma once

#include "HeadGenerator.h"
#include "LoadedHead.h"

#include <vector>

// The head is generated once per test binary and shared by the tests that only read it.
const GeneratedHead& generated();
const LoadedHead& loaded();

// The eyeballs are the two closed parts of the head about 14 units across: their triangles, and
// their centres in the neutral head, the character's left eye (+x) first.
std::vector<std::vector<std::size_t>> eyeballs(const LoadedHead& head);
std::vector<glm::dvec3> eyeCentres(const LoadedHead& head);

// The head at the given positions and the static mesh as one mesh, the head's vertices first.
MeshView combined(const std::vector<glm::dvec3>& headPositions, const LoadedHead& head);
