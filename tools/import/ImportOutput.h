#pragma once

#include "ModelImporter.h"

#include <filesystem>

// Writes the model's mesh and morph group files under directory/data/meshes/ and its animations
// under directory/data/animations/, removing those an earlier import left there, creating the
// directories as needed, and records the paths in the summary: one change, all of it or
// nothing. Throws ImportError, the directory then as it was.
void writeImportedModel(ImportedModel& model, const std::filesystem::path& directory);
