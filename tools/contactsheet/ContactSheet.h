#pragma once

#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

class Scene;

// One frame of the scene, drawn and read back.
QImage renderedPicture(Scene& scene);

struct Tile {
    QImage picture;
    QString label;
};

// Lays the tiles out in rows under their labels: each picture is cut to `crop` and scaled by
// `scale`.
QImage contactSheet(const std::vector<Tile>& tiles, const QRect& crop, double scale, int columns);

// The directory the pictures go to, created if needed; throws std::runtime_error when it cannot be.
QDir outputDirectory(const char* path);

// Writes the picture into the directory and says so on standard output; throws
// std::runtime_error when it cannot be written.
void savePicture(const QImage& picture, const QDir& directory, const QString& name);
