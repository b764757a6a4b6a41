#pragma once

#include "common/HeadAngles.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// A face performance as rows of weights over time, one column per curve, named as the file
// names them. A row where tracking was lost shares the pose of the row before (the rest pose at
// the start) instead of holding a copy, so a file of lost rows costs a few bytes a row.
struct Recording {
    std::vector<std::string> columns;
    // Head and eye rotation columns: read, checked and left out of the columns above.
    std::vector<std::string> rotationColumns;
    // Whether the file has any of HeadYaw, HeadPitch and HeadRoll; a missing one reads as 0.
    bool hasHeadAngles = false;
    std::int32_t framesPerSecond = 30;
    // Seconds since the first row, never decreasing.
    std::vector<double> times;
    // Row by row, which of the poses it shows.
    std::vector<std::uint32_t> poseOfRow;
    // The distinct poses, columns.size() weights a pose, each in 0..1.
    std::vector<float> poses;
    // With head angles, three a pose: yaw, pitch and roll in radians, as the phone app writes
    // them (see common/HeadAngles.h).
    std::vector<float> headAngles;

    std::size_t rowCount() const { return times.size(); }
    // One frame longer than the last row's time, so that a loop shows every row once.
    double duration() const { return times.empty() ? 0.0 : times.back() + 1.0 / framesPerSecond; }
    // The weights of a row, one a column.
    std::span<const float> rowWeights(std::size_t row) const {
        return std::span(poses).subspan(poseOfRow[row] * columns.size(), columns.size());
    }
    HeadAngles rowHeadAngles(std::size_t row) const {
        if (!hasHeadAngles)
            return {};
        const std::size_t at = std::size_t{poseOfRow[row]} * 3;
        return {headAngles[at], headAngles[at + 1], headAngles[at + 2]};
    }
};

// Reads a face-capture CSV file: a header line naming a Timecode column, a BlendShapeCount
// column (any letter case) and the curves, then one row per frame, lines ended by LF, CR LF or
// CR alone. Columns are found by name. A row whose BlendShapeCount is 0 is a frame where
// tracking was lost. The frame rate is 60 when any frame number reaches 30, else 30. Weights are
// clamped to 0..1 (captures overshoot). Throws DemoError naming the file, the line and the fault
// for a damaged file: no header, a row that does not parse, a timecode earlier than the row
// before (but for one step across midnight) or more than maxRowGapSeconds after it, a take
// lasting a day or more, no rows at all, or curves with tracking lost on every row; and naming
// the file when it does not fit in memory.
inline constexpr double maxRowGapSeconds = 10.0;
Recording readRecording(const std::filesystem::path& path);
