#pragma once

#include "app/PerformanceClock.h"

#include <functional>

// Where the frame loop takes its messages from.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Handles what is waiting without blocking; false when nothing was waiting.
    virtual bool dispatchPending() = 0;
    // True once the main window has been destroyed.
    virtual bool quitPosted() const = 0;
};

// Runs frames at 60 per second until quit is posted. Messages always come first; when none are
// waiting and the clock has reached the next deadline, renderFrame gets the seconds since the
// previous frame. Deadlines lie on a fixed grid one period apart; deadlines missed by more than a
// period are dropped, not replayed. The loop never sleeps. Throws DemoError when the clock has
// no frequency.
void runFrameLoop(PerformanceClock& clock, MessagePump& pump,
                  const std::function<void(float dt)>& renderFrame);
