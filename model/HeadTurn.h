#pragma once

#include <array>
#include <vector>

// How a head turns with the performer: a vertex at v goes to p + R(w) (v - p), p the pivot and
// R(w) the head's rotation scaled by the vertex's own weight w: 1 for the skull, the face and
// what lies inside it, 0 at the neck's cut, rising smoothly between so that the neck bends.
struct HeadTurn {
    std::array<float, 3> pivot{};
    std::vector<float> headWeights;   // one per head vertex, in 0..1
    std::vector<float> staticWeights; // one per static vertex, in 0..1
};
