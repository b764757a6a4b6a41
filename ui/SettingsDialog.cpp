#include "ui/SettingsDialog.h"

#include "common/DemoError.h"
#include "model/MorphChannelSet.h"
#include "ui/DialogBuilder.h"
#include "ui/DialogUnits.h"
#include "ui/MorphGroupFile.h"
#include "ui/NameText.h"
#include "ui/SettingsDialogItems.h"
#include "ui/Trackbar.h"
#include "ui/WeightScale.h"
#include "ui/WindowFrame.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>

SettingsDialog::SettingsDialog(MorphChannelSet* channels, std::vector<MorphGroup> groups)
    : channels_(channels), groups_(std::move(groups)) {
    if (channels_ == nullptr)
        throw DemoError("the settings dialog needs a morph channel set");
}

SettingsDialog::~SettingsDialog() {
    delete dialogWindow_.data();
}

void SettingsDialog::onInitDialog(SettingsDialogWindow* window) {
    dialogWindow_ = window;
    fillTargetTree();
    fillChannelList();

    weightSlider_ = findDialogControl<Trackbar>(*window, settingsDialogItem::weightSlider);
    {
        const QSignalBlocker blocker(weightSlider_.data());
        weightSlider_->setRange(0, weightSliderMaximum);
        weightSlider_->setValue(0);
    }
    // The label keeps its template text until a weight is first shown.
    weightLabel_ = findDialogControl<QLabel>(*window, settingsDialogItem::weightLabel);

    connectDialogMessages();
}

void SettingsDialog::fillTargetTree() {
    targetTree_ = findDialogControl<QTreeWidget>(*dialogWindow_, settingsDialogItem::targetTree);
    // Items carry their index: a group its place in groups_, a target its place in its group.
    for (std::size_t groupIndex = 0; groupIndex < groups_.size(); ++groupIndex) {
        const MorphGroup& group = groups_[groupIndex];
        auto* groupItem = new QTreeWidgetItem(targetTree_.data(), {nameText(group.name)});
        groupItem->setData(0, Qt::UserRole, static_cast<qulonglong>(groupIndex));
        for (std::size_t targetIndex = 0; targetIndex < group.targetNames.size(); ++targetIndex) {
            auto* targetItem =
                new QTreeWidgetItem(groupItem, {nameText(group.targetNames[targetIndex])});
            targetItem->setData(0, Qt::UserRole, static_cast<qulonglong>(targetIndex));
        }
    }
}

namespace {

// Item views report a double click of any button; only the left button's reaches the list.
class LeftDoubleClickOnly final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// Qt signals stand in for the dialog's messages: left-button clicks and double clicks on a
// channel row, and every action the user takes on the slider (a drag step, a click beside the
// thumb, a key, the end of a drag), whether or not it changes the value. Code that moves the
// slider blocks its signals, so only the user reaches onWeightScroll. Tree signals are not
// connected: the tree's selection is read only when a channel row is double-clicked.
void SettingsDialog::connectDialogMessages() {
    QWidget* rows = channelList_->viewport();
    rows->installEventFilter(new LeftDoubleClickOnly(rows));
    QObject::connect(channelList_.data(), &QAbstractItemView::clicked, channelList_.data(),
                     [this](const QModelIndex& index) { onChannelClick(index, false); });
    QObject::connect(channelList_.data(), &QAbstractItemView::doubleClicked, channelList_.data(),
                     [this](const QModelIndex& index) { onChannelClick(index, true); });
    QObject::connect(weightSlider_.data(), &Trackbar::actionTriggered, weightSlider_.data(),
                     [this] { onWeightScroll(); });
    QObject::connect(weightSlider_.data(), &Trackbar::sliderReleased, weightSlider_.data(),
                     [this] { onWeightScroll(); });
}

void SettingsDialog::showStateLine(const std::string& text) {
    if (!dialogWindow_)
        return;
    if (!stateLabel_) {
        // Below the template's last group box, in the strip the window keeps free at its foot.
        stateLabel_ = new QLabel(dialogWindow_.data());
        stateLabel_->setGeometry(
            mapDialogRect(QRect(6, 349, 174, 12), dialogBaseUnits(dialogWindow_->font())));
        stateLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        stateLabel_->show();
    }
    // A long sender name is cut with an ellipsis; the tooltip keeps the whole line.
    const QString line = QString::fromStdString(text);
    const QString shown =
        stateLabel_->fontMetrics().elidedText(line, Qt::ElideRight, stateLabel_->width());
    if (stateLabel_->text() != shown) {
        stateLabel_->setText(shown);
        stateLabel_->setToolTip(line);
    }
}

SettingsDialogWindow* createDialogWindow(QWindow* mainWindow, SettingsDialog& dialog) {
    const DialogTemplate dialogTemplate = loadDialogTemplate(settingsDialogTemplatePath);
    auto window = std::make_unique<SettingsDialogWindow>();
    buildDialog(*window, dialogTemplate);

    // Owned by the main window: kept above it by the window manager, and deleted with it.
    window->winId();
    window->windowHandle()->setTransientParent(mainWindow);
    SettingsDialogWindow* owned = window.get();
    QObject::connect(mainWindow, &QObject::destroyed, owned, [owned] { delete owned; });

    dialog.onInitDialog(owned);
    return window.release();
}

namespace {

// The frame's top-left corner goes to the main frame's top-right corner; the frame takes the
// main frame's height and keeps its own width.
void placeBesideMainWindow(QWidget& window, const QWindow& mainWindow) {
    const QRect mainFrame = mainWindow.frameGeometry();
    const QMargins margins = waitUntilFramed(*window.windowHandle());
    const int frameExtraHeight = margins.top() + margins.bottom();
    const int clientHeight = std::max(0, mainFrame.height() - frameExtraHeight);
    window.setFixedSize(window.width(), clientHeight);
    window.move(mainFrame.x() + mainFrame.width(), mainFrame.y());
}

} // namespace

std::unique_ptr<SettingsDialog> createSettingsDialog(QWindow* mainWindow,
                                                     MorphChannelSet* channels) {
    if (mainWindow == nullptr)
        throw DemoError("the settings dialog needs a main window");
    auto dialog = std::make_unique<SettingsDialog>(channels, loadMorphGroups());
    SettingsDialogWindow* window = createDialogWindow(mainWindow, *dialog);
    window->show();
    placeBesideMainWindow(*window, *mainWindow);
    return dialog;
}
