#pragma once

#include "model/MeshFileWriter.h"
#include "model/PoseError.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Which triangles of a mesh are glazed (the eyeballs and teeth): those whose vertices all have a
// fourth normal float of 1, or every one (the static mesh, which is drawn glazed throughout).
enum class Glaze { PerVertex, Everywhere };

// Builds a mesh's chain of coarser levels over the same vertices, each in the full mesh's
// triangle order (vertex cache, then outward surfaces first). The levels' allowed errors are
// relative to the mesh's size, so a head of any scale gets the chain of the one it is framed
// like. Each level is simplified from the full mesh at rest, then measured in every pose: where a
// target moves the skin so unevenly that the level would part from it (the lips and lids
// opening, the brows), the triangles around are simplified at a quarter of the error, then not
// at all, and the rest again around them, until every pose keeps to the bound. Open borders
// never move; glazed parts start at a quarter of the error, so that their small features (the
// pupil's dip, the teeth's edges) survive. A level's error is the largest distance measured in
// any pose; levels that save little are left out. `poses` holds the base (first) and each target
// of the mesh; the base's vertices carry the normal's fourth float at float 6.
DetailChain buildDetailChain(std::span<const std::int32_t> indices, const MeshPoses& poses,
                             Glaze glaze = Glaze::PerVertex);

// Fills both meshes' chains of the image; call it after the final vertex order is set.
void buildDetailChains(MeshFileImage& image);
