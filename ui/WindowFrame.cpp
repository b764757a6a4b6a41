#include "ui/WindowFrame.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWindow>

QMargins waitUntilFramed(QWindow& window) {
    // A window manager frames a window before it maps it, and the window is exposed once it is
    // mapped: from then on its frame margins are known.
    const QDeadlineTimer deadline(1000);
    while (!window.isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return window.frameMargins();
}
