// The working half of the settings dialog: the channel list, putting a tree target on a
// channel, and the weight slider with the label that rides under its thumb.
#include "model/MorphChannelSet.h"
#include "ui/DialogBuilder.h"
#include "ui/NameText.h"
#include "ui/SettingsDialog.h"
#include "ui/SettingsDialogItems.h"
#include "ui/Trackbar.h"
#include "ui/WeightScale.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace {

constexpr int channelColumn = 0;
constexpr int targetColumn = 1;
// The label's left edge sits this many pixels right of the thumb's left edge as the slider
// reports it, which puts it under the thumb in the dialog's coordinates.
constexpr int weightLabelThumbOffset = 44;

} // namespace

void SettingsDialog::fillChannelList() {
    channelList_ = findDialogControl<QTreeWidget>(*dialogWindow_, settingsDialogItem::channelList);
    channelList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    channelList_->setAllColumnsShowFocus(true);
    channelList_->setColumnCount(2);
    channelList_->setHeaderLabels({QStringLiteral("Channel"), QStringLiteral("Target")});
    channelList_->setColumnWidth(channelColumn, 64);
    channelList_->setColumnWidth(targetColumn, 128);

    for (std::int32_t channel = 0; channel < channels_->channelCount(); ++channel)
        new QTreeWidgetItem(channelList_.data(), {QString::number(channel),
                                                  nameText(channels_->getChannelTarget(channel))});
}

void SettingsDialog::showChannels() {
    if (channelList_.isNull() || weightSlider_.isNull())
        return;
    for (std::int32_t channel = 0; channel < channels_->channelCount(); ++channel) {
        QTreeWidgetItem* row = channelList_->topLevelItem(channel);
        const QString target = nameText(channels_->getChannelTarget(channel));
        if (row != nullptr && row->text(targetColumn) != target)
            row->setText(targetColumn, target);
    }
    const int row = firstSelectedRow();
    if (row < 0)
        return;
    const float weight = channels_->getChannelWeight(row);
    const int position = sliderPositionOfWeight(weight);
    if (weightSlider_->value() == position)
        return;
    {
        const QSignalBlocker blocker(weightSlider_.data());
        weightSlider_->setValue(position);
    }
    updateWeightLabel(weight);
}

// A click shows the row's weight; a double click also puts the tree's target on the channel.
// Only mouse clicks arrive here: moving the selection with the keyboard shows nothing.
void SettingsDialog::onChannelClick(const QModelIndex& clicked, bool doubleClick) {
    const int row = clicked.row();
    if (!clicked.isValid() || row < 0)
        return;
    const float weight = channels_->getChannelWeight(row);
    {
        const QSignalBlocker blocker(weightSlider_.data());
        weightSlider_->setValue(sliderPositionOfWeight(weight));
    }
    updateWeightLabel(weight);
    if (doubleClick)
        assignSelectedTarget(row);
}

// A target item is one whose parent is a group. A group item, selected with or without
// targets, assigns nothing, and neither does an empty selection.
void SettingsDialog::assignSelectedTarget(int row) {
    const QList<QTreeWidgetItem*> selected = targetTree_->selectedItems();
    if (selected.isEmpty())
        return;
    const QTreeWidgetItem* targetItem = selected.front();
    const QTreeWidgetItem* groupItem = targetItem->parent();
    if (groupItem == nullptr)
        return;

    const auto groupIndex = groupItem->data(0, Qt::UserRole).value<qulonglong>();
    const auto targetIndex = targetItem->data(0, Qt::UserRole).value<qulonglong>();
    const std::string& name = groups_.at(groupIndex).targetNames.at(targetIndex);

    // The channel set checks the row first, so the list never shows a target it refused.
    channels_->setChannelTarget(name, row);
    channelList_->topLevelItem(row)->setText(targetColumn, nameText(name));
}

// The slider edits the first selected row; with no row selected it changes nothing. An action
// is reported before the slider takes its value, so the thumb's position is what counts.
void SettingsDialog::onWeightScroll() {
    const int row = firstSelectedRow();
    if (row < 0)
        return;
    const float weight = weightAtSliderPosition(weightSlider_->sliderPosition());
    channels_->setChannelWeight(weight, row);
    updateWeightLabel(weight);
}

int SettingsDialog::firstSelectedRow() const {
    for (int row = 0; row < channelList_->topLevelItemCount(); ++row)
        if (channelList_->topLevelItem(row)->isSelected())
            return row;
    return -1;
}

void SettingsDialog::updateWeightLabel(float weight) {
    const QRect thumb = weightSlider_->thumbRect();
    weightLabel_->move(thumb.left() + weightLabelThumbOffset, weightLabel_->y());
    weightLabel_->setText(QString::fromStdString(formatWeight(weight)));
}
