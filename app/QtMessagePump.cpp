#include "app/QtMessagePump.h"

#include <QAbstractEventDispatcher>

QtMessagePump::QtMessagePump(QWindow& window, std::function<bool()> quitPosted)
    : visibility_(window), quitPosted_(std::move(quitPosted)) {
    wakeUp_.setSingleShot(true);
    // A coarse timer may fire up to 5 % late: a millisecond on a frame's wait.
    wakeUp_.setTimerType(Qt::PreciseTimer);
}

bool QtMessagePump::dispatchPending() {
    return QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
}

void QtMessagePump::waitForMessages(std::optional<std::chrono::milliseconds> timeout) {
    // The timer's own event ends the wait when nothing else does first.
    if (timeout)
        wakeUp_.start(*timeout);
    QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents |
                                                        QEventLoop::WaitForMoreEvents);
    wakeUp_.stop();
}
