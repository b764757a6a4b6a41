#include "app/PauseKey.h"

#include <QCoreApplication>
#include <QKeyEvent>

PauseKey::PauseKey(std::function<void()> toggle) : toggle_(std::move(toggle)) {
    QCoreApplication::instance()->installEventFilter(this);
}

PauseKey::~PauseKey() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

bool PauseKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    // One key press reaches the filter once per object it is delivered to: the window first.
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat() && watched->isWindowType())
        toggle_();
    return true;
}
