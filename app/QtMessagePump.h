#pragma once

#include "app/FrameLoop.h"
#include "app/WindowVisibility.h"

#include <QTimer>
#include <functional>

// Qt's event queue as the frame loop's message source, for the window the frames are drawn in.
class QtMessagePump final : public MessagePump {
  public:
    QtMessagePump(QWindow& window, std::function<bool()> quitPosted);

    bool dispatchPending() override;
    bool quitPosted() const override { return quitPosted_(); }
    // Qt handles what ends the wait as it arrives; the loop then finds the queue empty.
    void waitForMessages(std::optional<std::chrono::milliseconds> timeout) override;
    bool windowExposed() const override { return visibility_.visible(); }

  private:
    WindowVisibility visibility_;
    std::function<bool()> quitPosted_;
    QTimer wakeUp_;
};
