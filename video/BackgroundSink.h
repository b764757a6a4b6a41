#pragma once

#include "video/FrameSink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Hands frames to another sink on a thread of its own, so encoding one frame overlaps drawing
// the next. At most `depth` frames wait; a writer that runs ahead waits for the encoder. A
// failure of the sink comes back from the next write or from finish.
class BackgroundSink final : public FrameSink {
  public:
    BackgroundSink(std::unique_ptr<FrameSink> sink, std::size_t depth = 2);
    // Stops the thread, dropping frames not yet written.
    ~BackgroundSink() override;

    void write(std::span<const std::uint32_t> argb) override;
    void finish() override;

  private:
    void run();
    void rethrowFailure();

    std::unique_ptr<FrameSink> sink_;
    std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<std::uint32_t>> waiting_;
    std::vector<std::vector<std::uint32_t>> spare_;
    bool busy_ = false;
    bool closing_ = false;
    bool dropping_ = false;
    std::exception_ptr failure_;
    std::thread worker_;
};
