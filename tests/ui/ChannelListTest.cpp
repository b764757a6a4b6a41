#include "SettingsDialogFixture.h"
#include "ui/WeightScale.h"

#include <QHeaderView>

namespace {

using ChannelListTest = SettingsDialogFixture;

void expectLabelUnderThumb(QLabel& label, Trackbar& slider, const QRect& labelBefore) {
    EXPECT_EQ(label.x(), slider.thumbRect().left() + 44);
    EXPECT_EQ(label.y(), labelBefore.y());
    EXPECT_EQ(label.size(), labelBefore.size());
}

TEST_F(ChannelListTest, ListsEveryChannelWithItsStartTarget) {
    ASSERT_EQ(list().topLevelItemCount(), 7);
    ASSERT_EQ(list().columnCount(), 2);
    EXPECT_EQ(list().headerItem()->text(0), QString("Channel"));
    EXPECT_EQ(list().headerItem()->text(1), QString("Target"));
    EXPECT_EQ(list().columnWidth(0), 64);
    EXPECT_EQ(list().columnWidth(1), 128);
    EXPECT_FALSE(list().isHeaderHidden());
    EXPECT_FALSE(list().rootIsDecorated());
    EXPECT_EQ(list().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list().selectionBehavior(), QAbstractItemView::SelectRows);
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(list().topLevelItem(row)->text(0), QString::number(row));
        EXPECT_EQ(list().topLevelItem(row)->text(1),
                  QString::fromStdString(startTargets()[static_cast<std::size_t>(row)]));
    }
    EXPECT_TRUE(list().selectedItems().isEmpty());
    // Before any click the slider is at 0 and the label shows its template text.
    EXPECT_EQ(slider().minimum(), 0);
    EXPECT_EQ(slider().maximum(), 100);
    EXPECT_EQ(slider().value(), 0);
    EXPECT_EQ(label().text(), QString("0.0"));
}

TEST_F(ChannelListTest, ClickShowsTheChannelWeightUnderTheThumb) {
    channels_->setChannelWeight(0.5f, 3);
    const QRect labelBefore = label().geometry();
    clickRow(3);
    EXPECT_EQ(slider().value(), 50);
    EXPECT_EQ(label().text(), QString("0.5"));
    expectLabelUnderThumb(label(), slider(), labelBefore);
    EXPECT_GT(label().x(), labelBefore.x()); // it really moved along with the thumb
    EXPECT_EQ(channels_->getChannelWeight(3), 0.5f);

    // A weight of 0 reads "0", although the label read "0.0" before.
    clickRow(1);
    EXPECT_EQ(slider().value(), 0);
    EXPECT_EQ(label().text(), QString("0"));
    expectLabelUnderThumb(label(), slider(), labelBefore);
    EXPECT_EQ(weights(), (std::vector<float>{0, 0, 0, 0.5f, 0, 0, 0}));
}

TEST_F(ChannelListTest, DraggingTheSliderWritesTheSelectedChannel) {
    const QRect labelBefore = label().geometry();
    clickRow(2);
    const QPoint thumb = slider().thumbRect().center();
    QTest::mousePress(&slider(), Qt::LeftButton, {}, thumb);
    QTest::mouseMove(&slider(), QPoint(slider().width() / 2, thumb.y()));
    QTest::mouseMove(&slider(), QPoint(slider().width() + 40, thumb.y()));
    QTest::mouseRelease(&slider(), Qt::LeftButton, {}, QPoint(slider().width() + 40, thumb.y()));
    EXPECT_EQ(slider().value(), 100);
    EXPECT_EQ(channels_->getChannelWeight(2), 1.0f);
    EXPECT_EQ(label().text(), QString("1"));
    expectLabelUnderThumb(label(), slider(), labelBefore);
    EXPECT_EQ(weights(), (std::vector<float>{0, 0, 1.0f, 0, 0, 0, 0}));

    // Keys move it too: 35 steps from 0 read as "0.35".
    slider().triggerAction(QAbstractSlider::SliderToMinimum);
    for (int step = 0; step < 35; ++step)
        QTest::keyClick(&slider(), Qt::Key_Right);
    EXPECT_EQ(channels_->getChannelWeight(2), 0.35f);
    EXPECT_EQ(label().text(), QString("0.35"));
    expectLabelUnderThumb(label(), slider(), labelBefore);
}

TEST_F(ChannelListTest, SliderEditsOnlyTheFirstSelectedRow) {
    channels_->setChannelWeight(0.25f, 5);
    clickRow(2);
    clickRow(5, Qt::ControlModifier);
    ASSERT_EQ(list().selectedItems().size(), 2);
    EXPECT_EQ(slider().value(), 25); // the click on row 5 showed its weight
    // Showing it is no edit: channel 2, the first selected, has not taken it.
    EXPECT_EQ(weights(), (std::vector<float>{0, 0, 0, 0, 0, 0.25f, 0}));
    slider().triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(channels_->getChannelWeight(2), 0.45f);
    EXPECT_EQ(channels_->getChannelWeight(5), 0.25f);
    EXPECT_EQ(weights(), (std::vector<float>{0, 0, 0.45f, 0, 0, 0.25f, 0}));
}

TEST_F(ChannelListTest, KeyboardSelectionIsNotAClick) {
    channels_->setChannelWeight(0.25f, 1);
    channels_->setChannelWeight(0.75f, 2);
    clickRow(1);
    const QRect labelAfterClick = label().geometry();
    list().setFocus();
    QTest::keyClick(&list(), Qt::Key_Down);
    ASSERT_TRUE(list().topLevelItem(2)->isSelected());
    ASSERT_FALSE(list().topLevelItem(1)->isSelected());
    EXPECT_EQ(slider().value(), 25);
    EXPECT_EQ(label().text(), QString("0.25"));
    EXPECT_EQ(label().geometry(), labelAfterClick);

    // Pressing and releasing the thumb without moving it writes its position into the newly
    // selected channel; so does any later action on the slider.
    const QPoint thumb = slider().thumbRect().center();
    QTest::mousePress(&slider(), Qt::LeftButton, {}, thumb);
    QTest::mouseRelease(&slider(), Qt::LeftButton, {}, thumb);
    EXPECT_EQ(channels_->getChannelWeight(2), 0.25f);
    QTest::keyClick(&slider(), Qt::Key_Right);
    EXPECT_EQ(channels_->getChannelWeight(2), 0.26f);
    EXPECT_EQ(channels_->getChannelWeight(1), 0.25f);
}

TEST_F(ChannelListTest, TabLeavesTheFocusWhereItIs) {
    QWidget& window = *dialog_->dialogWindow();
    tree().expandItem(tree().topLevelItem(0));
    tree().setCurrentItem(tree().topLevelItem(0));
    for (QWidget* control : {static_cast<QWidget*>(&tree()), static_cast<QWidget*>(&list()),
                             static_cast<QWidget*>(&slider())}) {
        control->setFocus();
        ASSERT_EQ(window.focusWidget(), control);
        QTest::keyClick(control, Qt::Key_Tab);
        EXPECT_EQ(window.focusWidget(), control) << control->metaObject()->className();
        QTest::keyClick(control, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(window.focusWidget(), control) << control->metaObject()->className();
    }
    // Keys inside a control still work.
    QTest::keyClick(&tree(), Qt::Key_Down);
    EXPECT_EQ(tree().currentItem(), tree().topLevelItem(0)->child(0));
}

TEST_F(ChannelListTest, SliderWithoutSelectedRowChangesNothing) {
    const QRect labelBefore = label().geometry();
    slider().triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTest::keyClick(&slider(), Qt::Key_Right);
    EXPECT_EQ(slider().value(), 21); // the thumb moves
    EXPECT_EQ(weights(), std::vector<float>(7, 0.0f));
    EXPECT_EQ(label().text(), QString("0.0"));
    EXPECT_EQ(label().geometry(), labelBefore);

    // Deselecting the only selected row puts the slider back out of use.
    clickRow(4);
    clickRow(4, Qt::ControlModifier);
    ASSERT_TRUE(list().selectedItems().isEmpty());
    slider().triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(weights(), std::vector<float>(7, 0.0f));
}

TEST_F(ChannelListTest, WeightsSetFromTheSliderShowAtTheSamePosition) {
    clickRow(1);
    for (int step = 0; step < 53; ++step)
        QTest::keyClick(&slider(), Qt::Key_Right);
    ASSERT_EQ(channels_->getChannelWeight(1), 0.53f);
    clickRow(0);
    EXPECT_EQ(slider().value(), 0);
    clickRow(1);
    EXPECT_EQ(slider().value(), 53);
    EXPECT_EQ(label().text(), QString("0.53"));
}

TEST_F(ChannelListTest, DoubleClickPutsTheSelectedTargetOnTheChannel) {
    channels_->setChannelWeight(0.5f, 4);
    tree().expandItem(tree().topLevelItem(1));
    clickTreeItem(tree().topLevelItem(1)->child(2)); // Mouth / sneer
    doubleClickRow(4);
    EXPECT_EQ(channels_->getChannelTarget(4), "sneer");
    EXPECT_EQ(list().topLevelItem(4)->text(1), QString("sneer"));
    EXPECT_EQ(channels_->getChannelWeight(4), 0.5f); // the weight stays
    EXPECT_EQ(slider().value(), 50);                 // and the double click showed it

    // The same target may go on several channels; other channels keep theirs.
    doubleClickRow(0);
    std::vector<std::string> expected = startTargets();
    expected[0] = "sneer";
    expected[4] = "sneer";
    EXPECT_EQ(targets(), expected);

    // A single click only shows the weight, and only the left button double-clicks.
    tree().expandItem(tree().topLevelItem(0));
    clickTreeItem(tree().topLevelItem(0)->child(0)); // Eyes / blink
    clickRow(6);
    doubleClickRow(5, Qt::RightButton);
    doubleClickRow(5, Qt::MiddleButton);
    EXPECT_EQ(targets(), expected);
}

TEST_F(ChannelListTest, DoubleClickWithoutATargetSelectedAssignsNothing) {
    doubleClickRow(3);                     // nothing selected in the tree
    clickTreeItem(tree().topLevelItem(0)); // a group with targets
    doubleClickRow(3);
    clickTreeItem(tree().topLevelItem(2)); // a group without targets
    ASSERT_EQ(tree().selectedItems().size(), 1);
    doubleClickRow(3);
    EXPECT_EQ(targets(), startTargets());
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(list().topLevelItem(row)->text(1),
                  QString::fromStdString(startTargets()[static_cast<std::size_t>(row)]));
}

TEST_F(ChannelListTest, ClicksBesideTheRowsDoNothing) {
    createDialog(groupFile, {"blink", "smile"});
    tree().expandItem(tree().topLevelItem(0));
    clickTreeItem(tree().topLevelItem(0)->child(1));
    channels_->setChannelWeight(0.5f, 1);
    const QRect lastRow = list().visualItemRect(list().topLevelItem(1));
    const QPoint belowRows(lastRow.center().x(), lastRow.bottom() + lastRow.height());
    ASSERT_TRUE(list().viewport()->rect().contains(belowRows));
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, belowRows);
    doubleClick(list().viewport(), belowRows);
    EXPECT_EQ(slider().value(), 0);
    EXPECT_EQ(label().text(), QString("0.0"));
    EXPECT_EQ(targets(), (std::vector<std::string>{"blink", "smile"}));
}

TEST(WeightScale, PositionsWeightsAndTexts) {
    for (int position = 0; position <= 100; ++position)
        EXPECT_EQ(sliderPositionOfWeight(weightAtSliderPosition(position)), position);
    EXPECT_EQ(sliderPositionOfWeight(0.537f), 53); // truncated, not rounded
    EXPECT_EQ(sliderPositionOfWeight(0.999f), 99);
    EXPECT_EQ(sliderPositionOfWeight(-0.5f), 0);
    EXPECT_EQ(sliderPositionOfWeight(7.0f), 100);
    EXPECT_EQ(sliderPositionOfWeight(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(weightAtSliderPosition(100), 1.0f);

    EXPECT_EQ(formatWeight(0.0f), "0");
    EXPECT_EQ(formatWeight(0.5f), "0.5");
    EXPECT_EQ(formatWeight(1.0f), "1");
    EXPECT_EQ(formatWeight(weightAtSliderPosition(35)), "0.35");
    EXPECT_EQ(formatWeight(weightAtSliderPosition(7)), "0.07");
    EXPECT_EQ(formatWeight(0.1234567f), "0.123457");
}

} // namespace
