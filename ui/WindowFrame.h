#pragma once

#include <QMargins>

class QWindow;

// Waits, for at most a second, until a window that was just shown is on the screen, so that
// the frame the window manager put around it is known; returns that frame's margins (zero when
// no window manager frames windows).
QMargins waitUntilFramed(QWindow& window);
