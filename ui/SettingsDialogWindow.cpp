#include "ui/SettingsDialogWindow.h"

#include <QCloseEvent>

SettingsDialogWindow::SettingsDialogWindow() : QWidget(nullptr) {}

void SettingsDialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}
