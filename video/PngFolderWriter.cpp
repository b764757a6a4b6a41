#include "video/PngFolderWriter.h"

#include "common/DemoError.h"
#include "video/AvError.h"

#include <cstdio>
#include <fstream>

PngFolderWriter::PngFolderWriter(std::filesystem::path folder, FrameSize size)
    : folder_(std::move(folder)), size_(size), rgb_(makeAvFrame()), packet_(makeAvPacket()) {
    keepFfmpegQuiet();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr)
        throw DemoError("FFmpeg has no PNG encoder here");
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        throw DemoError("out of memory for the PNG encoder");
    encoder_->width = size.width;
    encoder_->height = size.height;
    encoder_->pix_fmt = AV_PIX_FMT_RGB24;
    encoder_->time_base = AVRational{1, 1};
    // The fastest deflate level: frames for compositing are read once and thrown away.
    encoder_->compression_level = 1;
    checkAv(avcodec_open2(encoder_.get(), codec, nullptr), "cannot open the PNG encoder");
    rgb_->format = AV_PIX_FMT_RGB24;
    rgb_->width = size.width;
    rgb_->height = size.height;
    checkAv(av_frame_get_buffer(rgb_.get(), 0), "cannot hold a frame");
}

std::string PngFolderWriter::frameName(std::int64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05lld.png", static_cast<long long>(number));
    return name;
}

void PngFolderWriter::write(std::span<const std::uint32_t> argb) {
    const auto width = static_cast<std::size_t>(size_.width);
    if (argb.size() != width * static_cast<std::size_t>(size_.height))
        throw DemoError("a frame of " + std::to_string(argb.size()) + " pixels for frames of " +
                        std::to_string(size_.width) + "x" + std::to_string(size_.height));
    checkAv(av_frame_make_writable(rgb_.get()), "cannot reuse the frame");
    for (std::size_t row = 0; row < static_cast<std::size_t>(size_.height); ++row) {
        std::uint8_t* out = rgb_->data[0] + row * static_cast<std::size_t>(rgb_->linesize[0]);
        for (const std::uint32_t pixel : argb.subspan(row * width, width)) {
            *out++ = static_cast<std::uint8_t>(pixel >> 16);
            *out++ = static_cast<std::uint8_t>(pixel >> 8);
            *out++ = static_cast<std::uint8_t>(pixel);
        }
    }
    rgb_->pts = framesWritten_;
    checkAv(avcodec_send_frame(encoder_.get(), rgb_.get()), "cannot encode a PNG frame");
    checkAv(avcodec_receive_packet(encoder_.get(), packet_.get()), "cannot encode a PNG frame");
    const std::filesystem::path path = folder_ / frameName(++framesWritten_);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(packet_->data), packet_->size);
    file.close();
    av_packet_unref(packet_.get());
    if (!file)
        throw DemoError("cannot write " + path.string());
}
