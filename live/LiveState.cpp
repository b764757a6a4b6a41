#include "live/LiveState.h"

#include <cmath>

void LiveState::frameTaken(const std::string& sender, const std::string& subject,
                           Clock::time_point when) {
    if (!any_ || when - last_ > std::chrono::seconds(1)) {
        // A new start: the rate counts from here.
        windowStart_ = when;
        inWindow_ = 0;
        rate_ = 0.0;
    }
    any_ = true;
    sender_ = sender;
    subject_ = subject;
    last_ = when;
    ++inWindow_;
    const std::chrono::duration<double> window = when - windowStart_;
    if (window.count() >= 1.0) {
        rate_ = static_cast<double>(inWindow_ - 1) / window.count();
        windowStart_ = when;
        inWindow_ = 1;
    }
}

std::string LiveState::line(Clock::time_point now, std::uint64_t malformed) const {
    std::string text;
    const auto silent = std::chrono::duration_cast<std::chrono::seconds>(now - last_);
    if (!any_) {
        text = "Waiting for a sender on ports " + std::to_string(liveLinkFacePort_) + " and " +
               std::to_string(vmcPort_);
    } else if (silent >= std::chrono::seconds(2)) {
        text = "No data for " + std::to_string(silent.count()) + " s from " + sender_;
    } else {
        text = "Receiving from " + sender_;
        if (!subject_.empty())
            text += " (\"" + subject_ + "\")";
        if (rate_ > 0.0)
            text += " at " + std::to_string(std::lround(rate_)) + " Hz";
    }
    if (malformed > 0)
        text += "; " + std::to_string(malformed) + " malformed";
    return text;
}
