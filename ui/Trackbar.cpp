#include "ui/Trackbar.h"

#include <QStyle>
#include <QStyleOptionSlider>

Trackbar::Trackbar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {}

QRect Trackbar::thumbRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}
