#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// What the settings window says about the stream: waiting for a sender, receiving from one at
// a rate, or no data for a while; with the damaged datagrams dropped so far.
class LiveState {
  public:
    using Clock = std::chrono::steady_clock;

    LiveState(std::uint16_t liveLinkFacePort, std::uint16_t vmcPort)
        : liveLinkFacePort_(liveLinkFacePort), vmcPort_(vmcPort) {}

    // A frame taken from `sender` (escaped already), of `subject` (may be empty), at `when`.
    void frameTaken(const std::string& sender, const std::string& subject, Clock::time_point when);

    std::string line(Clock::time_point now, std::uint64_t malformed) const;

  private:
    std::uint16_t liveLinkFacePort_;
    std::uint16_t vmcPort_;
    std::string sender_;
    std::string subject_;
    bool any_ = false;
    Clock::time_point last_{};
    // Frames are counted over whole seconds; the rate shown is the last full second's.
    Clock::time_point windowStart_{};
    std::uint64_t inWindow_ = 0;
    double rate_ = 0.0;
};
