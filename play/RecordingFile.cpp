#include "common/DataFile.h"
#include "common/DemoError.h"
#include "common/LowerCase.h"
#include "common/RecordingColumns.h"
#include "play/Recording.h"
#include "play/Timecode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>

namespace {

// No real row comes near this; a longer line is not a recording, and is not read into memory.
constexpr std::size_t maxLineBytes = 64 * 1024;

constexpr std::int32_t secondsPerDay = 24 * 60 * 60;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(trimmed(line.substr(0, comma)));
        if (comma == std::string_view::npos)
            return fields;
        line.remove_prefix(comma + 1);
    }
}

std::optional<float> parseNumber(std::string_view text) {
    float value = 0.0f;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Where each kind of column sits in a row.
struct Layout {
    std::size_t fieldCount = 0;
    std::size_t timecode = 0;
    std::size_t shapeCount = 0;
    std::vector<std::size_t> weights;   // in Recording::columns order
    std::vector<std::size_t> rotations; // checked, not kept
};

class RecordingReader {
  public:
    explicit RecordingReader(const std::filesystem::path& path) : path_(path) {}

    Recording read() {
        if (const auto reason = whyNotARegularFile(path_))
            throw DemoError(path_.string() + ": cannot open recording: " + *reason);
        std::ifstream in(path_, std::ios::binary);
        if (!in)
            throw DemoError(path_.string() + ": cannot open recording");
        std::string line;
        bool headerRead = false;
        while (nextLine(in, line)) {
            if (trimmed(line).empty())
                continue;
            if (!headerRead) {
                readHeader(line);
                headerRead = true;
            } else {
                readRow(line);
            }
        }
        if (in.bad())
            throw DemoError(path_.string() + ": cannot read recording");
        if (!headerRead)
            fail("no header: the file is empty");
        if (timecodes_.empty())
            fail("the recording has no rows");
        finishTimes();
        return std::move(recording_);
    }

  private:
    [[noreturn]] void fail(const std::string& fault) const {
        throw DemoError(path_.string() + ":" + std::to_string(lineNumber_) + ": " + fault);
    }

    bool nextLine(std::istream& in, std::string& line) {
        line.clear();
        char c = 0;
        bool any = false;
        while (in.get(c)) {
            any = true;
            if (c == '\n')
                break;
            if (line.size() == maxLineBytes) {
                ++lineNumber_;
                fail("the line is longer than " + std::to_string(maxLineBytes) + " bytes");
            }
            line.push_back(c);
        }
        if (!any)
            return false;
        ++lineNumber_;
        if (lineNumber_ == 1 && line.starts_with("\xef\xbb\xbf"))
            line.erase(0, 3);
        return true;
    }

    void readHeader(std::string_view line) {
        const std::vector<std::string_view> names = splitFields(line);
        std::optional<std::size_t> timecode;
        std::optional<std::size_t> shapeCount;
        std::vector<std::string> seen;
        for (std::size_t field = 0; field < names.size(); ++field) {
            const std::string lower = lowerCase(names[field]);
            if (lower.empty())
                fail("no header: column " + std::to_string(field + 1) + " has no name");
            if (std::find(seen.begin(), seen.end(), lower) != seen.end())
                fail("no header: column \"" + std::string(names[field]) + "\" appears twice");
            seen.push_back(lower);
            if (lower == timecodeColumn) {
                timecode = field;
            } else if (lower == shapeCountColumn) {
                shapeCount = field;
            } else if (isRotationColumn(lower)) {
                layout_.rotations.push_back(field);
                recording_.rotationColumns.emplace_back(names[field]);
            } else {
                layout_.weights.push_back(field);
                recording_.columns.emplace_back(names[field]);
            }
        }
        if (!timecode || !shapeCount)
            fail("no header: the first line does not name a Timecode and a BlendShapeCount column");
        layout_.fieldCount = names.size();
        layout_.timecode = *timecode;
        layout_.shapeCount = *shapeCount;
    }

    void readRow(std::string_view line) {
        const std::vector<std::string_view> fields = splitFields(line);
        const auto field = [&](std::size_t index) {
            return index < fields.size() ? fields[index] : std::string_view();
        };
        auto timecode = parseTimecode(field(layout_.timecode));
        if (!timecode)
            fail("\"" + std::string(field(layout_.timecode)) +
                 "\" is not a timecode (HH:MM:SS:FF.fff)");
        timecode->secondOfDay += pastMidnight_ ? secondsPerDay : 0;
        if (!timecodes_.empty() && timecode->before(timecodes_.back())) {
            // The time of day starts again at midnight; a take lasts less than a day, so it
            // crosses midnight once at most.
            const bool crossesMidnight = !pastMidnight_ &&
                                         timecodes_.back().secondOfDay >= secondsPerDay - 3600 &&
                                         timecode->secondOfDay < 3600;
            if (!crossesMidnight)
                fail("timecode " + std::string(field(layout_.timecode)) +
                     " is earlier than the row before");
            pastMidnight_ = true;
            timecode->secondOfDay += secondsPerDay;
        }
        const std::string_view countText = field(layout_.shapeCount);
        std::int32_t shapeCount = -1;
        const auto [end, error] =
            std::from_chars(countText.data(), countText.data() + countText.size(), shapeCount);
        if (error != std::errc() || end != countText.data() + countText.size() || shapeCount < 0)
            fail("the blendshape count \"" + std::string(countText) + "\" is not a whole number");
        timecodes_.push_back(*timecode);

        const std::size_t columns = layout_.weights.size();
        if (shapeCount == 0) {
            // Tracking lost: hold the pose before, or the rest pose at the start.
            if (recording_.weights.size() >= columns && !recording_.weights.empty())
                recording_.weights.insert(recording_.weights.end(),
                                          recording_.weights.end() - static_cast<long>(columns),
                                          recording_.weights.end());
            else
                recording_.weights.insert(recording_.weights.end(), columns, 0.0f);
            return;
        }
        if (fields.size() != layout_.fieldCount)
            fail("the row has " + std::to_string(fields.size()) + " fields, the header " +
                 std::to_string(layout_.fieldCount));
        for (const std::size_t index : layout_.weights)
            recording_.weights.push_back(std::clamp(number(fields[index]), 0.0f, 1.0f));
        for (const std::size_t index : layout_.rotations)
            number(fields[index]);
    }

    float number(std::string_view text) const {
        const auto value = parseNumber(text);
        if (!value)
            fail("\"" + std::string(text) + "\" is not a number");
        return *value;
    }

    void finishTimes() {
        const bool sixty = std::any_of(timecodes_.begin(), timecodes_.end(),
                                       [](const Timecode& t) { return t.frame >= 30; });
        recording_.framesPerSecond = sixty ? 60 : 30;
        const double start = timecodes_.front().seconds(recording_.framesPerSecond);
        recording_.times.reserve(timecodes_.size());
        for (const Timecode& timecode : timecodes_)
            recording_.times.push_back(timecode.seconds(recording_.framesPerSecond) - start);
    }

    std::filesystem::path path_;
    std::size_t lineNumber_ = 0;
    Layout layout_;
    std::vector<Timecode> timecodes_;
    bool pastMidnight_ = false; // from here on, timecodes count from the day before's midnight
    Recording recording_;
};

} // namespace

Recording readRecording(const std::filesystem::path& path) {
    return RecordingReader(path).read();
}
