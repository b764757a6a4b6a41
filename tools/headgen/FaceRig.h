#pragma once

#include "TriangleMesh.h"

#include <cstdint>
#include <vector>

// The separate pieces of the head mesh, each a closed surface of its own.
enum class HeadPart : std::uint8_t { Skin, LowerTeeth, Tongue, Eyeball };

// The neutral head with what the expression targets need to know about each vertex.
struct FaceRig {
    TriangleMesh mesh;
    std::vector<Vec3> normals;
    std::vector<HeadPart> part;
    // How far each vertex follows the jaw, from 0 (skull, eyeballs) to 1 (chin, lower lip,
    // lower teeth, tongue).
    std::vector<double> jaw;
    // How much the skin targets may move each vertex: 0 for the lower teeth, the tongue, the
    // eyeballs and the inside of the mouth, which only the jaw and their own targets move, 1
    // for the skin.
    std::vector<double> skin;
};

// `part` names the piece that each vertex of `head` belongs to.
FaceRig buildFaceRig(TriangleMesh head, std::vector<HeadPart> part);
