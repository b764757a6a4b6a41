#pragma once

#include "MorphableMesh.h"

#include <cstddef>

// Merges vertices equal in every stream, bit for bit (glTF splits vertices at texture seams,
// which the demo does not use), and drops vertices no triangle uses.
void weldVertices(MorphableMesh& mesh);

// Simplifies a mesh of more than `maxVertices` vertices until it has at most that many. The
// simplifier keeps a subset of the original vertices, so each kept vertex keeps its exact rest
// pose and targets. Throws ImportError when the mesh cannot be brought under the limit.
void reduceVertices(MorphableMesh& mesh, std::size_t maxVertices);
