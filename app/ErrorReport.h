#pragma once

#include <functional>
#include <string>

// The one place where failures end the demo: runs demo, and if it throws, lets the objects it
// built be torn down (they live inside demo), writes the reason to standard error and shows the
// warning box. Returns the process's exit status: 0 when demo ended normally, 1 after the box,
// so that whoever started the demo can tell a failure from a close.
// A program that shows no window (a render) says why in the line alone.
enum class FailureNotice { LineAndBox, LineOnly };
int runReportingFailures(const std::function<void()>& demo,
                         FailureNotice notice = FailureNotice::LineAndBox);

inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;

// What the box says.
inline constexpr const char* errorBoxCaption = "Error Message";
inline constexpr const char* errorBoxText =
    "The demo must finish due an error. Please feel free to contact me: contact@mirelda.dev";

// Tests replace the modal box with a recorder; an empty function restores the real box.
using ErrorBoxPresenter = std::function<void(const std::string& caption, const std::string& text)>;
void setErrorBoxPresenter(ErrorBoxPresenter presenter);
