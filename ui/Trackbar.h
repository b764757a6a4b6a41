#pragma once

#include <QRect>
#include <QSlider>

// The slider that dialog templates build for a trackbar: a QSlider that can report where its
// thumb is drawn.
class Trackbar : public QSlider {
    Q_OBJECT

  public:
    Trackbar(Qt::Orientation orientation, QWidget* parent);

    // The thumb's rectangle in the slider's own coordinates, as its style draws it.
    QRect thumbRect() const;
};
