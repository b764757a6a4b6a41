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
    // Blocks until a message arrives or the timeout passes; it may handle what arrived. It may
    // return early, never much late. A pump that cannot block returns at once, and the loop polls.
    virtual void waitForMessages(std::chrono::microseconds /*timeout*/) {}
    // False while the main window cannot be seen (minimised, unmapped, fully covered).
    virtual bool windowExposed() const { return true; }
};

// What the loop draws: renderFrame gets the seconds since the previous frame; pictureChanged says
// whether a frame now would show anything new (no function: every frame does).
struct FrameClient {
    std::function<void(float dt)> renderFrame;
    std::function<bool()> pictureChanged;
};

// Runs frames at 60 per second until quit is posted. Messages always come first; when none are
// waiting and the clock has reached the next deadline, renderFrame gets the seconds since the
// previous frame. Deadlines lie on a fixed grid one period apart; deadlines missed by more than a
// period are dropped, not replayed. Between frames the loop blocks on the queue until shortly
// before the next deadline and polls the clock only for the rest, so that a core is not spun
// for timing a blocked wait can do.
//
// The loop rests while there is nothing to draw: the window cannot be seen, or the picture has
// not changed. It then waits on the queue a restWait at a time (looking again after each, so no
// missed notice can keep it asleep), and the first frame after a rest runs at once and gets one
// frame period as its time: time spent resting never reaches a frame, where it would scale the
// camera's motion. Throws DemoError when the clock has no frequency.
void runFrameLoop(PerformanceClock& clock, MessagePump& pump, const FrameClient& client);

// Draws every frame, for a picture that changes all the time.
inline void runFrameLoop(PerformanceClock& clock, MessagePump& pump,
                         const std::function<void(float dt)>& renderFrame) {
    runFrameLoop(clock, pump, FrameClient{renderFrame, {}});
}

// How long before a deadline the loop stops blocking and polls: wider than a blocked wait's
// usual lateness, so that frames keep to the grid.
inline constexpr std::chrono::microseconds frameWaitMargin{250};
// The longest a resting loop sleeps before it looks at the window and the picture again.
inline constexpr std::chrono::microseconds restWait{250'000};
