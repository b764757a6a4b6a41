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

// The sender's frame time in ticks of its day, when it sends a usable one.
std::optional<std::int64_t> senderTicks(const LiveFrame& frame) {
    const std::optional<LiveFrameTime>& time = frame.time;
    if (!time || time->rateNumerator <= 0 || time->rateDenominator <= 0 || time->frame < 0)
        return std::nullopt;
    const double frameSeconds = static_cast<double>(time->rateDenominator) / time->rateNumerator;
    const double seconds =
        (time->frame + std::clamp(static_cast<double>(time->subFrame), 0.0, 0.999)) * frameSeconds;
    return std::llround(seconds * static_cast<double>(ticksPerSecond)) % ticksPerDay;
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
    for (std::size_t column = 0; column < arkitFileOrder.size(); ++column) {
        (header += ',') += arkitFileOrder[column];
        columnOfShape_.emplace(lowerCase(arkitFileOrder[column]), column);
    }
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
        anchorArrival_ = arrival.arrived;
        anchorTicks_ = senderTicks(arrival.frame).value_or(wallClockTicksOfDay());
    }
    const auto sinceAnchor =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival.arrived - anchorArrival_)
            .count();
    std::int64_t ticks = anchorTicks_ + sinceAnchor * ticksPerSecond / 1'000'000;
    // The sender's clock is taken while it keeps with the arrivals; a sender that restarts, or
    // a second stream on another clock, is timed by arrival until its clock agrees again.
    if (const std::optional<std::int64_t> sent = senderTicks(arrival.frame)) {
        std::int64_t candidate = *sent;
        while (candidate + ticksPerDay / 2 < ticks)
            candidate += ticksPerDay; // the sender's day starts again at midnight
        if (std::abs(candidate - ticks) < ticksPerSecond) {
            ticks = candidate;
            anchorArrival_ = arrival.arrived;
            anchorTicks_ = candidate;
        }
    }
    return any_ ? std::max(ticks, lastTicks_) : ticks;
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
        for (const LiveWeight& weight : frame->weights)
            if (const auto column = columnOfShape_.find(lowerCase(weight.name));
                column != columnOfShape_.end())
                row_[column->second] = weight.value;
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
