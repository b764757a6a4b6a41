#pragma once

#include "app/FrameLoop.h"
#include "app/WindowVisibility.h"

#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

// Qt's event queue as the frame loop's message source, for the window the frames are drawn in.
class QtMessagePump final : public MessagePump {
  public:
    QtMessagePump(QWindow& window, std::function<bool()> quitPosted);
    ~QtMessagePump() override;
    QtMessagePump(const QtMessagePump&) = delete;
    QtMessagePump& operator=(const QtMessagePump&) = delete;

    bool dispatchPending() override;
    bool quitPosted() const override { return quitPosted_(); }
    // Qt handles what ends the wait as it arrives; the loop then finds the queue empty.
    void waitForMessages(std::chrono::microseconds timeout) override;
    bool windowExposed() const override { return visibility_.visible(); }

  private:
    WindowVisibility visibility_;
    std::function<bool()> quitPosted_;
    // Qt's timers count whole milliseconds; where the system has a timer file descriptor, the
    // wait ends to the microsecond and the loop polls for a quarter of a millisecond at most.
    // A timer file that cannot be armed is given up for Qt's timer.
    bool armWakeUpFile(std::chrono::microseconds timeout);
    void closeWakeUpFile();
    int wakeUpFile_ = -1;
    std::unique_ptr<QSocketNotifier> wakeUpNotifier_;
    QTimer wakeUpTimer_;
};
