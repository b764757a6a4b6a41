#pragma once

#include "TriangleMesh.h"

#include <cstddef>
#include <vector>

// The neutral head with what the expression targets need to know about each vertex.
struct FaceRig {
    TriangleMesh mesh;
    std::vector<Vec3> normals;
    // How far each vertex follows the jaw, from 0 (skull) to 1 (chin, lower lip, lower teeth).
    std::vector<double> jaw;
    // How much the skin targets may move each vertex: 0 for the lower teeth and the inside of
    // the mouth, which only the jaw moves, 1 for the skin.
    std::vector<double> skin;
};

// `head` holds the skin first and the lower teeth from `lowerTeethStart` on.
FaceRig buildFaceRig(TriangleMesh head, std::size_t lowerTeethStart);
