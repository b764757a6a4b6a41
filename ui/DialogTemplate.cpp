#include "ui/DialogTemplate.h"

#include "common/DemoError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

bool DialogControlTemplate::hasStyle(const std::string& style) const {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

bool DialogTemplate::hasStyle(const std::string& style) const {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

namespace {

// Field access that names the offending field, so a broken template says what is wrong.
class TemplateReader {
  public:
    explicit TemplateReader(const QString& path) : path_(path.toStdString()) {}

    [[noreturn]] void fail(const std::string& what) const { throw DemoError(path_ + ": " + what); }

    QJsonValue field(const QJsonObject& object, const char* name, const std::string& where) const {
        const QJsonValue value = object.value(QLatin1String(name));
        if (value.isUndefined())
            fail(where + " has no \"" + name + "\"");
        return value;
    }

    int integer(const QJsonObject& object, const char* name, const std::string& where) const {
        const QJsonValue value = field(object, name, where);
        const double number = value.toDouble(0.5);
        if (!value.isDouble() || number != static_cast<int>(number))
            fail(where + ": \"" + name + "\" is not an integer");
        return static_cast<int>(number);
    }

    QString text(const QJsonObject& object, const char* name, const std::string& where) const {
        const QJsonValue value = field(object, name, where);
        if (!value.isString())
            fail(where + ": \"" + name + "\" is not a string");
        return value.toString();
    }

    bool boolean(const QJsonObject& object, const char* name, const std::string& where) const {
        const QJsonValue value = field(object, name, where);
        if (!value.isBool())
            fail(where + ": \"" + name + "\" is not true or false");
        return value.toBool();
    }

    QJsonObject object(const QJsonObject& parent, const char* name,
                       const std::string& where) const {
        const QJsonValue value = field(parent, name, where);
        if (!value.isObject())
            fail(where + ": \"" + name + "\" is not an object");
        return value.toObject();
    }

    QJsonArray array(const QJsonObject& object, const char* name, const std::string& where) const {
        const QJsonValue value = field(object, name, where);
        if (!value.isArray())
            fail(where + ": \"" + name + "\" is not an array");
        return value.toArray();
    }

    std::vector<std::string> styles(const QJsonObject& object, const std::string& where) const {
        std::vector<std::string> names;
        for (const QJsonValue& style : array(object, "styles", where)) {
            if (!style.isString())
                fail(where + ": a style is not a string");
            names.push_back(style.toString().toStdString());
        }
        return names;
    }

    // x, y, width, height; a negative size would build a control that cannot be seen.
    QRect rect(const QJsonObject& object, const std::string& where) const {
        const QJsonArray values = array(object, "rect", where);
        int numbers[4] = {};
        if (values.size() != 4)
            fail(where + ": \"rect\" needs x, y, width and height");
        for (qsizetype i = 0; i < 4; ++i) {
            const double number = values[i].toDouble(0.5);
            if (!values[i].isDouble() || number != static_cast<int>(number))
                fail(where + ": \"rect\" holds a value that is not an integer");
            numbers[i] = static_cast<int>(number);
        }
        if (numbers[2] < 0 || numbers[3] < 0)
            fail(where + ": \"rect\" has a negative size");
        return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
    }

  private:
    std::string path_;
};

DialogControlTemplate readControl(const TemplateReader& reader, const QJsonValue& value,
                                  std::size_t index) {
    const std::string where = "control " + std::to_string(index);
    if (!value.isObject())
        reader.fail(where + " is not an object");
    const QJsonObject object = value.toObject();
    DialogControlTemplate control;
    control.id = reader.integer(object, "id", where);
    control.className = reader.text(object, "class", where).toStdString();
    control.styles = reader.styles(object, where);
    control.rect = reader.rect(object, where);
    control.text = reader.text(object, "text", where);
    return control;
}

} // namespace

DialogTemplate loadDialogTemplate(const QString& path) {
    const TemplateReader reader(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        reader.fail("cannot be opened (" + file.errorString().toStdString() + ")");

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        reader.fail(parseError.errorString().toStdString() + " at offset " +
                    std::to_string(parseError.offset));
    if (!document.isObject())
        reader.fail("the template is not a JSON object");

    const QJsonObject root = document.object();
    const std::string where = "dialog";
    DialogTemplate dialog;
    dialog.id = reader.integer(root, "id", where);
    dialog.styles = reader.styles(root, where);
    dialog.rect = reader.rect(root, where);
    dialog.caption = reader.text(root, "caption", where);

    const QJsonObject font = reader.object(root, "font", where);
    dialog.fontPoints = reader.integer(font, "points", "font");
    dialog.fontWeight = reader.integer(font, "weight", "font");
    dialog.fontItalic = reader.boolean(font, "italic", "font");
    if (dialog.fontPoints <= 0 || dialog.fontWeight < 1 || dialog.fontWeight > 1000)
        reader.fail("the font size or weight is out of range");

    const QJsonArray controls = reader.array(root, "controls", where);
    for (qsizetype i = 0; i < controls.size(); ++i)
        dialog.controls.push_back(readControl(reader, controls[i], static_cast<std::size_t>(i)));
    return dialog;
}
