#include "ImportOutput.h"

#include "ImportError.h"
#include "model/DataFilePair.h"
#include "model/FileTransaction.h"

#include <stdexcept>

void writeImportedModel(ImportedModel& model, const std::filesystem::path& directory) {
    const std::filesystem::path meshes = directory / "data" / "meshes";
    std::vector<std::filesystem::path> animationFiles;
    try {
        FileTransaction transaction;
        writeDataFilePair(transaction, meshes, model.meshFile, model.groups);
        animationFiles = writeMorphAnimations(transaction, model.animations, directory);
        transaction.commit();
    } catch (const std::runtime_error& error) {
        throw ImportError(error.what());
    }
    model.summary.meshFile = meshes / meshFileName;
    model.summary.groupFile = meshes / groupFileName;
    model.summary.animationFiles = std::move(animationFiles);
}
