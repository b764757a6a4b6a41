#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// Owners of FFmpeg's objects, each freed by its own function.
struct AvCodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AvFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsContextFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrContextFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct AvInputClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// An output's file is closed with it, whether or not the trailer was written.
struct AvOutputClose {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextFree>;
using AvInputPtr = std::unique_ptr<AVFormatContext, AvInputClose>;
using AvOutputPtr = std::unique_ptr<AVFormatContext, AvOutputClose>;

// A frame and a packet, or DemoError when FFmpeg has no memory for them.
AvFramePtr makeAvFrame();
AvPacketPtr makeAvPacket();
