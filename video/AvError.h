#pragma once

#include <string>

// FFmpeg's text for one of its negative error codes.
std::string avErrorText(int code);

// Returns result when it is not an error; otherwise throws DemoError with what was being done and
// FFmpeg's reason.
int checkAv(int result, const std::string& what);

// FFmpeg's own lines stay quiet, its errors too: each failure reaches the person once, as the
// one line checkAv makes of it, and progress chatter would bury the render's own.
void keepFfmpegQuiet();
