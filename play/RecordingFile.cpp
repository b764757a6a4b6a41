#include "common/DataFile.h"
#include "common/DemoError.h"
#include "common/EscapedText.h"
#include "common/LowerCase.h"
#include "common/RecordingColumns.h"
#include "play/Recording.h"
#include "play/Timecode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
#include <set>
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

// A field as a message quotes it, escaped: a NUL would end the message where it is shown.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    out += escapedText(text);
    out += '"';
    return out;
}

std::string secondsText(double seconds) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 2).ptr;
    return std::string(text, end);
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
    std::vector<std::size_t> weights;                     // in Recording::columns order
    std::vector<std::size_t> rotations;                   // checked; the head's kept in headAngles
    std::array<std::optional<std::size_t>, 3> headAngles; // yaw, pitch, roll
};

// A head angle past a full turn is no head's pose; the bound keeps the rotation's arithmetic
// in range.
constexpr float maxHeadAngle = 6.2832f;

class RecordingReader {
  public:
    explicit RecordingReader(const std::filesystem::path& path) : path_(path) {}

    Recording read() {
        try {
            return readFile();
        } catch (const std::bad_alloc&) {
            // What was read goes first, so that the message can be made.
            rows_ = {};
            recording_ = {};
            fail("the recording does not fit in memory");
        }
    }

  private:
    // A row as read, before the frame rate is known.
    struct Row {
        Timecode timecode;
        std::size_t line;
    };

    Recording readFile() {
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
        if (rows_.empty())
            fail("the recording has no rows");
        if (!anyTracked_ && !layout_.weights.empty())
            fail("tracking was lost on every row: nothing to play");
        finishTimes();
        return std::move(recording_);
    }

    [[noreturn]] void fail(const std::string& fault) const { failAt(lineNumber_, fault); }
    [[noreturn]] void failAt(std::size_t line, const std::string& fault) const {
        throw DemoError(path_.string() + ":" + std::to_string(line) + ": " + fault);
    }

    bool nextLine(std::istream& in, std::string& line) {
        line.clear();
        char c = 0;
        bool any = false;
        while (in.get(c)) {
            any = true;
            if (c == '\n')
                break;
            if (c == '\r') { // CR LF, or a CR alone as old Mac tools end lines
                if (in.peek() == '\n')
                    in.get();
                break;
            }
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
        std::set<std::string> seen;
        for (std::size_t field = 0; field < names.size(); ++field) {
            const std::string lower = lowerCase(names[field]);
            if (lower.empty())
                fail("no header: column " + std::to_string(field + 1) + " has no name");
            if (!seen.insert(lower).second)
                fail("no header: column " + quoted(names[field]) + " appears twice");
            if (lower == timecodeColumn) {
                timecode = field;
            } else if (lower == shapeCountColumn) {
                shapeCount = field;
            } else if (isRotationColumn(lower)) {
                layout_.rotations.push_back(field);
                recording_.rotationColumns.emplace_back(names[field]);
                for (std::size_t angle = 0; angle < 3; ++angle)
                    if (lower == rotationColumns[angle]) {
                        layout_.headAngles[angle] = field;
                        recording_.hasHeadAngles = true;
                    }
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
            fail(quoted(field(layout_.timecode)) + " is not a timecode (HH:MM:SS:FF.fff)");
        timecode->secondOfDay += pastMidnight_ ? secondsPerDay : 0;
        if (!rows_.empty() && timecode->before(rows_.back().timecode)) {
            // The time of day starts again at midnight; a take lasts less than a day, so it
            // crosses midnight once at most.
            const bool crossesMidnight =
                !pastMidnight_ && rows_.back().timecode.secondOfDay >= secondsPerDay - 3600 &&
                timecode->secondOfDay < 3600;
            if (!crossesMidnight)
                fail("timecode " + quoted(field(layout_.timecode)) +
                     " is earlier than the row before");
            pastMidnight_ = true;
            timecode->secondOfDay += secondsPerDay;
        }
        const std::string_view countText = field(layout_.shapeCount);
        std::int32_t shapeCount = -1;
        const auto [end, error] =
            std::from_chars(countText.data(), countText.data() + countText.size(), shapeCount);
        if (error != std::errc() || end != countText.data() + countText.size() || shapeCount < 0)
            fail("the blendshape count " + quoted(countText) + " is not a whole number");
        checkSpan(*timecode);
        rows_.push_back({*timecode, lineNumber_});

        if (shapeCount == 0) {
            // Tracking lost: the pose before, or the rest pose at the start, which is made once.
            if (recording_.poseOfRow.empty()) {
                recording_.poses.insert(recording_.poses.end(), layout_.weights.size(), 0.0f);
                if (recording_.hasHeadAngles)
                    recording_.headAngles.insert(recording_.headAngles.end(), 3, 0.0f);
                ++poseCount_;
            }
            recording_.poseOfRow.push_back(
                recording_.poseOfRow.empty() ? 0 : recording_.poseOfRow.back());
            return;
        }
        if (fields.size() != layout_.fieldCount)
            fail("the row has " + std::to_string(fields.size()) + " fields, the header " +
                 std::to_string(layout_.fieldCount));
        // Without curves or head angles every row shows the one empty pose.
        const bool posesHoldAnything = !layout_.weights.empty() || recording_.hasHeadAngles;
        const std::size_t pose = posesHoldAnything ? poseCount_ : 0;
        if (pose > std::numeric_limits<std::uint32_t>::max())
            fail("more than " + std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                 " rows");
        for (const std::size_t index : layout_.weights)
            recording_.poses.push_back(std::clamp(number(fields[index]), 0.0f, 1.0f));
        for (const std::size_t index : layout_.rotations)
            number(fields[index]);
        if (recording_.hasHeadAngles)
            for (const std::optional<std::size_t>& index : layout_.headAngles) {
                const float angle = index ? number(fields[*index]) : 0.0f;
                if (!(std::abs(angle) <= maxHeadAngle))
                    fail("the head angle " + quoted(fields[*index]) + " is more than a full turn");
                recording_.headAngles.push_back(angle);
            }
        recording_.poseOfRow.push_back(static_cast<std::uint32_t>(pose));
        poseCount_ = pose + 1;
        anyTracked_ = true;
    }

    float number(std::string_view text) const {
        const auto value = parseNumber(text);
        if (!value)
            fail(quoted(text) + " is not a number");
        return *value;
    }

    // A hole a player would freeze across (a damaged row's timecode hours ahead), or a take of a
    // day or more, refused at its row whichever the rate turns out to be; finishTimes checks
    // again once the rate is known.
    void checkSpan(const Timecode& timecode) {
        sixtySoFar_ = sixtySoFar_ || timecode.frame >= 30;
        if (rows_.empty())
            return;
        // Said at the rate seen so far, refused only if too long at either.
        const std::int32_t rate = sixtySoFar_ ? 60 : 30;
        const auto since = [&](const Timecode& from, std::int32_t at) {
            return timecode.seconds(at) - from.seconds(at);
        };
        const auto tooLong = [&](const Timecode& from, double limit) {
            return since(from, rate) > limit && since(from, 60) > limit;
        };
        if (tooLong(rows_.back().timecode, maxRowGapSeconds))
            failAt(lineNumber_, holeFault(since(rows_.back().timecode, rate)));
        if (tooLong(rows_.front().timecode, secondsPerDay - 1e-9))
            failAt(lineNumber_, dayFault);
    }

    static std::string holeFault(double gap) {
        return "the row comes " + secondsText(gap) + " s after the row before, more than " +
               secondsText(maxRowGapSeconds) + " s: a hole in the take";
    }
    static constexpr const char* dayFault = "the take lasts a day or more from its first row";

    // Once the rate is known: the times, checked as checkSpan does.
    void finishTimes() {
        const bool sixty = std::any_of(rows_.begin(), rows_.end(),
                                       [](const Row& row) { return row.timecode.frame >= 30; });
        const std::int32_t rate = sixty ? 60 : 30;
        recording_.framesPerSecond = rate;
        const double start = rows_.front().timecode.seconds(rate);
        recording_.times.reserve(rows_.size());
        for (const Row& row : rows_) {
            const double time = row.timecode.seconds(rate) - start;
            if (!recording_.times.empty() && time - recording_.times.back() > maxRowGapSeconds)
                failAt(row.line, holeFault(time - recording_.times.back()));
            if (time >= secondsPerDay)
                failAt(row.line, dayFault);
            recording_.times.push_back(time);
        }
    }

    std::filesystem::path path_;
    std::size_t lineNumber_ = 0;
    Layout layout_;
    std::vector<Row> rows_;
    bool anyTracked_ = false;
    std::size_t poseCount_ = 0;
    bool sixtySoFar_ = false;   // a frame number of 30 or more seen: the rate is 60
    bool pastMidnight_ = false; // from here on, timecodes count from the day before's midnight
    Recording recording_;
};

} // namespace

Recording readRecording(const std::filesystem::path& path) {
    return RecordingReader(path).read();
}
