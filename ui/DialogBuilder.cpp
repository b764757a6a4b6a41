#include "ui/DialogBuilder.h"

#include "common/DemoError.h"
#include "ui/DialogUnits.h"
#include "ui/Trackbar.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <string_view>

namespace {

const char* const dialogItemIdProperty = "dialogItemId";

// Styles every control may carry; those of each window class are listed with it below.
constexpr std::array<std::string_view, 5> commonControlStyles = {
    "WS_CHILD", "WS_VISIBLE", "WS_BORDER", "WS_TABSTOP", "WS_GROUP"};

// The template's font is applied in every case, so DS_SETFONT and DS_FIXEDSYS change nothing;
// WS_POPUP is what every top-level widget is anyway.
constexpr std::array<std::string_view, 6> windowStyles = {
    "WS_POPUP", "WS_CAPTION", "WS_SYSMENU", "DS_MODALFRAME", "DS_SETFONT", "DS_FIXEDSYS"};

std::string describe(const DialogControlTemplate& control) {
    return "dialog control " + std::to_string(control.id) + " (" + control.className + ")";
}

template <std::size_t N>
bool isListed(const std::array<std::string_view, N>& list, const std::string& style) {
    return std::find(list.begin(), list.end(), style) != list.end();
}

template <std::size_t N>
void checkStyles(const DialogControlTemplate& control,
                 const std::array<std::string_view, N>& classStyles) {
    if (!control.hasStyle("WS_CHILD"))
        throw DemoError(describe(control) + ": a control needs WS_CHILD");
    for (const std::string& style : control.styles)
        if (!isListed(commonControlStyles, style) && !isListed(classStyles, style))
            throw DemoError(describe(control) + ": unknown style " + style);
}

// Tab stops take the keyboard focus from Tab and clicks, other controls from clicks only.
void applyFocusStyle(QWidget& widget, const DialogControlTemplate& control) {
    widget.setFocusPolicy(control.hasStyle("WS_TABSTOP") ? Qt::StrongFocus : Qt::ClickFocus);
}

void applyBorderStyle(QFrame& frame, const DialogControlTemplate& control) {
    frame.setFrameShape(control.hasStyle("WS_BORDER") ? QFrame::StyledPanel : QFrame::NoFrame);
}

// Qt draws an expand button for every item with children and leaves the branch lines to the
// style, so TVS_HASBUTTONS and TVS_HASLINES need nothing further.
QWidget* createTreeView(const DialogControlTemplate& control, QWidget* parent) {
    constexpr std::array<std::string_view, 4> styles = {"TVS_HASBUTTONS", "TVS_HASLINES",
                                                        "TVS_LINESATROOT", "TVS_SHOWSELALWAYS"};
    checkStyles(control, styles);
    auto* tree = new QTreeWidget(parent);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setRootIsDecorated(control.hasStyle("TVS_LINESATROOT"));
    tree->setUniformRowHeights(true);
    applyFocusStyle(*tree, control);
    applyBorderStyle(*tree, control);
    return tree;
}

// A report list is a flat tree widget with a header; its columns are added by whoever fills it.
// Without LVS_SINGLESEL several rows may be selected with Shift and Ctrl.
QWidget* createListView(const DialogControlTemplate& control, QWidget* parent) {
    constexpr std::array<std::string_view, 4> styles = {"LVS_REPORT", "LVS_SHOWSELALWAYS",
                                                        "LVS_ALIGNLEFT", "LVS_SINGLESEL"};
    checkStyles(control, styles);
    if (!control.hasStyle("LVS_REPORT"))
        throw DemoError(describe(control) + ": only report lists (LVS_REPORT) are supported");
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    list->setSelectionMode(control.hasStyle("LVS_SINGLESEL")
                               ? QAbstractItemView::SingleSelection
                               : QAbstractItemView::ExtendedSelection);
    applyFocusStyle(*list, control);
    applyBorderStyle(*list, control);
    return list;
}

// A trackbar starts with the range 0..100, steps of one and pages of a fifth of the range.
QWidget* createTrackbar(const DialogControlTemplate& control, QWidget* parent) {
    constexpr std::array<std::string_view, 4> styles = {"TBS_BOTH", "TBS_NOTICKS", "TBS_TOP",
                                                        "TBS_VERT"};
    checkStyles(control, styles);
    auto* slider =
        new Trackbar(control.hasStyle("TBS_VERT") ? Qt::Vertical : Qt::Horizontal, parent);
    slider->setRange(0, 100);
    slider->setSingleStep(1);
    slider->setPageStep(20);
    if (control.hasStyle("TBS_NOTICKS"))
        slider->setTickPosition(QSlider::NoTicks);
    else if (control.hasStyle("TBS_BOTH"))
        slider->setTickPosition(QSlider::TicksBothSides);
    else
        slider->setTickPosition(control.hasStyle("TBS_TOP") ? QSlider::TicksAbove
                                                            : QSlider::TicksBelow);
    applyFocusStyle(*slider, control);
    return slider;
}

// A left-aligned static wraps its words and shows its text as it stands, never as markup.
QWidget* createStatic(const DialogControlTemplate& control, QWidget* parent) {
    constexpr std::array<std::string_view, 1> styles = {"SS_LEFT"};
    checkStyles(control, styles);
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(control.text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setFrameShape(control.hasStyle("WS_BORDER") ? QFrame::Box : QFrame::NoFrame);
    return label;
}

// Of the button class only group boxes appear in dialogs here.
QWidget* createButton(const DialogControlTemplate& control, QWidget* parent) {
    constexpr std::array<std::string_view, 1> styles = {"BS_GROUPBOX"};
    checkStyles(control, styles);
    if (!control.hasStyle("BS_GROUPBOX"))
        throw DemoError(describe(control) + ": only group boxes (BS_GROUPBOX) are supported");
    auto* box = new QGroupBox(control.text, parent);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QWidget* createControl(const DialogControlTemplate& control, QWidget* parent) {
    const std::string& name = control.className;
    if (name == "SysTreeView32")
        return createTreeView(control, parent);
    if (name == "SysListView32")
        return createListView(control, parent);
    if (name == "msctls_trackbar32")
        return createTrackbar(control, parent);
    if (name == "static")
        return createStatic(control, parent);
    if (name == "button")
        return createButton(control, parent);
    throw DemoError(describe(control) + ": unknown window class");
}

// An owned dialog: a tool window that stays with its owner and has no taskbar entry of its own.
Qt::WindowFlags windowFlagsOf(const DialogTemplate& dialogTemplate) {
    for (const std::string& style : dialogTemplate.styles)
        if (!isListed(windowStyles, style))
            throw DemoError("dialog " + std::to_string(dialogTemplate.id) + ": unknown style " +
                            style);
    Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint;
    if (dialogTemplate.hasStyle("WS_CAPTION"))
        flags |= Qt::WindowTitleHint;
    if (dialogTemplate.hasStyle("WS_SYSMENU"))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

QFont dialogFontOf(const DialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.fontPoints);
    font.setWeight(static_cast<QFont::Weight>(dialogTemplate.fontWeight));
    font.setItalic(dialogTemplate.fontItalic);
    return font;
}

} // namespace

void buildDialog(QWidget& window, const DialogTemplate& dialogTemplate) {
    window.setWindowFlags(windowFlagsOf(dialogTemplate));
    window.setWindowTitle(dialogTemplate.caption);
    window.setFont(dialogFontOf(dialogTemplate));
    const DialogBaseUnits base = dialogBaseUnits(window.font());

    const QSize clientSize =
        mapDialogRect(QRect(QPoint(0, 0), dialogTemplate.rect.size()), base).size();
    if (dialogTemplate.hasStyle("DS_MODALFRAME"))
        window.setFixedSize(clientSize);
    else
        window.resize(clientSize);

    QWidget* previousTabStop = nullptr;
    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = createControl(control, &window);
        widget->setProperty(dialogItemIdProperty, control.id);
        widget->setGeometry(mapDialogRect(control.rect, base));
        // Each control goes below those before it, so the first one in the template is on top.
        widget->lower();
        if (!control.hasStyle("WS_VISIBLE"))
            widget->hide();
        if (control.hasStyle("WS_TABSTOP")) {
            if (previousTabStop != nullptr)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
    }
}

QWidget* findDialogItem(const QWidget& window, int id) {
    // Ids of -1 mark controls nobody looks up, so they can never be found.
    if (id != -1)
        for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QVariant childId = child->property(dialogItemIdProperty);
            if (childId.isValid() && childId.toInt() == id)
                return child;
        }
    throw DemoError("the dialog has no control " + std::to_string(id));
}

void failWrongControlType(int id, const char* expectedType) {
    throw DemoError("dialog control " + std::to_string(id) + " is not a " + expectedType);
}
