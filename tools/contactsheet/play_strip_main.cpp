// Writes a short sample performance as a face-capture recording (sample-take.csv) and a strip of
// the head playing it (play-strip.png), through the player's own reader, binding, all-targets
// path and head turn. Run from the build directory (so data/ resolves) on a display, with the
// output directory as the only argument.
#include "ContactSheet.h"
#include "app/WindowSystem.h"
#include "play/HeadTurnSettings.h"
#include "play/Playback.h"
#include "play/Recording.h"
#include "render/Scene.h"

#include <QDir>
#include <QGuiApplication>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

namespace {

constexpr int framesPerSecond = 30;
constexpr int frameCount = 4 * framesPerSecond;
constexpr double pi = 3.14159265358979;

// A bump from 0 up to `peak` and back, over [start, end) seconds.
float bump(double t, double start, double end, float peak) {
    if (t < start || t >= end)
        return 0.0f;
    return peak * static_cast<float>(std::sin(pi * (t - start) / (end - start)));
}

struct Curve {
    const char* column;
    float (*weight)(double t);
};

// A smile that grows into a spoken "oh", a blink, raised brows and a sneer on the way back; the
// head turns to the performer's left with the smile, nods with the "oh" and tilts with the sneer
// (radians, as the phone app writes them).
const Curve curves[] = {
    {"MouthSmileLeft", [](double t) { return bump(t, 0.0, 2.0, 0.9f); }},
    {"MouthSmileRight", [](double t) { return bump(t, 0.1, 2.0, 0.8f); }},
    {"CheekSquintLeft", [](double t) { return bump(t, 0.2, 2.0, 0.6f); }},
    {"CheekSquintRight", [](double t) { return bump(t, 0.2, 2.0, 0.6f); }},
    {"JawOpen", [](double t) { return bump(t, 1.2, 3.0, 0.7f); }},
    {"MouthFunnel", [](double t) { return bump(t, 1.6, 3.0, 0.8f); }},
    {"MouthPucker", [](double t) { return bump(t, 1.8, 3.0, 0.5f); }},
    {"EyeBlinkLeft", [](double t) { return bump(t, 0.9, 1.2, 1.0f); }},
    {"EyeBlinkRight", [](double t) { return bump(t, 0.9, 1.2, 1.0f); }},
    {"BrowInnerUp", [](double t) { return bump(t, 1.4, 3.2, 0.9f); }},
    {"BrowOuterUpLeft", [](double t) { return bump(t, 1.5, 3.2, 0.7f); }},
    {"BrowOuterUpRight", [](double t) { return bump(t, 1.5, 3.2, 0.7f); }},
    {"EyeWideLeft", [](double t) { return bump(t, 1.6, 3.0, 0.6f); }},
    {"EyeWideRight", [](double t) { return bump(t, 1.6, 3.0, 0.6f); }},
    {"NoseSneerLeft", [](double t) { return bump(t, 2.8, 4.0, 0.8f); }},
    {"MouthUpperUpLeft", [](double t) { return bump(t, 2.8, 4.0, 0.6f); }},
    {"EyeSquintLeft", [](double t) { return bump(t, 2.9, 4.0, 0.5f); }},
    {"HeadYaw", [](double t) { return bump(t, 0.0, 2.2, 0.4f); }},
    {"HeadPitch", [](double t) { return bump(t, 1.4, 3.2, -0.2f); }},
    {"HeadRoll", [](double t) { return bump(t, 2.6, 4.0, 0.25f); }},
};

void writeTake(const QString& path) {
    std::ofstream out(path.toStdString(), std::ios::trunc);
    out << "Timecode,BlendShapeCount";
    for (const Curve& curve : curves)
        out << ',' << curve.column;
    out << '\n';
    for (int frame = 0; frame < frameCount; ++frame) {
        char timecode[32];
        std::snprintf(timecode, sizeof timecode, "12:00:%02d:%02d.000", frame / framesPerSecond,
                      frame % framesPerSecond);
        out << timecode << ',' << std::size(curves);
        const double t = static_cast<double>(frame) / framesPerSecond;
        for (const Curve& curve : curves)
            out << ',' << std::round(curve.weight(t) * 1000.0f) / 1000.0f;
        out << '\n';
    }
    if (!out)
        throw std::runtime_error("cannot write " + path.toStdString());
    std::cout << "wrote " << path.toStdString() << '\n';
}

QImage frameAt(Scene& scene, Playback& playback, double seconds) {
    playback.advance(seconds - playback.time());
    std::vector<float> pose;
    playback.pose(pose);
    scene.setPose(pose);
    if (const std::optional<HeadAngles> angles = playback.headAngles())
        scene.setHeadRotation(shownHeadRotation(*angles, HeadTurnSettings{}));
    return renderedPicture(scene);
}

} // namespace

int main(int argc, char** argv) {
    const auto application = openWindowSystem<QGuiApplication>(argc, argv, "playstrip");
    if (argc != 2) {
        std::cerr << "usage: playstrip <output directory>\n";
        return 2;
    }
    try {
        const QDir out(QString::fromLocal8Bit(argv[1]));
        if (!QDir().mkpath(out.path()))
            throw std::runtime_error("cannot create " + std::string(argv[1]));
        const QString takePath = out.filePath("sample-take.csv");
        writeTake(takePath);

        QWindow window;
        window.setSurfaceType(QSurface::OpenGLSurface);
        window.resize(backBufferSize.width, backBufferSize.height);
        Scene scene(WindowTarget{&window}, MorphPath::AllTargets);
        Playback playback(readRecording(takePath.toStdString()), scene.morphMesh().targetNames());
        std::vector<Tile> tiles;
        for (const double seconds : {0.0, 0.6, 1.05, 1.8, 2.4, 3.3}) {
            tiles.push_back(
                {frameAt(scene, playback, seconds), QString::number(seconds, 'f', 2) + " s"});
        }
        const QString stripPath = out.filePath("play-strip.png");
        if (!contactSheet(tiles, QRect(250, 120, 300, 380), 0.6, 6).save(stripPath))
            throw std::runtime_error("cannot write " + stripPath.toStdString());
        std::cout << "wrote " << stripPath.toStdString() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "playstrip: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
