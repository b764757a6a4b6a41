#include "SettingsDialogFixture.h"
#include "WindowSystemClose.h"
#include "common/DemoError.h"

#include <QApplication>
#include <cmath>

namespace {

using SettingsDialogTest = SettingsDialogFixture;

TEST_F(SettingsDialogTest, StandsOnceBesideTheMainWindowAsTallAsIt) {
    SettingsDialogWindow& window = *dialog_->dialogWindow();
    const QRect mainFrame = mainWindow_->frameGeometry();
    const QRect frame = window.frameGeometry();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(mainWindow_->isVisible());
    EXPECT_EQ(frame.topLeft(), QPoint(mainFrame.x() + mainFrame.width(), mainFrame.y()));
    EXPECT_EQ(frame.topLeft(), QPoint(900, 80));
    EXPECT_EQ(frame.height(), mainFrame.height());
    EXPECT_EQ(frame.height(), 600);
    // Its width is its own: the template's 186 dialog units, not the main window's.
    EXPECT_EQ(window.width(),
              std::lround(QFontMetrics(window.font()).averageCharWidth() * 186 / 4.0));

    // Placed once: it does not follow the main window afterwards.
    mainWindow_->setGeometry(10, 20, 640, 480);
    QApplication::processEvents();
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(900, 80));
    EXPECT_EQ(window.frameGeometry().height(), 600);
}

TEST_F(SettingsDialogTest, IsAToolWindowOwnedByTheMainWindow) {
    SettingsDialogWindow* window = dialog_->dialogWindow();
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_EQ(window->windowTitle(), QString("Mirelda Settings"));
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->transientParent(), mainWindow_.get());

    // Deleting the main window takes the dialog window along; the dialog object then holds
    // nothing that could dangle.
    const QPointer<QWidget> watched = window;
    mainWindow_.reset();
    EXPECT_TRUE(watched.isNull());
    EXPECT_EQ(dialog_->dialogWindow(), nullptr);
    EXPECT_EQ(dialog_->channelList(), nullptr);
    dialog_.reset();
}

TEST_F(SettingsDialogTest, DestroyingTheDialogDeletesItsWindow) {
    const QPointer<QWidget> window = dialog_->dialogWindow();
    const QPointer<QWidget> slider = dialog_->weightSlider();
    dialog_.reset();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(slider.isNull());
    // The main window outlives it without reaching the deleted widgets.
    mainWindow_->setGeometry(0, 0, 800, 600);
    mainWindow_.reset();
}

TEST_F(SettingsDialogTest, CloseButtonAndEscapeLeaveItOpen) {
    SettingsDialogWindow& window = *dialog_->dialogWindow();
    // A plain window asked the same way right after shows that the requests arrive.
    QWidget plainWindow;
    plainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plainWindow));
    if (!requestCloseFromWindowSystem({&window, &plainWindow}))
        GTEST_SKIP() << "closing from the window system needs an X11 display";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !plainWindow.isVisible(); }, 5000));
    EXPECT_TRUE(window.isVisible());

    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&list(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());

    // The program itself may close it, so quitting the application is not refused.
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_NE(dialog_->dialogWindow(), nullptr);
}

TEST_F(SettingsDialogTest, TreeHoldsGroupsWithTheirTargetsCollapsed) {
    ASSERT_EQ(tree().topLevelItemCount(), 4);
    const std::vector<std::vector<QString>> expected = {
        {"Eyes", "blink", "squint"},
        {"Mouth", "jawOpen", "smile", "sneer"},
        {"Empty"},
        {QString::fromUtf16(u"Br\u00e9"), "browUp"}};
    for (int group = 0; group < 4; ++group) {
        const QTreeWidgetItem* groupItem = tree().topLevelItem(group);
        const auto& texts = expected[static_cast<std::size_t>(group)];
        EXPECT_EQ(groupItem->text(0), texts[0]);
        EXPECT_EQ(groupItem->data(0, Qt::UserRole).toInt(), group);
        EXPECT_FALSE(groupItem->isExpanded());
        ASSERT_EQ(groupItem->childCount(), static_cast<int>(texts.size()) - 1);
        for (int target = 0; target < groupItem->childCount(); ++target) {
            EXPECT_EQ(groupItem->child(target)->text(0),
                      texts[static_cast<std::size_t>(target) + 1]);
            EXPECT_EQ(groupItem->child(target)->data(0, Qt::UserRole).toInt(), target);
        }
    }
    EXPECT_TRUE(tree().selectedItems().isEmpty());
    EXPECT_TRUE(tree().rootIsDecorated());
    EXPECT_TRUE(tree().isHeaderHidden());
}

TEST_F(SettingsDialogTest, NamesShowAsUtf8WhereValidAndByteForCharacterOtherwise) {
    // "Lächeln" and a Japanese "smile" in UTF-8; "\xe9t\xe9" is not UTF-8 and shows as "été".
    const std::string smile = "L\xc3\xa4"
                              "cheln";
    const std::string japanese = "\xe7\xac\x91\xe9\xa1\x94";
    const std::string latin = "\xe9t\xe9";
    createDialog("<MorphGroups><Group name=\"Gesicht\"><Target name=\"" + smile +
                     "\"/><Target name=\"" + japanese + "\"/><Target name=\"" + latin +
                     "\"/></Group></MorphGroups>",
                 {smile, japanese, latin, "a", "b", "c", "d"});
    const QTreeWidgetItem* group = tree().topLevelItem(0);
    ASSERT_EQ(group->childCount(), 3);
    EXPECT_EQ(group->child(0)->text(0), QString::fromUtf16(u"L\u00e4cheln"));
    EXPECT_EQ(group->child(1)->text(0), QString::fromUtf16(u"\u7b11\u9854"));
    EXPECT_EQ(group->child(2)->text(0), QString::fromUtf16(u"\u00e9t\u00e9"));
    EXPECT_EQ(list().topLevelItem(1)->text(1), QString::fromUtf16(u"\u7b11\u9854"));

    // Put on a channel, the name is the file's bytes, shown decoded.
    clickTreeItem(tree().topLevelItem(0)->child(0));
    doubleClickRow(4);
    EXPECT_EQ(channels_->getChannelTarget(4), smile);
    EXPECT_EQ(list().topLevelItem(4)->text(1), QString::fromUtf16(u"L\u00e4cheln"));
}

TEST_F(SettingsDialogTest, TreeGesturesChangeNothingByThemselves) {
    clickTreeItem(tree().topLevelItem(1));
    doubleClick(tree().viewport(), tree().visualItemRect(tree().topLevelItem(1)).center());
    ASSERT_TRUE(tree().topLevelItem(1)->isExpanded()); // the double click really arrived
    clickTreeItem(tree().topLevelItem(1)->child(1));
    QTest::keyClick(&tree(), Qt::Key_Down);
    EXPECT_EQ(targets(), startTargets());
    EXPECT_EQ(weights(), std::vector<float>(7, 0.0f));
    EXPECT_EQ(slider().value(), 0);
    EXPECT_EQ(label().text(), QString("0.0"));
}

TEST_F(SettingsDialogTest, EmptyGroupFileLeavesTheTreeEmptyAndTheRestWorking) {
    createDialog("<MorphGroups/>", startTargets());
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    ASSERT_EQ(list().topLevelItemCount(), 7);
    clickRow(3);
    slider().triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(channels_->getChannelWeight(3), 1.0f);
    doubleClickRow(3);
    EXPECT_EQ(targets(), startTargets());
}

TEST_F(SettingsDialogTest, GroupFileErrorsLeaveBeforeAnyWidgetExists) {
    dialog_.reset();
    const auto widgetsBefore = QApplication::allWidgets().size();
    writeGroupFile("<MorphGroups><Group/></MorphGroups>");
    EXPECT_THROW(createSettingsDialog(mainWindow_.get(), channels_.get()), DemoError);
    ASSERT_TRUE(QFile::remove(directory_.filePath("data/meshes/headModel.xml")));
    EXPECT_THROW(createSettingsDialog(mainWindow_.get(), channels_.get()), DemoError);
    EXPECT_EQ(QApplication::allWidgets().size(), widgetsBefore);

    writeGroupFile("<MorphGroups/>");
    EXPECT_THROW(createSettingsDialog(nullptr, channels_.get()), DemoError);
    EXPECT_THROW(createSettingsDialog(mainWindow_.get(), nullptr), DemoError);
    EXPECT_EQ(QApplication::allWidgets().size(), widgetsBefore);
}

} // namespace
