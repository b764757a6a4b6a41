#pragma once

#include "video/AvHandles.h"

#include <cstdint>
#include <filesystem>

extern "C" {
#include <libavutil/audio_fifo.h>
}

struct AvAudioFifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

// The sound of any file FFmpeg reads, laid under a video from its first frame, shifted by an
// offset (later when positive; the start cut off when negative) and cut at the video's end. The
// stream is copied where the container takes its codec, and encoded as AAC otherwise.
class AudioTrack {
  public:
    // Throws DemoError when FFmpeg cannot read the file or it holds no sound.
    AudioTrack(const std::filesystem::path& file, double offsetSeconds);
    ~AudioTrack();
    AudioTrack(const AudioTrack&) = delete;
    AudioTrack& operator=(const AudioTrack&) = delete;

    // Adds the sound's stream to an output whose header is not written yet.
    void addTo(AVFormatContext& output);
    // Whether the stream goes in as it is; known once added.
    bool copies() const { return !encoder_; }
    // Writes the sound that starts before this time of the video.
    void writeUntil(AVFormatContext& output, double seconds);
    // Writes the rest up to the video's end and drops what lies after it.
    void finish(AVFormatContext& output, double videoSeconds);

  private:
    bool readPending();
    double pendingSeconds() const;
    void copyPending(AVFormatContext& output);
    void decodePending(AVFormatContext& output, AVPacket* packet);
    void convert(AVFormatContext& output, const AVFrame* decoded);
    void encodeQueued(AVFormatContext& output, bool partialLast);
    void encode(AVFormatContext& output, const AVFrame* frame);
    void openEncoder(AVFormatContext& output);

    std::filesystem::path file_;
    double offsetSeconds_;
    AvInputPtr input_;
    AVStream* inputStream_ = nullptr;
    AVStream* outputStream_ = nullptr;
    AvPacketPtr pending_;
    bool hasPending_ = false;
    bool inputEnded_ = false;
    // Only when the sound is encoded anew.
    AvCodecContextPtr decoder_;
    AvCodecContextPtr encoder_;
    SwrContextPtr resampler_;
    std::unique_ptr<AVAudioFifo, AvAudioFifoFree> queue_;
    AvFramePtr decoded_;
    AvFramePtr converted_;
    AvPacketPtr encoded_;
    std::int64_t nextSample_ = 0;    // of the encoder's next frame, in the video's time
    std::int64_t samplesToSkip_ = 0; // cut off the start by a negative offset
    std::int64_t lastSample_ = -1;   // the video's end, once known
};
