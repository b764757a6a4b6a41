#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

struct Tile {
    QImage picture;
    QString label;
};

// Lays the tiles out in rows under their labels: each picture is cut to `crop` and scaled by
// `scale`.
QImage contactSheet(const std::vector<Tile>& tiles, const QRect& crop, double scale, int columns);
