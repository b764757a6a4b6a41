#pragma once

#include <csignal>

// While it lives, Ctrl+C (SIGINT) and SIGTERM do not end the process but are noted, so that a
// long job can stop between two steps and clean up after itself. The handlers before it come
// back when it goes.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked to stop, or 0.
    static int received();

  private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};
