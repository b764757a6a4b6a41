// Compares the head drawn at the level of detail the demo picks with the same frame at full
// detail: the neutral head and every target at full weight from the start view, and the close-up
// of the face, which must be drawn at full detail. Prints per picture the head's triangles and
// the pixels that differ by more than 10 %, and writes a sheet of the coarse pictures with those
// pixels in red and one of the eyes enlarged at both details. Run from the build directory on a
// display, with the output directory as the only argument; exits 1 when a picture differs in more
// pixels than allowed.
#include "ContactSheet.h"
#include "HeadShots.h"
#include "app/WindowSystem.h"

#include <QDir>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>

namespace {

// More than 10 % of the full range in any colour channel.
constexpr int channelTolerance = 25;
constexpr int allowedPixelsOff = 150;

struct Comparison {
    QImage marked; // the coarse picture, differing pixels in red
    int pixelsOff = 0;
};

Comparison compare(const QImage& coarse, const QImage& full) {
    Comparison result{coarse.convertToFormat(QImage::Format_RGB32), 0};
    for (int y = 0; y < coarse.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(coarse.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(full.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.marked.scanLine(y));
        for (int x = 0; x < coarse.width(); ++x) {
            const int difference =
                std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                          std::abs(qBlue(a[x]) - qBlue(b[x]))});
            if (difference > channelTolerance) {
                ++result.pixelsOff;
                out[x] = qRgb(255, 0, 0);
            }
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const auto application = openWindowSystem<QGuiApplication>(argc, argv, "detailsheet");
    if (argc != 2) {
        std::cerr << "usage: detailsheet <output directory>\n";
        return 2;
    }
    try {
        const QDir out = outputDirectory(argv[1]);
        HeadShots shots;
        std::vector<std::pair<std::string, Pose>> poses{{"neutral", {}}};
        for (const std::string& name : shots.targetNames())
            poses.emplace_back(name, fullWeightPose(name));

        std::vector<Tile> tiles;
        std::vector<Tile> eyes;
        int worst = 0;
        std::printf("%-22s %10s %10s %11s\n", "start view", "triangles", "full", "pixels off");
        for (const auto& [label, pose] : poses) {
            shots.setFullDetail(true);
            const QImage full = shots.shot(pose);
            const std::int32_t fullTriangles = shots.headTriangles();
            shots.setFullDetail(false);
            const QImage coarse = shots.shot(pose);
            const Comparison comparison = compare(coarse, full);
            std::printf("%-22s %10d %10d %11d\n", label.c_str(), shots.headTriangles(),
                        fullTriangles, comparison.pixelsOff);
            worst = std::max(worst, comparison.pixelsOff);
            if (label == "neutral" || label == "eyeLookInLeft")
                for (const auto& [picture, detail] : {std::pair{full, "full"}, {coarse, "drawn"}})
                    eyes.push_back({picture, QString::fromStdString(label) + ", " + detail});
            tiles.push_back({comparison.marked, QString::fromStdString(label) + " (" +
                                                    QString::number(comparison.pixelsOff) + ")"});
        }

        shots.setFullDetail(true);
        shots.closeUp({});
        const std::int32_t closeFull = shots.headTriangles();
        shots.setFullDetail(false);
        shots.closeUp({});
        const std::int32_t closeDrawn = shots.headTriangles();
        std::printf("close-up of the face: %d of %d triangles\n", closeDrawn, closeFull);
        std::printf("most pixels off: %d (allowed %d)\n", worst, allowedPixelsOff);

        savePicture(contactSheet(tiles, QRect(190, 70, 420, 525), 0.6, 8), out, "detail-sheet.png");
        // The eyes four times enlarged: iris and pupil must survive the coarse level.
        savePicture(contactSheet(eyes, QRect(320, 280, 160, 40), 4.0, 2), out, "detail-eyes.png");
        return worst <= allowedPixelsOff && closeDrawn == closeFull ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "detailsheet: " << error.what() << '\n';
        return 1;
    }
}
