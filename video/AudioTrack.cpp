#include "video/AudioTrack.h"

#include "common/DemoError.h"
#include "video/AvError.h"

#include <algorithm>
#include <cmath>

namespace {

bool containerTakes(const AVFormatContext& output, AVCodecID codec) {
    return avformat_query_codec(output.oformat, codec, FF_COMPLIANCE_NORMAL) == 1;
}

int encoderSampleRate(const AVCodec& codec, int wanted) {
    if (codec.supported_samplerates == nullptr)
        return wanted;
    for (const int* rate = codec.supported_samplerates; *rate != 0; ++rate)
        if (*rate == wanted)
            return wanted;
    return 48000;
}

// The sound file is untrusted. Only containers that hold their sound themselves are read: a
// playlist or a concatenation list would have FFmpeg open other files, or addresses.
constexpr const char* soundContainers = "wav,w64,aiff,caf,mov,matroska,mp3,aac,flac,ogg,au";

} // namespace

AudioTrack::AudioTrack(const std::filesystem::path& file, double offsetSeconds)
    : file_(file), offsetSeconds_(offsetSeconds), pending_(makeAvPacket()) {
    keepFfmpegQuiet();
    AVFormatContext* input = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", soundContainers, 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avformat_open_input(&input, file.c_str(), nullptr, &options);
    av_dict_free(&options);
    checkAv(opened, "cannot read the sound of " + file.string());
    input_.reset(input);
    checkAv(avformat_find_stream_info(input, nullptr), "cannot read the sound of " + file.string());
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0)
        throw DemoError(file.string() + " has no sound");
    inputStream_ = input->streams[stream];
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (static_cast<int>(i) != stream)
            input->streams[i]->discard = AVDISCARD_ALL;
}

AudioTrack::~AudioTrack() = default;

void AudioTrack::addTo(AVFormatContext& output) {
    outputStream_ = avformat_new_stream(&output, nullptr);
    if (outputStream_ == nullptr)
        throw DemoError("out of memory for the sound stream");
    const AVCodecParameters& parameters = *inputStream_->codecpar;
    if (containerTakes(output, parameters.codec_id)) {
        checkAv(avcodec_parameters_copy(outputStream_->codecpar, &parameters),
                "cannot copy the sound of " + file_.string());
        outputStream_->codecpar->codec_tag = 0;
        outputStream_->time_base = inputStream_->time_base;
        return;
    }
    openEncoder(output);
}

void AudioTrack::openEncoder(AVFormatContext& output) {
    const AVCodecParameters& parameters = *inputStream_->codecpar;
    const AVCodec* decoderCodec = avcodec_find_decoder(parameters.codec_id);
    if (decoderCodec == nullptr)
        throw DemoError("FFmpeg cannot decode the sound of " + file_.string());
    decoder_.reset(avcodec_alloc_context3(decoderCodec));
    if (!decoder_)
        throw DemoError("out of memory for the sound decoder");
    checkAv(avcodec_parameters_to_context(decoder_.get(), &parameters),
            "cannot decode the sound of " + file_.string());
    decoder_->pkt_timebase = inputStream_->time_base;
    checkAv(avcodec_open2(decoder_.get(), decoderCodec, nullptr),
            "cannot decode the sound of " + file_.string());
    if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder_->ch_layout, decoder_->ch_layout.nb_channels);

    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (aac == nullptr)
        throw DemoError("FFmpeg has no AAC encoder here");
    encoder_.reset(avcodec_alloc_context3(aac));
    if (!encoder_)
        throw DemoError("out of memory for the AAC encoder");
    AVCodecContext& encoder = *encoder_;
    encoder.sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder.sample_rate = encoderSampleRate(*aac, decoder_->sample_rate);
    av_channel_layout_default(&encoder.ch_layout,
                              std::clamp(decoder_->ch_layout.nb_channels, 1, 2));
    encoder.bit_rate = 192000;
    encoder.time_base = AVRational{1, encoder.sample_rate};
    if (output.oformat->flags & AVFMT_GLOBALHEADER)
        encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    checkAv(avcodec_open2(&encoder, aac, nullptr), "cannot open the AAC encoder");
    checkAv(avcodec_parameters_from_context(outputStream_->codecpar, &encoder),
            "cannot describe the sound stream");
    outputStream_->time_base = encoder.time_base;

    SwrContext* resampler = nullptr;
    checkAv(swr_alloc_set_opts2(&resampler, &encoder.ch_layout, encoder.sample_fmt,
                                encoder.sample_rate, &decoder_->ch_layout, decoder_->sample_fmt,
                                decoder_->sample_rate, 0, nullptr),
            "cannot convert the sound");
    resampler_.reset(resampler);
    checkAv(swr_init(resampler), "cannot convert the sound");
    queue_.reset(av_audio_fifo_alloc(encoder.sample_fmt, encoder.ch_layout.nb_channels,
                                     encoder.frame_size * 4));
    decoded_ = makeAvFrame();
    converted_ = makeAvFrame();
    encoded_ = makeAvPacket();
    if (!queue_)
        throw DemoError("out of memory for the sound");
    const auto offsetSamples = std::llround(offsetSeconds_ * encoder.sample_rate);
    nextSample_ = std::max<std::int64_t>(offsetSamples, 0);
    samplesToSkip_ = std::max<std::int64_t>(-offsetSamples, 0);
}

bool AudioTrack::readPending() {
    while (!inputEnded_) {
        av_packet_unref(pending_.get());
        const int read = av_read_frame(input_.get(), pending_.get());
        if (read == AVERROR_EOF) {
            inputEnded_ = true;
            return false;
        }
        checkAv(read, "cannot read the sound of " + file_.string());
        if (pending_->stream_index == inputStream_->index &&
            (pending_->pts != AV_NOPTS_VALUE || pending_->dts != AV_NOPTS_VALUE)) {
            if (pending_->pts == AV_NOPTS_VALUE)
                pending_->pts = pending_->dts;
            hasPending_ = true;
            return true;
        }
    }
    return false;
}

double AudioTrack::pendingSeconds() const {
    return static_cast<double>(pending_->pts) * av_q2d(inputStream_->time_base) + offsetSeconds_;
}

void AudioTrack::writeUntil(AVFormatContext& output, double seconds) {
    for (;;) {
        if (!hasPending_ && !readPending())
            return;
        if (pendingSeconds() >= seconds)
            return;
        hasPending_ = false;
        if (encoder_)
            decodePending(output, pending_.get());
        else
            copyPending(output);
    }
}

void AudioTrack::copyPending(AVFormatContext& output) {
    // A packet before the video's start would play before the first frame.
    if (pendingSeconds() < 0.0)
        return;
    const std::int64_t offset = std::llround(offsetSeconds_ / av_q2d(inputStream_->time_base));
    AVPacket& packet = *pending_;
    packet.pts += offset;
    if (packet.dts != AV_NOPTS_VALUE)
        packet.dts += offset;
    av_packet_rescale_ts(&packet, inputStream_->time_base, outputStream_->time_base);
    packet.stream_index = outputStream_->index;
    packet.pos = -1;
    checkAv(av_interleaved_write_frame(&output, &packet), "cannot write the sound");
}

void AudioTrack::decodePending(AVFormatContext& output, AVPacket* packet) {
    checkAv(avcodec_send_packet(decoder_.get(), packet),
            "cannot decode the sound of " + file_.string());
    for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), decoded_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            break;
        checkAv(received, "cannot decode the sound of " + file_.string());
        convert(output, decoded_.get());
        av_frame_unref(decoded_.get());
    }
}

void AudioTrack::convert(AVFormatContext& output, const AVFrame* decoded) {
    av_frame_unref(converted_.get());
    converted_->format = encoder_->sample_fmt;
    converted_->sample_rate = encoder_->sample_rate;
    checkAv(av_channel_layout_copy(&converted_->ch_layout, &encoder_->ch_layout),
            "cannot convert the sound");
    checkAv(swr_convert_frame(resampler_.get(), converted_.get(), decoded),
            "cannot convert the sound");
    const auto samples = static_cast<std::int64_t>(converted_->nb_samples);
    const std::int64_t from = std::min(samples, samplesToSkip_);
    samplesToSkip_ -= from;
    if (samples > from) {
        std::uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
        const int bytesPerSample = av_get_bytes_per_sample(encoder_->sample_fmt);
        for (int plane = 0; plane < encoder_->ch_layout.nb_channels; ++plane)
            planes[plane] = converted_->extended_data[plane] + from * bytesPerSample;
        checkAv(av_audio_fifo_write(queue_.get(), reinterpret_cast<void**>(planes),
                                    static_cast<int>(samples - from)),
                "cannot queue the sound");
    }
    encodeQueued(output, false);
}

void AudioTrack::encodeQueued(AVFormatContext& output, bool partialLast) {
    const int frameSize = encoder_->frame_size;
    for (;;) {
        int samples = std::min(av_audio_fifo_size(queue_.get()), frameSize);
        if (lastSample_ >= 0)
            samples =
                static_cast<int>(std::clamp<std::int64_t>(lastSample_ - nextSample_, 0, samples));
        if (samples == 0 || (samples < frameSize && !partialLast))
            return;
        AvFramePtr frame = makeAvFrame();
        frame->nb_samples = samples;
        frame->format = encoder_->sample_fmt;
        frame->sample_rate = encoder_->sample_rate;
        checkAv(av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout),
                "cannot encode the sound");
        checkAv(av_frame_get_buffer(frame.get(), 0), "cannot encode the sound");
        checkAv(av_audio_fifo_read(queue_.get(), reinterpret_cast<void**>(frame->data), samples),
                "cannot encode the sound");
        frame->pts = nextSample_;
        nextSample_ += samples;
        encode(output, frame.get());
        if (lastSample_ >= 0 && nextSample_ >= lastSample_)
            return;
    }
}

void AudioTrack::encode(AVFormatContext& output, const AVFrame* frame) {
    checkAv(avcodec_send_frame(encoder_.get(), frame), "cannot encode the sound");
    for (;;) {
        const int received = avcodec_receive_packet(encoder_.get(), encoded_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        checkAv(received, "cannot encode the sound");
        av_packet_rescale_ts(encoded_.get(), encoder_->time_base, outputStream_->time_base);
        encoded_->stream_index = outputStream_->index;
        checkAv(av_interleaved_write_frame(&output, encoded_.get()), "cannot write the sound");
    }
}

void AudioTrack::finish(AVFormatContext& output, double videoSeconds) {
    if (encoder_)
        lastSample_ = std::llround(videoSeconds * encoder_->sample_rate);
    writeUntil(output, videoSeconds);
    if (!encoder_)
        return;
    // The decoder's last frames, when the sound ends within the video.
    if (inputEnded_)
        decodePending(output, nullptr);
    encodeQueued(output, true);
    encode(output, nullptr);
}
