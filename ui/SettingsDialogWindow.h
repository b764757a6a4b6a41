#pragma once

#include <QWidget>

// The settings tool window. It stays open for the whole run: its close button (and any other
// close the window system asks for) does nothing. The program itself may still close it, so an
// application quit, which first closes every window, is not refused. Tab and Shift+Tab do not
// move the focus between its controls; keys inside a control work as usual.
class SettingsDialogWindow : public QWidget {
    Q_OBJECT

  public:
    SettingsDialogWindow();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
};
