#pragma once

#include "ui/MorphGroup.h"
#include "ui/SettingsDialogWindow.h"
#include "ui/Trackbar.h"

#include <QLabel>
#include <QPointer>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

class MorphChannelSet;
class QModelIndex;
class QWindow;

// The settings tool window's object: the target tree, the channel list and the weight slider,
// editing a MorphChannelSet it does not own. Destroying it deletes the window and its controls.
class SettingsDialog {
  public:
    SettingsDialog(MorphChannelSet* channels, std::vector<MorphGroup> groups);
    ~SettingsDialog();
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    // Called once while the window is built: takes its controls, fills them and connects them.
    // The dialog owns the window from then on.
    void onInitDialog(SettingsDialogWindow* window);

    // The window and its controls; null once the window is gone.
    SettingsDialogWindow* dialogWindow() const { return dialogWindow_; }
    QTreeWidget* targetTree() const { return targetTree_; }
    QTreeWidget* channelList() const { return channelList_; }
    Trackbar* weightSlider() const { return weightSlider_; }
    QLabel* weightLabel() const { return weightLabel_; }

    const std::vector<MorphGroup>& groups() const { return groups_; }

    // The channels changed under the dialog (a recording plays them): each row shows its target
    // again, and the slider and its label follow the selected row's weight.
    void showChannels();

    // A line at the foot of the window about where the pose comes from (a stream's state);
    // the label appears with the first line shown.
    void showStateLine(const std::string& text);
    QLabel* stateLabel() const { return stateLabel_; }

  private:
    void fillTargetTree();
    void fillChannelList();
    void connectDialogMessages();

    void onChannelClick(const QModelIndex& clicked, bool doubleClick);
    void assignSelectedTarget(int row);
    void onWeightScroll();
    void updateWeightLabel(float weight);
    int firstSelectedRow() const;

    MorphChannelSet* channels_;
    std::vector<MorphGroup> groups_;
    // Guarded pointers: the window also goes when the main window that owns it is deleted.
    QPointer<SettingsDialogWindow> dialogWindow_;
    QPointer<QTreeWidget> targetTree_;
    QPointer<QTreeWidget> channelList_;
    QPointer<Trackbar> weightSlider_;
    QPointer<QLabel> weightLabel_;
    QPointer<QLabel> stateLabel_;
};

// Builds the window from the settings dialog template, owned by mainWindow, and hands it to
// the dialog through onInitDialog. Returns the window, which the dialog owns.
SettingsDialogWindow* createDialogWindow(QWindow* mainWindow, SettingsDialog& dialog);

// Reads the morph groups, builds and fills the dialog, shows it and places it once beside
// mainWindow: its frame's top-left corner at the main frame's top-right corner, as tall as the
// main frame. Throws DemoError; a group file error leaves before any widget exists.
std::unique_ptr<SettingsDialog> createSettingsDialog(QWindow* mainWindow,
                                                     MorphChannelSet* channels);
