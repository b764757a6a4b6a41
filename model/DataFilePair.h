#pragma once

#include "model/MeshFileWriter.h"
#include "ui/MorphGroup.h"

#include <filesystem>
#include <vector>

// The demo's two data files belong together: a mesh file beside another head's group file names
// targets that are not there. Both writers of the pair, the head generator and the importer,
// go through here.
inline constexpr const char* meshFileName = "headModelNew.dat";
inline constexpr const char* groupFileName = "headModel.xml";

// Writes the mesh file and the morph group file into `directory`, creating it as needed, as one
// change: both are written to temporary files, then renamed into place. Throws
// std::runtime_error on a fault; the directory then holds the pair it held before (or nothing
// new), and directories made here are removed again.
void writeDataFilePair(const std::filesystem::path& directory, const MeshFileImage& meshFile,
                       const std::vector<MorphGroup>& groups);
