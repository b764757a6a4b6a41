#include "app/PlayerKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <algorithm>

PlayerKeys::PlayerKeys(std::vector<PlayerKey> keys) : keys_(std::move(keys)) {
    QCoreApplication::instance()->installEventFilter(this);
}

PlayerKeys::~PlayerKeys() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

bool PlayerKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* pressed = static_cast<QKeyEvent*>(event);
    // The keypad's modifier comes with its keys and says nothing about what was meant.
    const Qt::KeyboardModifiers modifiers = pressed->modifiers() & ~Qt::KeypadModifier;
    const auto bound = std::find_if(keys_.begin(), keys_.end(), [&](const PlayerKey& key) {
        return key.key == pressed->key() && key.modifiers == modifiers;
    });
    if (bound == keys_.end())
        return QObject::eventFilter(watched, event);
    // One key press reaches the filter once per object it is delivered to: the window first.
    if (event->type() == QEvent::KeyPress && !pressed->isAutoRepeat() && watched->isWindowType())
        bound->action();
    return true;
}
