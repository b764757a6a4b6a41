// Writes the importer's test head as a glTF model, for the end-to-end journey, the README's
// picture and the import timing. Usage:
//     write_test_head <path.glb|path.gltf> [rings segments targets [meshopt|draco|skinned]]
#include "CompressedGltf.h"
#include "GltfModelBuilder.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string form = argc == 6 ? argv[5] : "";
    if ((argc != 2 && argc != 5 && argc != 6) ||
        (argc == 6 && form != "meshopt" && form != "draco" && form != "skinned")) {
        std::cerr << "usage: write_test_head <path.glb|path.gltf> [rings segments targets "
                     "[meshopt|draco|skinned]]\n";
        return 2;
    }
    TestHeadShape shape;
    if (argc >= 5)
        shape = {std::stoi(argv[2]), std::stoi(argv[3]), std::stoi(argv[4]), form == "skinned"};
    GltfModelBuilder head = makeTestHead(shape);
    if (form.empty() || form == "skinned") {
        head.write(argv[1]);
        return 0;
    }
    const std::string bytes = form == "meshopt" ? meshoptGlb(head.model()) : dracoGlb(head.model());
    std::ofstream(argv[1], std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return 0;
}
