#pragma once

#include "ModelImporter.h"

#include <filesystem>

// Writes the model's mesh and morph group files under directory/data/meshes/, creating the
// directories as needed, and records their paths in the summary. Both are written to
// temporary files first and renamed into place only when both are complete; on a fault the
// temporary files and any directory made here are removed again and ImportError is thrown.
void writeImportedModel(ImportedModel& model, const std::filesystem::path& directory);
