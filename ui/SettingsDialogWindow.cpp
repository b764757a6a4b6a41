#include "ui/SettingsDialogWindow.h"

#include <QCloseEvent>

SettingsDialogWindow::SettingsDialogWindow() : QWidget(nullptr) {}

// Closes requested by the window system arrive as spontaneous events; those from close() or
// from quitting the application do not.
void SettingsDialogWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(!event->spontaneous());
}

// Every control hands Tab and Shift+Tab up to its window; refusing here keeps the focus where
// the user put it.
bool SettingsDialogWindow::focusNextPrevChild(bool /*next*/) {
    return false;
}
