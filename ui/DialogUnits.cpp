#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <cmath>

namespace {

int scaled(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

} // namespace

DialogBaseUnits dialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    return {metrics.averageCharWidth(), metrics.height()};
}

QRect mapDialogRect(const QRect& dialogUnits, DialogBaseUnits base) {
    const int left = scaled(dialogUnits.x(), base.x, 4);
    const int top = scaled(dialogUnits.y(), base.y, 8);
    const int right = scaled(dialogUnits.x() + dialogUnits.width(), base.x, 4);
    const int bottom = scaled(dialogUnits.y() + dialogUnits.height(), base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}
