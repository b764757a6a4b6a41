#include "video/VideoFileWriter.h"

#include "common/DemoError.h"
#include "video/AudioTrack.h"
#include "video/AvError.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <string>

namespace {

AvOutputPtr openOutput(const std::filesystem::path& path, VideoFileWriter::Container container) {
    AVFormatContext* context = nullptr;
    const char* name = container == VideoFileWriter::Container::Mp4 ? "mp4" : "matroska";
    checkAv(avformat_alloc_output_context2(&context, nullptr, name, path.c_str()),
            std::string("cannot start an ") + name + " file");
    return AvOutputPtr(context);
}

} // namespace

VideoFileWriter::VideoFileWriter(const std::filesystem::path& path, Container container,
                                 FrameSize size, const H264Settings& settings,
                                 std::unique_ptr<AudioTrack> audio)
    : size_(size), settings_(settings), output_(openOutput(path, container)), yuv_(makeAvFrame()),
      packet_(makeAvPacket()), audio_(std::move(audio)) {
    keepFfmpegQuiet();
    if (size.width <= 0 || size.height <= 0 || size.width % 2 != 0 || size.height % 2 != 0)
        throw DemoError("H.264 in yuv420p needs an even width and height, not " +
                        std::to_string(size.width) + "x" + std::to_string(size.height));
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr)
        throw DemoError("FFmpeg has no libx264 encoder here");
    stream_ = avformat_new_stream(output_.get(), nullptr);
    encoder_.reset(avcodec_alloc_context3(codec));
    if (stream_ == nullptr || !encoder_)
        throw DemoError("out of memory for the video stream");
    AVCodecContext& encoder = *encoder_;
    encoder.width = size.width;
    encoder.height = size.height;
    encoder.pix_fmt = AV_PIX_FMT_YUV420P;
    encoder.time_base = AVRational{1, settings.framesPerSecond};
    encoder.framerate = AVRational{settings.framesPerSecond, 1};
    // What swscale's default conversion produces, said so that players undo it alike.
    encoder.color_range = AVCOL_RANGE_MPEG;
    encoder.colorspace = AVCOL_SPC_SMPTE170M;
    encoder.color_primaries = AVCOL_PRI_BT709;
    encoder.color_trc = AVCOL_TRC_BT709;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER)
        encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", settings.preset, 0);
    av_dict_set_int(&options, "crf", settings.crf, 0);
    const int opened = avcodec_open2(&encoder, codec, &options);
    av_dict_free(&options);
    checkAv(opened, "cannot open the H.264 encoder");
    checkAv(avcodec_parameters_from_context(stream_->codecpar, &encoder),
            "cannot describe the video stream");
    stream_->time_base = encoder.time_base;
    stream_->avg_frame_rate = encoder.framerate;

    if (audio_)
        audio_->addTo(*output_);

    toYuv_.reset(sws_getContext(size.width, size.height, AV_PIX_FMT_BGRA, size.width, size.height,
                                AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!toYuv_)
        throw DemoError("cannot convert frames to yuv420p");
    yuv_->format = AV_PIX_FMT_YUV420P;
    yuv_->width = size.width;
    yuv_->height = size.height;
    checkAv(av_frame_get_buffer(yuv_.get(), 0), "cannot hold a video frame");

    checkAv(avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE),
            "cannot write " + path.string());
    AVDictionary* muxing = nullptr;
    // The index goes to the front, so a player starts before the whole file has arrived.
    if (container == Container::Mp4)
        av_dict_set(&muxing, "movflags", "+faststart", 0);
    const int header = avformat_write_header(output_.get(), &muxing);
    av_dict_free(&muxing);
    checkAv(header, "cannot start " + path.string());
}

VideoFileWriter::~VideoFileWriter() = default;

void VideoFileWriter::write(std::span<const std::uint32_t> argb) {
    const auto pixels =
        static_cast<std::size_t>(size_.width) * static_cast<std::size_t>(size_.height);
    if (argb.size() != pixels)
        throw DemoError("a frame of " + std::to_string(argb.size()) + " pixels for a video of " +
                        std::to_string(pixels));
    checkAv(av_frame_make_writable(yuv_.get()), "cannot reuse the video frame");
    const auto* source = reinterpret_cast<const std::uint8_t*>(argb.data());
    const int sourceStride = size_.width * 4;
    sws_scale(toYuv_.get(), &source, &sourceStride, 0, size_.height, yuv_->data, yuv_->linesize);
    yuv_->pts = framesWritten_++;
    encode(yuv_.get());
    if (audio_)
        audio_->writeUntil(*output_, secondsWritten());
}

double VideoFileWriter::secondsWritten() const {
    return static_cast<double>(framesWritten_) / settings_.framesPerSecond;
}

void VideoFileWriter::encode(const AVFrame* frame) {
    checkAv(avcodec_send_frame(encoder_.get(), frame), "cannot encode a video frame");
    for (;;) {
        const int received = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        checkAv(received, "cannot encode a video frame");
        // Every frame lasts one frame, the last one too, so the file lasts frames / fps.
        packet_->duration = 1;
        av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        checkAv(av_interleaved_write_frame(output_.get(), packet_.get()),
                "cannot write a video frame");
    }
}

void VideoFileWriter::finish() {
    encode(nullptr);
    if (audio_)
        audio_->finish(*output_, secondsWritten());
    checkAv(av_write_trailer(output_.get()), "cannot complete the video file");
    checkAv(avio_closep(&output_->pb), "cannot complete the video file");
}
