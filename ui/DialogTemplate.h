#pragma once

#include <QRect>
#include <QString>
#include <string>
#include <vector>

// A dialog described as data: the window and its controls with their window-class names,
// style names and rectangles in dialog units. The settings dialog is built from one of these.
struct DialogControlTemplate {
    int id = -1; // -1 for controls the program never looks up
    std::string className;
    std::vector<std::string> styles;
    QRect rect; // dialog units
    QString text;

    bool hasStyle(const std::string& style) const;
};

struct DialogTemplate {
    int id = 0;
    std::vector<std::string> styles;
    QRect rect; // dialog units
    QString caption;
    int fontPoints = 8;
    int fontWeight = 400; // 100..900, as QFont::Weight
    bool fontItalic = false;
    std::vector<DialogControlTemplate> controls;

    bool hasStyle(const std::string& style) const;
};

// The settings dialog's template, compiled into the program as a Qt resource.
inline constexpr const char* settingsDialogTemplatePath = ":/mirelda/settingsDialog.json";

// Reads a template from a file or resource path. Throws DemoError naming the path and the
// field when the data is missing or malformed.
DialogTemplate loadDialogTemplate(const QString& path);
