#pragma once

#include "app/PerformanceClock.h"

#include <chrono>
#include <functional>
#include <optional>

// Where the frame loop takes its messages from.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Handles what is waiting without blocking; false when nothing was waiting.
    virtual bool dispatchPending() = 0;
    // True once the main window has been destroyed.
    virtual bool quitPosted() const = 0;
    // Blocks until a message arrives or the timeout passes (no timeout: until a message); it may
    // handle what arrived. It may return early, never much late. A pump that cannot block
    // returns at once, and the loop polls.
    virtual void waitForMessages(std::optional<std::chrono::microseconds> /*timeout*/) {}
    // False while the main window cannot be seen (minimised, unmapped, fully covered).
    virtual bool windowExposed() const { return true; }
};

// Runs frames at 60 per second until quit is posted. Messages always come first; when none are
// waiting and the clock has reached the next deadline, renderFrame gets the seconds since the
// previous frame. Deadlines lie on a fixed grid one period apart; deadlines missed by more than a
// period are dropped, not replayed. Between frames the loop blocks on the queue until shortly
// before the next deadline and polls the clock only for the rest, so that a core is not spun
// for timing a blocked wait can do; while the window is hidden it draws nothing and waits for
// messages, and the frame after it shows again runs at once. Throws DemoError when the clock has
// no frequency.
void runFrameLoop(PerformanceClock& clock, MessagePump& pump,
                  const std::function<void(float dt)>& renderFrame);

// How long before a deadline the loop stops blocking and polls: wider than a blocked wait's
// usual lateness, so that frames keep to the grid.
inline constexpr std::chrono::microseconds frameWaitMargin{250};
