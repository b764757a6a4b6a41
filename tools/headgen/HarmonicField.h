#pragma once

#include <optional>
#include <vector>

// A field over the mesh's vertices that keeps the given values where they are fixed and is
// harmonic elsewhere: every free vertex holds the mean of its neighbours. It spreads a weight
// smoothly across the free region along the surface, so it respects gaps such as the mouth's
// that a falloff in space would jump. A free region that touches no fixed vertex stays 0.
std::vector<double> harmonicField(const std::vector<std::vector<int>>& neighbours,
                                  const std::vector<std::optional<double>>& fixed);
