#pragma once

#include "ModelImporter.h"

#include <filesystem>

// Writes the model's mesh and morph group files under directory/data/meshes/, creating the
// directories as needed, and records their paths in the summary: one change, as
// writeDataFilePair makes it. Throws ImportError, the directory then as it was.
void writeImportedModel(ImportedModel& model, const std::filesystem::path& directory);
