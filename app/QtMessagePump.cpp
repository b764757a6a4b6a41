#include "app/QtMessagePump.h"

#include <QAbstractEventDispatcher>
#include <cstdint>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

QtMessagePump::QtMessagePump(QWindow& window, std::function<bool()> quitPosted)
    : visibility_(window), quitPosted_(std::move(quitPosted)) {
    wakeUpTimer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % late: a millisecond on a frame's wait.
    wakeUpTimer_.setTimerType(Qt::PreciseTimer);
#ifdef __linux__
    wakeUpFile_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (wakeUpFile_ >= 0) {
        wakeUpNotifier_ = std::make_unique<QSocketNotifier>(wakeUpFile_, QSocketNotifier::Read);
        // Reading the expiry count makes the file quiet again.
        QObject::connect(wakeUpNotifier_.get(), &QSocketNotifier::activated, [this] {
            std::uint64_t expiries = 0;
            [[maybe_unused]] const auto bytes = read(wakeUpFile_, &expiries, sizeof expiries);
        });
    }
#endif
}

QtMessagePump::~QtMessagePump() {
    closeWakeUpFile();
}

void QtMessagePump::closeWakeUpFile() {
    wakeUpNotifier_.reset();
#ifdef __linux__
    if (wakeUpFile_ >= 0)
        close(wakeUpFile_);
#endif
    wakeUpFile_ = -1;
}

// Arms the timer file to fire once after `timeout`; a zero time disarms it.
bool QtMessagePump::armWakeUpFile([[maybe_unused]] std::chrono::microseconds timeout) {
#ifdef __linux__
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(timeout.count() / 1'000'000);
    when.it_value.tv_nsec = static_cast<long>(timeout.count() % 1'000'000 * 1000);
    return timerfd_settime(wakeUpFile_, 0, &when, nullptr) == 0;
#else
    return false;
#endif
}

bool QtMessagePump::dispatchPending() {
    return QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
}

void QtMessagePump::waitForMessages(std::chrono::microseconds timeout) {
    if (timeout.count() <= 0)
        return;
    // The timer's own event ends the wait when nothing else does first.
    if (wakeUpFile_ >= 0 && !armWakeUpFile(timeout))
        closeWakeUpFile();
    if (wakeUpFile_ < 0)
        wakeUpTimer_.start(std::chrono::duration_cast<std::chrono::milliseconds>(timeout));
    QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents |
                                                        QEventLoop::WaitForMoreEvents);
    if (wakeUpFile_ >= 0 && !armWakeUpFile(std::chrono::microseconds(0)))
        closeWakeUpFile();
    wakeUpTimer_.stop();
}
