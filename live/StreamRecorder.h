#pragma once

#include "live/LiveReceiver.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

// Writes a stream as the phone app's CSV take (Timecode, BlendShapeCount, the 52 shapes and
// the nine angles in the app's column order) into PATH.part as frames come, flushed every
// second, and renames it to PATH on finish: a crash loses at most the last second and never
// leaves a half-written PATH. Shapes are matched to the app's names in any letter case; others
// are not recorded. Timecodes, at 60 frames a second, come from the sender's frame time while
// it keeps with the arrival times, else from the arrival time; they never go back, and a
// silence is filled with rows of lost tracking so that the take has no hole a reader refuses.
class StreamRecorder {
  public:
    // Throws DemoError when PATH.part cannot be written.
    explicit StreamRecorder(std::filesystem::path path);
    ~StreamRecorder();
    StreamRecorder(const StreamRecorder&) = delete;
    StreamRecorder& operator=(const StreamRecorder&) = delete;

    void write(const LiveArrival& arrival);
    // Closes the file and renames it into place; throws DemoError when writing failed, leaving
    // PATH.part for the person to look at.
    void finish();

    const std::filesystem::path& partPath() const { return partPath_; }

  private:
    // The row's time in thousandths of a 60th of a second since the take's midnight.
    std::int64_t rowTicks(const LiveArrival& arrival);
    void writeRow(std::int64_t ticks, const LiveFrame* frame);

    std::filesystem::path path_;
    std::filesystem::path partPath_;
    std::ofstream out_;
    bool finished_ = false;
    // The file column of each of the app's shape names, in lower case.
    std::unordered_map<std::string, std::size_t> columnOfShape_;
    std::vector<float> row_;
    bool any_ = false;
    std::int64_t lastTicks_ = 0;
    // The row time of the latest arrival timed by the sender's clock, or of the first.
    std::chrono::steady_clock::time_point anchorArrival_{};
    std::int64_t anchorTicks_ = 0;
    std::chrono::steady_clock::time_point lastFlush_{};
};
