#pragma once

#include <cstdint>

// The most targets the all-targets shader weighs at once: its weight array holds this many, which
// with its other constants fills the 16 KB every OpenGL 4.5 device allows a uniform block.
inline constexpr std::int32_t maxTargetsAtOnce = 4000;

// Every morph target of the head at once, in two buffer textures, for a vertex shader that
// visits only what moves its vertex. Most targets move a small part of the face (the generated
// head's vertices are moved by 5 targets on average, by at most 25 of 52), so the offsets are
// kept sparse and vertex-major:
// - `offsets`: one texel per (vertex, target) pair where the target visibly moves the vertex,
//   each vertex's together: its six offsets from the base as half floats, two a word, (position
//   x, y), (position z, normal x), (normal y, z), the first of each pair in the low half; the
//   fourth word the target's index. Half precision errs by under a thousandth of the offset.
// - `runs`: per vertex, where its texels start in `offsets` and how many there are.
// An offset is left out when its position moves less than a hundred-thousandth of the head's
// size and its normal turns less than 1e-4: invisible even with every target at full weight.
// Packed by model/TargetOffsetsPacking.h, uploaded by render/TargetOffsetsUpload.h.
struct TargetOffsets {
    std::int32_t runs;
    std::int32_t offsets;
    std::int32_t targetCount;
    // Drawn with the base stream (a position and a normal) and the head-turn weights.
    std::int32_t vertexDeclaration;
};
