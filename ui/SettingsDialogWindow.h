#pragma once

#include <QWidget>

// The settings tool window. It stays open for the whole run: its close button does nothing,
// and it goes only when its owner deletes it.
class SettingsDialogWindow : public QWidget {
    Q_OBJECT

  public:
    SettingsDialogWindow();

  protected:
    void closeEvent(QCloseEvent* event) override;
};
