#pragma once

#include "common/DisplaySizes.h"
#include "model/MorphChannelSet.h"
#include "ui/SettingsDialog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

// A real main window (its start frame size, hidden as at start-up), seven channels, and the
// settings dialog created from a group file in a temporary working directory.
class SettingsDialogFixture : public ::testing::Test {
  protected:
    // The last group's name holds the two bytes of a UTF-8 "e acute".
    static constexpr const char* groupFile =
        "<MorphGroups>\n"
        "  <Group name=\"Eyes\"><Target name=\"blink\"/><Target name=\"squint\"/></Group>\n"
        "  <Group name=\"Mouth\"><Target name=\"jawOpen\"/><Target name=\"smile\"/>"
        "<Target name=\"sneer\"/></Group>\n"
        "  <Group name=\"Empty\"/>\n"
        "  <Group name=\"Br\xc3\xa9\"><Target name=\"browUp\"/></Group>\n"
        "</MorphGroups>\n";

    void SetUp() override { createDialog(groupFile, startTargets()); }

    void TearDown() override {
        dialog_.reset();
        mainWindow_.reset();
        QDir::setCurrent(previousDirectory_);
    }

    static std::vector<std::string> startTargets() {
        return {"blink", "browDown", "browUp", "jawOpen", "smile", "sneer", "squint"};
    }

    void writeGroupFile(const std::string& content) {
        ASSERT_TRUE(QDir(directory_.path()).mkpath("data/meshes"));
        QFile file(directory_.filePath("data/meshes/headModel.xml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), static_cast<qint64>(content.size()));
    }

    void createDialog(const std::string& groups, std::vector<std::string> targets) {
        dialog_.reset();
        writeGroupFile(groups);
        ASSERT_TRUE(QDir::setCurrent(directory_.path()));
        mainWindow_ = std::make_unique<QWindow>();
        mainWindow_->setGeometry(100, 80, mainWindowFrameSize.width, mainWindowFrameSize.height);
        channels_ = std::make_unique<MorphChannelSet>(std::move(targets));
        dialog_ = createSettingsDialog(mainWindow_.get(), channels_.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_->dialogWindow()));
    }

    QTreeWidget& tree() { return *dialog_->targetTree(); }
    QTreeWidget& list() { return *dialog_->channelList(); }
    Trackbar& slider() { return *dialog_->weightSlider(); }
    QLabel& label() { return *dialog_->weightLabel(); }

    QPoint rowCentre(int row) { return list().visualItemRect(list().topLevelItem(row)).center(); }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(list().viewport(), Qt::LeftButton, modifiers, rowCentre(row));
    }
    // What a real double click delivers: a click, then a second press that arrives as a
    // double-click event, then its release. QTest::mouseDClick alone sends only the middle one.
    static void doubleClick(QWidget* viewport, QPoint position,
                            Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(viewport, button, {}, position);
        QTest::mouseDClick(viewport, button, {}, position);
        QTest::mouseRelease(viewport, button, {}, position);
    }
    void doubleClickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        doubleClick(list().viewport(), rowCentre(row), button);
    }
    void clickTreeItem(QTreeWidgetItem* item) {
        tree().scrollToItem(item);
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, {},
                          tree().visualItemRect(item).center());
    }

    std::vector<float> weights() const {
        std::vector<float> values;
        for (int channel = 0; channel < channels_->channelCount(); ++channel)
            values.push_back(channels_->getChannelWeight(channel));
        return values;
    }
    std::vector<std::string> targets() const {
        std::vector<std::string> names;
        for (int channel = 0; channel < channels_->channelCount(); ++channel)
            names.push_back(channels_->getChannelTarget(channel));
        return names;
    }

    QTemporaryDir directory_;
    QString previousDirectory_ = QDir::currentPath();
    std::unique_ptr<QWindow> mainWindow_;
    std::unique_ptr<MorphChannelSet> channels_;
    std::unique_ptr<SettingsDialog> dialog_;
};
