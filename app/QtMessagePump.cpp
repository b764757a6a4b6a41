#include "app/QtMessagePump.h"

#include <QAbstractEventDispatcher>
#include <cstdint>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {

#ifdef __linux__
// Arms the timer file to fire once after `timeout`; a zero time disarms it.
void armTimerFile(int file, std::chrono::microseconds timeout) {
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(timeout.count() / 1'000'000);
    when.it_value.tv_nsec = static_cast<long>(timeout.count() % 1'000'000 * 1000);
    timerfd_settime(file, 0, &when, nullptr);
}
#endif

} // namespace

QtMessagePump::QtMessagePump(QWindow& window, std::function<bool()> quitPosted)
    : visibility_(window), quitPosted_(std::move(quitPosted)) {
#ifdef __linux__
    wakeUpFile_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (wakeUpFile_ >= 0) {
        wakeUpNotifier_ = std::make_unique<QSocketNotifier>(wakeUpFile_, QSocketNotifier::Read);
        // Reading the expiry count makes the file quiet again.
        QObject::connect(wakeUpNotifier_.get(), &QSocketNotifier::activated, [this] {
            std::uint64_t expiries = 0;
            [[maybe_unused]] const auto bytes = read(wakeUpFile_, &expiries, sizeof expiries);
        });
        return;
    }
#endif
    wakeUpTimer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % late: a millisecond on a frame's wait.
    wakeUpTimer_.setTimerType(Qt::PreciseTimer);
}

QtMessagePump::~QtMessagePump() {
    wakeUpNotifier_.reset();
#ifdef __linux__
    if (wakeUpFile_ >= 0)
        close(wakeUpFile_);
#endif
}

bool QtMessagePump::dispatchPending() {
    return QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
}

void QtMessagePump::waitForMessages(std::optional<std::chrono::microseconds> timeout) {
    if (timeout && timeout->count() <= 0)
        return;
        // The timer's own event ends the wait when nothing else does first.
#ifdef __linux__
    if (wakeUpFile_ >= 0 && timeout)
        armTimerFile(wakeUpFile_, *timeout);
#endif
    if (wakeUpFile_ < 0 && timeout)
        wakeUpTimer_.start(std::chrono::duration_cast<std::chrono::milliseconds>(*timeout));
    QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents |
                                                        QEventLoop::WaitForMoreEvents);
#ifdef __linux__
    if (wakeUpFile_ >= 0 && timeout)
        armTimerFile(wakeUpFile_, std::chrono::microseconds(0));
#endif
    wakeUpTimer_.stop();
}
