#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// How far a render is. On a terminal a bar redrawn in place (frames done of the total, frames a
// second, time left), at most ten times a second; elsewhere (a log, a pipe) only the line at the
// end.
class RenderProgress {
  public:
    // Seconds on a steady clock; injected so that the figures can be checked without waiting.
    using Clock = std::function<double()>;
    RenderProgress(std::ostream& out, bool terminal, std::int64_t totalFrames, Clock clock);

    void frameDone(std::int64_t framesDone);
    // The closing line, for example "wrote take.mp4".
    void finish(const std::string& what);
    // Takes the bar off the terminal's line, so a message after it starts on a clean line.
    void clear();

    // The bar's text for these figures.
    static std::string barText(std::int64_t done, std::int64_t total, double elapsedSeconds);
    static std::string summaryText(const std::string& what, std::int64_t frames,
                                   double elapsedSeconds);

  private:
    std::ostream& out_;
    bool terminal_;
    std::int64_t total_;
    Clock clock_;
    double start_;
    double lastDrawn_ = -1.0;
    std::int64_t done_ = 0;
    bool barShown_ = false;
};

// Whether standard error is a terminal.
bool standardErrorIsTerminal();
