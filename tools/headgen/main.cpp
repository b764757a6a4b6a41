// Writes the demo's head: headModelNew.dat, headModel.xml and head.glb into the directory
// given as the only argument.
#include "HeadGenerator.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: headgen <output directory>\n";
        return 2;
    }
    try {
        writeHeadFiles(generateHead(), argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "headgen: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
