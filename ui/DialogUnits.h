#pragma once

#include <QFont>
#include <QRect>

// Dialog units scale a layout with its font: one horizontal unit is a quarter of the font's
// average character width, one vertical unit an eighth of its character height.
struct DialogBaseUnits {
    int x = 0; // average character width in pixels
    int y = 0; // character height in pixels
};

DialogBaseUnits dialogBaseUnits(const QFont& font);

// Converts each edge separately and rounds it, so adjacent rectangles stay adjacent in pixels.
QRect mapDialogRect(const QRect& dialogUnits, DialogBaseUnits base);
