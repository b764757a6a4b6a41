#include "video/AvHandles.h"

#include "common/DemoError.h"

AvFramePtr makeAvFrame() {
    AvFramePtr frame(av_frame_alloc());
    if (!frame)
        throw DemoError("out of memory for a video frame");
    return frame;
}

AvPacketPtr makeAvPacket() {
    AvPacketPtr packet(av_packet_alloc());
    if (!packet)
        throw DemoError("out of memory for a packet");
    return packet;
}
