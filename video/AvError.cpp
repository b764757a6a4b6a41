#include "video/AvError.h"

#include "common/DemoError.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

std::string avErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0)
        return "error " + std::to_string(code);
    return text;
}

int checkAv(int result, const std::string& what) {
    if (result < 0)
        throw DemoError(what + ": " + avErrorText(result));
    return result;
}

void keepFfmpegQuiet() {
    av_log_set_level(AV_LOG_FATAL);
}
