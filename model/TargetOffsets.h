#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class HeadMesh;
class RenderDevice;

// Every morph target of the head at once: how far each target moves each vertex's position and
// normal from the base, in one buffer texture. Vertex-major: texel v * targetCount + t holds
// what target t does to vertex v, so a vertex shader reads one short run per vertex, one texel a
// target. The six offsets are half floats, two a word: (position x, y), (position z, normal x),
// (normal y, z), the first of each pair in the low half. Half precision errs by under a
// thousandth of the offset, far below a pixel, and halves the memory and the reads.
struct TargetOffsets {
    std::int32_t texture;
    std::int32_t targetCount;
    // Drawn with the base stream alone: a position and a normal.
    std::int32_t vertexDeclaration;
};

// The texture for the head's targets in the order of the names given (each name's last block in
// the file, as the seven-channel path has it). Nothing when it would be larger than the device's
// largest buffer texture.
std::optional<TargetOffsets> buildTargetOffsets(const HeadMesh& headMesh,
                                                const std::vector<std::string>& targetOrder,
                                                RenderDevice& device);
