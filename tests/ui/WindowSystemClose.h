#pragma once

#include <QWidget>
#include <vector>

// Asks windows to close the way a window manager's close button does: the X11 WM_DELETE_WINDOW
// message, sent from a separate connection, in the order given. Qt then delivers spontaneous
// close events. Returns false when the display is not X11.
bool requestCloseFromWindowSystem(const std::vector<QWidget*>& windows);
