#pragma once

#include "model/MeshFileWriter.h"
#include "ui/MorphGroup.h"

#include <filesystem>
#include <string>
#include <vector>

// A named group of morph targets for the settings dialog's tree.
using TargetGroup = MorphGroup;

// Everything the demo reads about its head: the mesh file's contents (skin, lower teeth, tongue
// and eyeballs with their expression targets; the upper teeth as the static mesh) and the
// groups.
struct GeneratedHead {
    MeshFileImage meshFile;
    std::vector<TargetGroup> groups;
};

// Builds the head. Deterministic: the same bytes on every run.
GeneratedHead generateHead();

// Writes "headModelNew.dat" and "headModel.xml" for the demo (as one change, through
// writeDataFilePair) and "head.glb" for other tools into `directory`, creating it if needed.
void writeHeadFiles(const GeneratedHead& head, const std::filesystem::path& directory);
