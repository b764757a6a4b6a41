#pragma once

#include "GltfScene.h"
#include "MorphableMesh.h"

#include <string>
#include <vector>

// The head: every primitive that has morph targets, in one mesh. Targets of the same name are
// one target; a primitive without a given target contributes its rest pose to it. Targets keep
// the order in which the scene first names them.
struct AssembledHead {
    MorphableMesh mesh;
    std::vector<std::string> targetMeshes; // per target, the mesh that first names it
};
// The targets' data is moved out of the primitives.
AssembledHead assembleHead(std::vector<ScenePrimitive>& primitives);

// The static mesh: every primitive without morph targets, in one mesh. Each stream kind any
// part has is in the result; a part without one gives zeros there.
MorphableMesh assembleStatic(std::vector<ScenePrimitive>& primitives);
