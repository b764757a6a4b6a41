#include "model/DataFilePair.h"

#include "model/FileTransaction.h"
#include "model/MorphGroupFileWriter.h"

namespace fs = std::filesystem;

void writeDataFilePair(FileTransaction& transaction, const fs::path& directory,
                       const MeshFileImage& meshFile, const std::vector<MorphGroup>& groups) {
    transaction.makeDirectories(directory);
    transaction.write(directory / groupFileName, encodeMorphGroupFile(groups));
    transaction.write(directory / meshFileName, encodeMeshFile(meshFile));
}

void writeDataFilePair(const fs::path& directory, const MeshFileImage& meshFile,
                       const std::vector<MorphGroup>& groups) {
    FileTransaction transaction;
    writeDataFilePair(transaction, directory, meshFile, groups);
    transaction.commit();
}
