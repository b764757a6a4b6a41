#pragma once

#include "model/MeshFileWriter.h"

#include <string>

// The head as glTF 2.0 binary, for other tools: the head as one mesh with every target as a
// morph target (position and normal offsets, the names in mesh.extras.targetNames, where common
// tools read them) and the static mesh as a second node. In metres, +y up, the face towards +z;
// the glazed parts are white through the vertex colours.
std::string encodeHeadGlb(const MeshFileImage& image);
