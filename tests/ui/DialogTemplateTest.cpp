#include "SettingsDialogFixture.h"
#include "common/DemoError.h"
#include "ui/DialogBuilder.h"
#include "ui/DialogUnits.h"

#include <QApplication>
#include <QGroupBox>
#include <cmath>

namespace {

using DialogTemplateTest = SettingsDialogFixture;

struct ExpectedControl {
    const char* type; // the widget's class
    int x, y, width, height;
    QString text;
};

// The settings dialog's controls in template order, with their rectangles in dialog units.
const std::vector<ExpectedControl> expectedControls = {
    {"QTreeWidget", 24, 12, 144, 90, ""},
    {"QTreeWidget", 24, 126, 144, 78, ""},
    {"Trackbar", 30, 234, 132, 12, ""},
    {"QLabel", 30, 222, 12, 8, "0.0"},
    {"QLabel", 150, 222, 12, 8, "1.0"},
    {"QLabel", 30, 252, 18, 8, "0.0"},
    {"QGroupBox", 6, 0, 174, 114, "Morh Targets"},
    {"QGroupBox", 24, 210, 144, 54, "Channel Weight"},
    {"QGroupBox", 6, 276, 174, 72, "Additional Information"},
    {"QLabel", 12, 288, 84, 12, "Mirelda morph demo"},
    {"QLabel", 42, 300, 84, 8, "https://mirelda.dev"},
    {"QLabel", 42, 312, 102, 8, "contact@mirelda.dev"},
    {"QLabel", 12, 324, 132, 8, "Built by the Mirelda project"},
    {"QGroupBox", 6, 114, 174, 156, "Morph Channels"},
    {"QLabel", 42, 336, 102, 8, "https://docs.mirelda.dev"},
};

int pixels(int units, int base, int divisor) {
    return static_cast<int>(std::lround(units * base / static_cast<double>(divisor)));
}

QString textOf(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(control))
        return box->title();
    return {};
}

TEST_F(DialogTemplateTest, ControlsStandAtTheirTemplateRectanglesWithTheirTexts) {
    SettingsDialogWindow& window = *dialog_->dialogWindow();
    QFont expectedFont = QApplication::font();
    expectedFont.setPointSize(8);
    EXPECT_EQ(window.font(), expectedFont);

    const QFontMetrics metrics(window.font());
    const int baseX = metrics.averageCharWidth();
    const int baseY = metrics.height();
    EXPECT_EQ(window.width(), pixels(186, baseX, 4));

    // children() lists the controls from the bottom of the stack up; the template's first
    // control must be on top, so the list is the template backwards.
    QList<QWidget*> controls;
    for (QObject* child : window.children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget != nullptr && !widget->isWindow())
            controls.prepend(widget);
    ASSERT_EQ(controls.size(), static_cast<qsizetype>(expectedControls.size()));

    // Compare the labels as the template left them: the weight label has not moved yet.
    for (std::size_t i = 0; i < expectedControls.size(); ++i) {
        const ExpectedControl& expected = expectedControls[i];
        QWidget* control = controls[static_cast<qsizetype>(i)];
        SCOPED_TRACE(expected.text.toStdString() + " #" + std::to_string(i));
        EXPECT_STREQ(control->metaObject()->className(), expected.type);
        EXPECT_EQ(textOf(control), expected.text);
        const int left = pixels(expected.x, baseX, 4);
        const int top = pixels(expected.y, baseY, 8);
        EXPECT_EQ(
            control->geometry(),
            QRect(QPoint(left, top), QPoint(pixels(expected.x + expected.width, baseX, 4) - 1,
                                            pixels(expected.y + expected.height, baseY, 8) - 1)));
        EXPECT_TRUE(control->isVisible());
    }

    EXPECT_EQ(findDialogItem(window, 1001), controls[0]);
    EXPECT_EQ(findDialogItem(window, 1004), controls[5]);
    EXPECT_THROW(findDialogItem(window, -1), DemoError);
    EXPECT_THROW(findDialogItem(window, 1005), DemoError);
    EXPECT_THROW(findDialogControl<QLabel>(window, 1003), DemoError);

    EXPECT_EQ(slider().orientation(), Qt::Horizontal);
    EXPECT_EQ(slider().tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(slider().pageStep(), 20);
}

TEST_F(DialogTemplateTest, EarlierControlsLieAboveTheGroupBoxes) {
    SettingsDialogWindow& window = *dialog_->dialogWindow();
    // Points inside both a control and the group box that frames it reach the control.
    const QPoint inTree = tree().geometry().center();
    const QPoint inList = list().geometry().center();
    const QPoint inSlider = slider().geometry().center();
    EXPECT_TRUE(tree().isAncestorOf(window.childAt(inTree)));
    EXPECT_TRUE(list().isAncestorOf(window.childAt(inList)));
    QWidget* atSlider = window.childAt(inSlider);
    EXPECT_TRUE(atSlider == &slider() || slider().isAncestorOf(atSlider));
}

TEST(DialogUnits, ScaleEachEdgeByTheFontsBaseUnits) {
    const DialogBaseUnits base{6, 13};
    // 30 * 6 / 4 = 45; 222 * 13 / 8 = 360.75 -> 361; right edge 162 * 6 / 4 = 243;
    // bottom 230 * 13 / 8 = 373.75 -> 374.
    EXPECT_EQ(mapDialogRect(QRect(30, 222, 132, 8), base), QRect(45, 361, 198, 13));
    EXPECT_EQ(mapDialogRect(QRect(0, 0, 186, 363), DialogBaseUnits{7, 16}),
              QRect(0, 0, 326, 726)); // 325.5 rounds away from zero
    QFont font = QApplication::font();
    font.setPointSize(8);
    const DialogBaseUnits fromFont = dialogBaseUnits(font);
    EXPECT_EQ(fromFont.x, QFontMetrics(font).averageCharWidth());
    EXPECT_EQ(fromFont.y, QFontMetrics(font).height());
}

class DialogTemplateFileTest : public ::testing::Test {
  protected:
    QString write(const QByteArray& content) {
        const QString path = directory_.filePath("dialog.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    void expectRejected(const QByteArray& content, const std::string& reasonPart) {
        const QString path = write(content);
        try {
            loadDialogTemplate(path);
            ADD_FAILURE() << "accepted: " << content.toStdString();
        } catch (const DemoError& error) {
            EXPECT_NE(std::string(error.what()).find(reasonPart), std::string::npos)
                << error.what();
        }
    }

    static QByteArray dialogWith(const QByteArray& control) {
        return R"({"id": 7, "styles": ["WS_POPUP"], "rect": [0, 0, 40, 20], "caption": "T",
                   "font": {"points": 8, "weight": 400, "italic": false},
                   "controls": [)" +
               control + "]}";
    }

    QTemporaryDir directory_;
};

TEST_F(DialogTemplateFileTest, ReadsTheSettingsTemplateFromTheProgram) {
    const DialogTemplate dialog = loadDialogTemplate(settingsDialogTemplatePath);
    EXPECT_EQ(dialog.id, 101);
    EXPECT_EQ(dialog.caption, QString("Mirelda Settings"));
    EXPECT_EQ(dialog.rect, QRect(0, 0, 186, 363));
    EXPECT_EQ(dialog.fontPoints, 8);
    ASSERT_EQ(dialog.controls.size(), 15u);
    EXPECT_EQ(dialog.controls[0].id, 1001);
    EXPECT_TRUE(dialog.controls[0].hasStyle("TVS_LINESATROOT"));
    EXPECT_FALSE(dialog.controls[0].hasStyle("LVS_REPORT"));
}

TEST_F(DialogTemplateFileTest, RejectsBrokenTemplates) {
    expectRejected("{", "offset");
    expectRejected("[1, 2]", "not a JSON object");
    expectRejected(dialogWith("").replace("\"caption\": \"T\",", ""), "\"caption\"");
    expectRejected(
        dialogWith(
            R"({"id": 1.5, "class": "static", "styles": [], "rect": [0,0,1,1], "text": ""})"),
        "not an integer");
    expectRejected(
        dialogWith(R"({"id": 1, "class": "static", "styles": [], "rect": [0,0,1], "text": ""})"),
        "\"rect\"");
    expectRejected(
        dialogWith(R"({"id": 1, "class": "static", "styles": [], "rect": [0,0,-1,1], "text": ""})"),
        "negative size");
    expectRejected(
        dialogWith(R"({"id": 1, "class": "static", "styles": [3], "rect": [0,0,1,1], "text": ""})"),
        "style");
    EXPECT_THROW(loadDialogTemplate(directory_.filePath("missing.json")), DemoError);
}

TEST_F(DialogTemplateFileTest, BuildsOnlyClassesAndStylesItKnows) {
    const auto build = [this](const QByteArray& control) {
        QWidget window;
        buildDialog(window, loadDialogTemplate(write(dialogWith(control))));
    };
    EXPECT_NO_THROW(build(R"({"id": 1, "class": "static", "styles": ["WS_CHILD", "SS_LEFT"],
                              "rect": [0,0,10,8], "text": "a"})"));
    EXPECT_THROW(
        build(
            R"({"id": 1, "class": "edit", "styles": ["WS_CHILD"], "rect": [0,0,1,1], "text": ""})"),
        DemoError);
    EXPECT_THROW(build(R"({"id": 1, "class": "static", "styles": ["WS_CHILD", "SS_CENTERIMAGE"],
                           "rect": [0,0,1,1], "text": ""})"),
                 DemoError);
    EXPECT_THROW(
        build(
            R"({"id": 1, "class": "static", "styles": ["SS_LEFT"], "rect": [0,0,1,1], "text": ""})"),
        DemoError);
    EXPECT_THROW(
        build(
            R"({"id": 1, "class": "button", "styles": ["WS_CHILD"], "rect": [0,0,1,1], "text": ""})"),
        DemoError);
    EXPECT_THROW(
        build(
            R"({"id": 1, "class": "SysListView32", "styles": ["WS_CHILD"], "rect": [0,0,1,1], "text": ""})"),
        DemoError);

    // A control without WS_VISIBLE stays hidden when its window shows.
    QWidget window;
    buildDialog(window, loadDialogTemplate(write(dialogWith(
                            R"({"id": 5, "class": "static", "styles": ["WS_CHILD", "SS_LEFT"],
                                "rect": [0,0,10,8], "text": "a"})"))));
    window.show();
    EXPECT_FALSE(findDialogItem(window, 5)->isVisible());
    EXPECT_EQ(window.windowTitle(), QString("T"));
}

} // namespace
