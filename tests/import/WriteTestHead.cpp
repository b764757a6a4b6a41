// Writes the importer's test head as a glTF model, for the end-to-end journey and the README's
// picture. Usage: write_test_head <path.glb|path.gltf> [rings segments targets]
#include "GltfModelBuilder.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::cerr << "usage: write_test_head <path.glb|path.gltf> [rings segments targets]\n";
        return 2;
    }
    TestHeadShape shape;
    if (argc == 5)
        shape = {std::stoi(argv[2]), std::stoi(argv[3]), std::stoi(argv[4])};
    makeTestHead(shape).write(argv[1]);
    return 0;
}
