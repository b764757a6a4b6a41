#pragma once

#include "video/AvHandles.h"
#include "video/FrameSink.h"
#include "video/H264Settings.h"

#include <filesystem>
#include <memory>

class AudioTrack;

// Frames encoded as H.264 (yuv420p) into an MP4 or Matroska file, frame k at k / fps, with an
// optional sound track interleaved by time. Every FFmpeg failure throws DemoError with its reason.
class VideoFileWriter final : public FrameSink {
  public:
    enum class Container { Mp4, Matroska };
    // The audio track, if any, is added to the file and muxed as the frames go.
    VideoFileWriter(const std::filesystem::path& path, Container container, FrameSize size,
                    const H264Settings& settings, std::unique_ptr<AudioTrack> audio = nullptr);
    ~VideoFileWriter() override;

    void write(std::span<const std::uint32_t> argb) override;
    void finish() override;

  private:
    void encode(const AVFrame* frame);
    double secondsWritten() const;

    FrameSize size_;
    H264Settings settings_;
    AvOutputPtr output_;
    AVStream* stream_ = nullptr;
    AvCodecContextPtr encoder_;
    SwsContextPtr toYuv_;
    AvFramePtr yuv_;
    AvPacketPtr packet_;
    std::unique_ptr<AudioTrack> audio_;
    std::int64_t framesWritten_ = 0;
};
