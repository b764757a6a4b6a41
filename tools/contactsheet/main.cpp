// Renders the default head through the demo's scene into pictures for the documentation:
// contact sheets of every expression target from the front, from the side and close in front of
// the face, the neutral head and five expressions. Run from the build directory (so data/ resolves)
// on a display, with the output directory as the only argument.
#include "ContactSheet.h"
#include "HeadShots.h"
#include "app/WindowSystem.h"

#include <QDir>
#include <QGuiApplication>
#include <exception>
#include <iostream>

namespace {

QString label(const std::string& name) {
    return QString::fromStdString(name == "mouthClose" ? "jawOpen + mouthClose" : name);
}

std::vector<Tile> everyTarget(HeadShots& shots, float yaw) {
    std::vector<Tile> tiles{{shots.shot({}, yaw), "neutral"}};
    for (const std::string& name : shots.targetNames())
        tiles.push_back({shots.shot(fullWeightPose(name), yaw), label(name)});
    return tiles;
}

std::vector<Tile> everyTargetClose(HeadShots& shots) {
    std::vector<Tile> tiles{{shots.closeUp({}), "neutral"}};
    for (const std::string& name : shots.targetNames())
        tiles.push_back({shots.closeUp(fullWeightPose(name)), label(name)});
    return tiles;
}

} // namespace

int main(int argc, char** argv) {
    const auto application = openWindowSystem<QGuiApplication>(argc, argv, "contactsheet");
    if (argc != 2) {
        std::cerr << "usage: contactsheet <output directory>\n";
        return 2;
    }
    try {
        const QDir out = outputDirectory(argv[1]);
        HeadShots shots;
        // The head fills the middle of the frame; the sheets show that part.
        const QRect headArea(190, 70, 420, 525);
        savePicture(contactSheet(everyTarget(shots, 0.0f), headArea, 0.6, 8), out,
                    "contact-sheet.png");
        savePicture(contactSheet(everyTarget(shots, 90.0f), headArea, 0.6, 8), out,
                    "contact-sheet-side.png");

        // From close in front: the face from the brows to the chin.
        savePicture(contactSheet(everyTargetClose(shots), QRect(160, 15, 480, 570), 0.5, 8), out,
                    "contact-sheet-face.png");

        savePicture(shots.shot({}), out, "head-neutral.png");
        savePicture(shots.shot({{"mouthSmileLeft", 1.0f},
                                {"mouthSmileRight", 1.0f},
                                {"cheekSquintLeft", 0.8f},
                                {"cheekSquintRight", 0.8f},
                                {"eyeSquintLeft", 0.5f},
                                {"eyeSquintRight", 0.5f},
                                {"jawOpen", 0.15f}}),
                    out, "head-smile.png");
        savePicture(shots.shot({{"jawOpen", 0.7f},
                                {"browInnerUp", 1.0f},
                                {"browOuterUpLeft", 1.0f},
                                {"browOuterUpRight", 1.0f},
                                {"eyeWideLeft", 1.0f},
                                {"eyeWideRight", 1.0f},
                                {"mouthFunnel", 0.4f}}),
                    out, "head-surprise.png");
        savePicture(shots.shot({{"eyeBlinkLeft", 1.0f},
                                {"mouthSmileLeft", 0.8f},
                                {"cheekSquintLeft", 1.0f},
                                {"browDownLeft", 0.4f},
                                {"noseSneerLeft", 0.3f},
                                {"mouthDimpleLeft", 0.5f},
                                {"browOuterUpRight", 0.5f}},
                               25.0f),
                    out, "head-wink.png");
        savePicture(shots.closeUp({{"eyeLookInLeft", 1.0f},
                                   {"eyeLookOutRight", 1.0f},
                                   {"eyeLookUpLeft", 0.4f},
                                   {"eyeLookUpRight", 0.4f},
                                   {"browOuterUpRight", 0.6f},
                                   {"mouthLeft", 0.5f},
                                   {"mouthSmileRight", 0.4f}}),
                    out, "head-gaze.png");
        savePicture(shots.closeUp({{"tongueOut", 1.0f},
                                   {"jawOpen", 0.25f},
                                   {"eyeSquintLeft", 0.6f},
                                   {"eyeSquintRight", 0.6f},
                                   {"browInnerUp", 0.5f},
                                   {"noseSneerLeft", 0.4f},
                                   {"noseSneerRight", 0.4f}}),
                    out, "head-tongue.png");
    } catch (const std::exception& error) {
        std::cerr << "contactsheet: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
