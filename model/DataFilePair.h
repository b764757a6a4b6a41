#pragma once

#include "model/MeshFileWriter.h"
#include "ui/MorphGroup.h"

#include <filesystem>
#include <vector>

class FileTransaction;

// The demo's two data files belong together: a mesh file beside another head's group file names
// targets that are not there. Both writers of the pair, the head generator and the importer,
// go through here.
inline constexpr const char* meshFileName = "headModelNew.dat";
inline constexpr const char* groupFileName = "headModel.xml";

// Adds the mesh file and the morph group file in `directory` (made as needed) to `transaction`,
// which writes them with whatever else it holds. Throws std::runtime_error.
void writeDataFilePair(FileTransaction& transaction, const std::filesystem::path& directory,
                       const MeshFileImage& meshFile, const std::vector<MorphGroup>& groups);

// Writes the pair as one change of its own. Throws std::runtime_error on a fault; the directory
// then holds the pair it held before (or nothing new), and directories made here are removed
// again.
void writeDataFilePair(const std::filesystem::path& directory, const MeshFileImage& meshFile,
                       const std::vector<MorphGroup>& groups);
