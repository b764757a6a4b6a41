// Renders the default head through the demo's scene into pictures for the documentation:
// contact sheets of every expression target from the front and from the side, the neutral head
// and three expressions. Run from the build directory (so data/ resolves) on a display, with
// the output directory as the only argument.
#include "ContactSheet.h"
#include "HeadShots.h"

#include <QDir>
#include <QGuiApplication>
#include <exception>
#include <iostream>

namespace {

void save(const QImage& image, const QDir& directory, const QString& name) {
    const QString path = directory.filePath(name);
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
    std::cout << "wrote " << path.toStdString() << '\n';
}

std::vector<Tile> everyTarget(HeadShots& shots, float yaw) {
    std::vector<Tile> tiles{{shots.shot({}, yaw), "neutral"}};
    for (const std::string& name : shots.targetNames())
        tiles.push_back({shots.shot({{name, 1.0f}}, yaw), QString::fromStdString(name)});
    return tiles;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: contactsheet <output directory>\n";
        return 2;
    }
    try {
        const QDir out(QString::fromLocal8Bit(argv[1]));
        if (!QDir().mkpath(out.path()))
            throw std::runtime_error("cannot create " + std::string(argv[1]));
        HeadShots shots;
        // The head fills the middle of the frame; the sheets show that part.
        const QRect headArea(190, 70, 420, 525);
        save(contactSheet(everyTarget(shots, 0.0f), headArea, 0.6, 8), out, "contact-sheet.png");
        save(contactSheet(everyTarget(shots, 90.0f), headArea, 0.6, 8), out,
             "contact-sheet-side.png");

        save(shots.shot({}), out, "head-neutral.png");
        save(shots.shot({{"mouthSmileLeft", 1.0f},
                         {"mouthSmileRight", 1.0f},
                         {"cheekSquintLeft", 0.8f},
                         {"cheekSquintRight", 0.8f},
                         {"eyeSquintLeft", 0.5f},
                         {"eyeSquintRight", 0.5f},
                         {"jawOpen", 0.15f}}),
             out, "head-smile.png");
        save(shots.shot({{"jawOpen", 0.7f},
                         {"browInnerUp", 1.0f},
                         {"browOuterUpLeft", 1.0f},
                         {"browOuterUpRight", 1.0f},
                         {"eyeWideLeft", 1.0f},
                         {"eyeWideRight", 1.0f},
                         {"mouthFunnel", 0.4f}}),
             out, "head-surprise.png");
        save(shots.shot({{"eyeBlinkLeft", 1.0f},
                         {"mouthSmileLeft", 0.8f},
                         {"cheekSquintLeft", 1.0f},
                         {"browDownLeft", 0.4f},
                         {"noseSneerLeft", 0.3f},
                         {"mouthDimpleLeft", 0.5f},
                         {"browOuterUpRight", 0.5f}},
                        25.0f),
             out, "head-wink.png");
    } catch (const std::exception& error) {
        std::cerr << "contactsheet: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
