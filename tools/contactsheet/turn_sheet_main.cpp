// Renders the default head turned by the player's own path to the limits the turn is made for:
// yaw ±0.8, pitch ±0.5 and roll ±0.5 radians as a recording gives them, shown as the performer's
// reflection, from the front and from the side (head-turn-sheet.png). Run from the build
// directory (so data/ resolves) on a display, with the output directory as the only argument.
#include "ContactSheet.h"
#include "app/WindowSystem.h"
#include "play/HeadTurnSettings.h"
#include "render/Scene.h"

#include <QGuiApplication>
#include <QWindow>
#include <iostream>
#include <stdexcept>

namespace {

struct Pose {
    const char* label;
    HeadAngles angles;
};

const Pose poses[] = {
    {"at rest", {}},
    {"yaw +0.8", {0.8f, 0.0f, 0.0f}},
    {"yaw -0.8", {-0.8f, 0.0f, 0.0f}},
    {"pitch +0.5", {0.0f, 0.5f, 0.0f}},
    {"pitch -0.5", {0.0f, -0.5f, 0.0f}},
    {"roll +0.5", {0.0f, 0.0f, 0.5f}},
    {"roll -0.5", {0.0f, 0.0f, -0.5f}},
};

} // namespace

int main(int argc, char** argv) {
    const auto application = openWindowSystem<QGuiApplication>(argc, argv, "turnsheet");
    if (argc != 2) {
        std::cerr << "usage: turnsheet <output directory>\n";
        return 2;
    }
    try {
        const QDir out = outputDirectory(argv[1]);
        QWindow window;
        window.setSurfaceType(QSurface::OpenGLSurface);
        window.resize(backBufferSize.width, backBufferSize.height);
        Scene scene(WindowTarget{&window}, MorphPath::AllTargets);
        scene.setPose(std::vector<float>(scene.morphMesh().targetNames().size(), 0.0f));
        if (!scene.turnsHead())
            throw std::runtime_error("the head's mesh file does not say how it turns");
        std::vector<Tile> tiles;
        for (const bool side : {false, true}) {
            // The start view, or as far away from the head's right.
            const glm::vec3 target(0.0f, -10.0f, 0.0f);
            scene.camera().init(
                side ? glm::vec3(-450.0f, -10.0f, 0.0f) : glm::vec3(0.0f, -10.0f, 450.0f), target);
            for (const Pose& pose : poses) {
                scene.setHeadRotation(shownHeadRotation(pose.angles, HeadTurnSettings{}));
                tiles.push_back({renderedPicture(scene), QString::fromUtf8(pose.label)});
            }
        }
        savePicture(contactSheet(tiles, QRect(210, 60, 380, 500), 0.5, 7), out,
                    "head-turn-sheet.png");
    } catch (const std::exception& error) {
        std::cerr << "turnsheet: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
