#pragma once

#include <string>

// FFmpeg's text for one of its negative error codes.
std::string avErrorText(int code);

// Returns result when it is not an error; otherwise throws DemoError with what was being done and
// FFmpeg's reason.
int checkAv(int result, const std::string& what);

// FFmpeg says only what fails, on standard error; its progress chatter would bury the render's.
void keepFfmpegQuiet();
