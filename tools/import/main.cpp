// mirelda-import MODEL DIR: writes DIR/data/meshes/headModelNew.dat and headModel.xml from a
// glTF 2.0 model (.glb or .gltf) with morph targets, and prints what it did.
#include "ImportError.h"
#include "ModelImporter.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mirelda-import MODEL DIR\n";
        return 2;
    }
    try {
        const ImportSummary summary = importModel(argv[1], argv[2]);
        for (const std::string& warning : summary.skippedAnimations)
            std::cerr << "mirelda-import: " << argv[1] << ": warning: " << warning << '\n';
        std::cout << formatSummary(summary);
    } catch (const std::exception& error) {
        std::cerr << "mirelda-import: " << argv[1] << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
