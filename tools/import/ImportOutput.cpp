#include "ImportOutput.h"

#include "ImportError.h"
#include "model/DataFilePair.h"

#include <stdexcept>

void writeImportedModel(ImportedModel& model, const std::filesystem::path& directory) {
    const std::filesystem::path meshes = directory / "data" / "meshes";
    try {
        writeDataFilePair(meshes, model.meshFile, model.groups);
    } catch (const std::runtime_error& error) {
        throw ImportError(error.what());
    }
    model.summary.meshFile = meshes / meshFileName;
    model.summary.groupFile = meshes / groupFileName;
}
