#pragma once

#include "ui/DialogTemplate.h"

#include <QWidget>

// Turns a dialog template into widgets: the window gets the template's caption, font, flags
// and client size, and one child per control at its rectangle converted from dialog units
// through that font. Controls are stacked in template order, the first on top. Throws
// DemoError for a window class or style that has no widget behind it.
void buildDialog(QWidget& window, const DialogTemplate& dialogTemplate);

// The control that the template gave this id. Throws DemoError when there is none.
QWidget* findDialogItem(const QWidget& window, int id);

// The control with this id as the widget type the program expects of it.
template <class Control> Control* findDialogControl(const QWidget& window, int id);

void failWrongControlType(int id, const char* expectedType);

template <class Control> Control* findDialogControl(const QWidget& window, int id) {
    Control* control = qobject_cast<Control*>(findDialogItem(window, id));
    if (control == nullptr)
        failWrongControlType(id, Control::staticMetaObject.className());
    return control;
}
