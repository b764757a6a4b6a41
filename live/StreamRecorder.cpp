#include "live/StreamRecorder.h"

#include "common/DemoError.h"
#include "common/LowerCase.h"
#include "live/ArkitShapes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

namespace {

constexpr std::int64_t ticksPerFrame = 1000;
constexpr std::int64_t ticksPerSecond = 60 * ticksPerFrame;
constexpr std::int64_t ticksPerDay = 86400 * ticksPerSecond;
// Rows of lost tracking this far apart bridge a silence; the reader refuses gaps over 10 s.
constexpr std::int64_t silenceStepTicks = 5 * ticksPerSecond;

std::int64_t wallClockTicksOfDay() {
    const auto now = std::chrono::system_clock::now();
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return (sinceEpoch % (86400 * 1000)) * ticksPerSecond / 1000;
}

std::string timecodeText(std::int64_t ticks) {
    const std::int64_t second = ticks / ticksPerSecond % 86400;
    const std::int64_t frame = ticks / ticksPerFrame % 60;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d.%03d", static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60),
                  static_cast<int>(frame), static_cast<int>(ticks % ticksPerFrame));
    return text;
}

void appendNumber(std::string& line, float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    line += ',';
    line.append(text, end);
}

} // namespace

StreamRecorder::StreamRecorder(std::filesystem::path path)
    : path_(std::move(path)), partPath_(path_.string() + ".part"),
      out_(partPath_, std::ios::binary | std::ios::trunc) {
    if (!out_)
        throw DemoError(partPath_.string() + ": cannot write the recording");
    std::string header = "Timecode,BlendShapeCount";
    for (const std::string_view name : arkitFileOrder)
        (header += ',') += name;
    header += ",HeadYaw,HeadPitch,HeadRoll,LeftEyeYaw,LeftEyePitch,LeftEyeRoll,RightEyeYaw,"
              "RightEyePitch,RightEyeRoll\n";
    out_ << header;
    out_.flush();
    if (!out_)
        throw DemoError(partPath_.string() + ": cannot write the recording");
}

StreamRecorder::~StreamRecorder() {
    if (!finished_) {
        try {
            finish();
        } catch (const DemoError&) {
            // Said by finish's caller when there is one; from a destructor, the .part stays.
        }
    }
}

std::int64_t StreamRecorder::rowTicks(const LiveArrival& arrival) {
    if (!any_) {
        firstArrival_ = arrival.arrived;
        firstArrivalTicks_ = wallClockTicksOfDay();
    }
    std::int64_t ticks = 0;
    const std::optional<LiveFrameTime>& time = arrival.frame.time;
    if (time && time->rateNumerator > 0 && time->rateDenominator > 0 && time->frame >= 0) {
        const double seconds =
            static_cast<double>(time->frame) * time->rateDenominator / time->rateNumerator;
        const double fraction = std::clamp(static_cast<double>(time->subFrame), 0.0, 0.999) *
                                time->rateDenominator / time->rateNumerator;
        ticks =
            std::llround((seconds + fraction) * static_cast<double>(ticksPerSecond)) % ticksPerDay;
    } else {
        const auto since =
            std::chrono::duration_cast<std::chrono::microseconds>(arrival.arrived - firstArrival_)
                .count();
        ticks = (firstArrivalTicks_ + since * ticksPerSecond / 1'000'000) % ticksPerDay;
    }
    // The frame time's day starts again at midnight: counted on from the day before.
    if (any_) {
        while (ticks + ticksPerDay / 2 < lastTicks_)
            ticks += ticksPerDay;
        ticks = std::max(ticks, lastTicks_);
    }
    return ticks;
}

void StreamRecorder::write(const LiveArrival& arrival) {
    if (finished_)
        return;
    const std::int64_t ticks = rowTicks(arrival);
    if (any_)
        for (std::int64_t bridge = lastTicks_ + silenceStepTicks; bridge < ticks;
             bridge += silenceStepTicks)
            writeRow(bridge, nullptr);
    writeRow(ticks, arrival.frame.tracked ? &arrival.frame : nullptr);
    any_ = true;
    if (arrival.arrived - lastFlush_ >= std::chrono::seconds(1)) {
        out_.flush();
        lastFlush_ = arrival.arrived;
    }
}

void StreamRecorder::writeRow(std::int64_t ticks, const LiveFrame* frame) {
    lastTicks_ = ticks;
    std::string line = timecodeText(ticks);
    line += frame ? ",61" : ",0";
    row_.assign(arkitFileOrder.size(), 0.0f);
    if (frame)
        for (const LiveWeight& weight : frame->weights) {
            const std::string lower = lowerCase(weight.name);
            const auto column =
                std::find_if(arkitFileOrder.begin(), arkitFileOrder.end(),
                             [&](std::string_view name) { return lowerCase(name) == lower; });
            if (column != arkitFileOrder.end())
                row_[static_cast<std::size_t>(column - arkitFileOrder.begin())] = weight.value;
        }
    for (const float value : row_)
        appendNumber(line, value);
    const HeadAngles head = frame && frame->head ? *frame->head : HeadAngles{};
    for (const float angle : {head.yaw, head.pitch, head.roll})
        appendNumber(line, angle);
    for (const float angle : frame ? frame->eyeAngles : std::array<float, 6>{})
        appendNumber(line, angle);
    line += '\n';
    out_ << line;
}

void StreamRecorder::finish() {
    if (finished_)
        return;
    finished_ = true;
    out_.flush();
    const bool written = static_cast<bool>(out_);
    out_.close();
    if (!written || out_.fail())
        throw DemoError(partPath_.string() + ": writing the recording failed; what was written "
                                             "is kept there");
    std::error_code error;
    std::filesystem::rename(partPath_, path_, error);
    if (error)
        throw DemoError(partPath_.string() + ": cannot rename it to " + path_.string() + ": " +
                        error.message());
}
