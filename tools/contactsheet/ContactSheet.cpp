#include "ContactSheet.h"

#include "render/Scene.h"

#include <QPainter>
#include <iostream>
#include <stdexcept>

QImage contactSheet(const std::vector<Tile>& tiles, const QRect& crop, double scale, int columns) {
    const int width = static_cast<int>(crop.width() * scale);
    const int height = static_cast<int>(crop.height() * scale);
    const int labelHeight = 22;
    const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    QImage sheet(columns * width, rows * (height + labelHeight), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont font = painter.font();
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 60));
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const int column = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        const QRect cell(column * width, row * (height + labelHeight), width, height);
        painter.drawImage(cell, tiles[i].picture.copy(crop));
        painter.drawText(QRect(cell.left(), cell.bottom() + 1, width, labelHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter, tiles[i].label);
    }
    return sheet;
}

QDir outputDirectory(const char* path) {
    const QDir directory(QString::fromLocal8Bit(path));
    if (!QDir().mkpath(directory.path()))
        throw std::runtime_error("cannot create " + std::string(path));
    return directory;
}

void savePicture(const QImage& picture, const QDir& directory, const QString& name) {
    const QString path = directory.filePath(name);
    if (!picture.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
    std::cout << "wrote " << path.toStdString() << '\n';
}

QImage renderedPicture(Scene& scene) {
    scene.renderFrame(1.0f / 60.0f);
    const std::vector<std::uint32_t> pixels = scene.readBackBuffer();
    return QImage(reinterpret_cast<const uchar*>(pixels.data()), backBufferSize.width,
                  backBufferSize.height, QImage::Format_ARGB32)
        .copy();
}
