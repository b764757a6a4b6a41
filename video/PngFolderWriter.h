#pragma once

#include "video/AvHandles.h"
#include "video/FrameSink.h"

#include <filesystem>
#include <vector>

// Frames as numbered PNG files in a folder, frame_00001.png for the first, encoded by FFmpeg's
// PNG encoder as 8-bit RGB.
class PngFolderWriter final : public FrameSink {
  public:
    PngFolderWriter(std::filesystem::path folder, FrameSize size);

    void write(std::span<const std::uint32_t> argb) override;
    void finish() override {}

    // The name of the frame counted from 1.
    static std::string frameName(std::int64_t number);

  private:
    std::filesystem::path folder_;
    FrameSize size_;
    AvCodecContextPtr encoder_;
    AvFramePtr rgb_;
    AvPacketPtr packet_;
    std::int64_t framesWritten_ = 0;
};
