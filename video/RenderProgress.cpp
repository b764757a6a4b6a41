#include "video/RenderProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int barWidth = 30;
constexpr double redrawSeconds = 0.1;

std::string minutesAndSeconds(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(std::max(seconds, 0.0)));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

} // namespace

RenderProgress::RenderProgress(std::ostream& out, bool terminal, std::int64_t totalFrames,
                               Clock clock)
    : out_(out), terminal_(terminal), total_(totalFrames), clock_(std::move(clock)),
      start_(clock_()) {}

std::string RenderProgress::barText(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const auto filled = static_cast<int>(std::floor(share * barWidth));
    std::string text(1, '[');
    text.append(static_cast<std::size_t>(filled), '#')
        .append(static_cast<std::size_t>(barWidth - filled), '.')
        .append("] ");
    char figures[96];
    if (done > 0 && elapsedSeconds > 0.0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        std::snprintf(figures, sizeof figures, "%lld/%lld frames  %.1f frames/s  %s left",
                      static_cast<long long>(done), static_cast<long long>(total), rate,
                      minutesAndSeconds(static_cast<double>(total - done) / rate).c_str());
    } else {
        std::snprintf(figures, sizeof figures, "%lld/%lld frames", static_cast<long long>(done),
                      static_cast<long long>(total));
    }
    return text + figures;
}

std::string RenderProgress::summaryText(const std::string& what, std::int64_t frames,
                                        double elapsedSeconds) {
    char figures[96];
    std::snprintf(figures, sizeof figures, ": %lld frames in %.1f s (%.1f frames/s)",
                  static_cast<long long>(frames), elapsedSeconds,
                  elapsedSeconds > 0.0 ? static_cast<double>(frames) / elapsedSeconds : 0.0);
    return what + figures;
}

void RenderProgress::frameDone(std::int64_t framesDone) {
    done_ = framesDone;
    if (!terminal_)
        return;
    const double now = clock_();
    if (lastDrawn_ >= 0.0 && now - lastDrawn_ < redrawSeconds && framesDone != total_)
        return;
    lastDrawn_ = now;
    out_ << '\r' << barText(framesDone, total_, now - start_) << "\x1b[K" << std::flush;
    barShown_ = true;
}

void RenderProgress::clear() {
    if (barShown_)
        out_ << "\r\x1b[K" << std::flush;
    barShown_ = false;
}

void RenderProgress::finish(const std::string& what) {
    clear();
    out_ << summaryText(what, done_, clock_() - start_) << std::endl;
}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}
