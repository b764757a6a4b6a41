#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A face performance as rows of weights over time, one column per curve, named as the file
// names them. Rows where tracking was lost already hold the pose before them.
struct Recording {
    std::vector<std::string> columns;
    // Head and eye rotation columns: read, checked and left out of the columns above.
    std::vector<std::string> rotationColumns;
    std::int32_t framesPerSecond = 30;
    // Seconds since the first row, never decreasing.
    std::vector<double> times;
    // Row by row, columns.size() weights a row, each in 0..1.
    std::vector<float> weights;

    std::size_t rowCount() const { return times.size(); }
    // One frame longer than the last row's time, so that a loop shows every row once.
    double duration() const { return times.empty() ? 0.0 : times.back() + 1.0 / framesPerSecond; }
};

// Reads a face-capture CSV file: a header line naming a Timecode column, a BlendShapeCount
// column (any letter case) and the curves, then one row per frame. Columns are found by name.
// A row whose BlendShapeCount is 0 is a frame where tracking was lost. The frame rate is 60
// when any frame number reaches 30, else 30. Weights are clamped to 0..1 (captures overshoot).
// Throws DemoError naming the file, the line and the fault for a damaged file: no header, a row
// that does not parse, a timecode earlier than the row before, no rows at all.
Recording readRecording(const std::filesystem::path& path);
