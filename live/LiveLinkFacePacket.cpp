#include "live/LiveLinkFacePacket.h"

#include "live/ArkitShapes.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

// A head or eye angle past a full turn is no pose; the recording reader refuses it the same way.
constexpr float maxAngle = 6.2832f;

// Reads big-endian fields off the front of the datagram; every read checks what is left first.
class BigEndianReader {
  public:
    explicit BigEndianReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

    std::size_t left() const { return bytes_.size(); }

    bool byte(std::uint8_t& out) {
        if (bytes_.empty())
            return false;
        out = static_cast<std::uint8_t>(bytes_.front());
        bytes_ = bytes_.subspan(1);
        return true;
    }
    bool u32(std::uint32_t& out) {
        if (bytes_.size() < 4)
            return false;
        out = 0;
        for (std::size_t i = 0; i < 4; ++i)
            out = out << 8 | static_cast<std::uint32_t>(bytes_[i]);
        bytes_ = bytes_.subspan(4);
        return true;
    }
    bool i32(std::int32_t& out) {
        std::uint32_t bits = 0;
        if (!u32(bits))
            return false;
        out = std::bit_cast<std::int32_t>(bits);
        return true;
    }
    bool f32(float& out) {
        std::uint32_t bits = 0;
        if (!u32(bits))
            return false;
        out = std::bit_cast<float>(bits);
        return true;
    }
    // The length is checked against the limit and what is left before any byte is copied.
    const char* text(std::string& out) {
        std::int32_t length = 0;
        if (!i32(length))
            return "the packet ends inside a name's length";
        if (length < 0 || static_cast<std::size_t>(length) > maxNameBytes)
            return "a name is longer than 256 bytes";
        if (static_cast<std::size_t>(length) > bytes_.size())
            return "a name runs past the end of the packet";
        const auto* start = reinterpret_cast<const char*>(bytes_.data());
        out.assign(start, static_cast<std::size_t>(length));
        bytes_ = bytes_.subspan(static_cast<std::size_t>(length));
        return nullptr;
    }

  private:
    std::span<const std::byte> bytes_;
};

} // namespace

PacketRefusal parseLiveLinkFace(std::span<const std::byte> datagram, LiveFrame& frame) {
    if (datagram.size() > maxDatagramBytes)
        return {"the datagram is longer than 64 KB"};
    BigEndianReader in(datagram);
    std::uint8_t version = 0;
    if (!in.byte(version))
        return {"the packet is empty"};
    if (version != 6 && version != 5)
        return {"the packet's version is neither 5 nor 6"};
    std::string deviceId;
    if (const char* fault = in.text(deviceId))
        return {fault};
    if (const char* fault = in.text(frame.subject))
        return {fault};
    LiveFrameTime time;
    if (!in.i32(time.frame) || !in.f32(time.subFrame) || !in.i32(time.rateNumerator) ||
        !in.i32(time.rateDenominator))
        return {"the packet ends inside the frame time"};
    frame.time = time;
    frame.weights.resize(arkitStreamOrder.size());
    if (in.left() == 0) {
        // Tracking lost: the time alone.
        frame.tracked = false;
        frame.weights.clear();
        frame.head.reset();
        return {};
    }
    std::uint8_t count = 0;
    in.byte(count);
    if (count != arkitStreamValueCount)
        return {"the packet does not carry 61 values"};
    if (in.left() != std::size_t{count} * 4)
        return {"the packet's length does not match its 61 values"};
    for (std::size_t shape = 0; shape < arkitStreamOrder.size(); ++shape) {
        float value = 0.0f;
        in.f32(value);
        if (!std::isfinite(value))
            return {"a shape's value is not a finite number"};
        LiveWeight& weight = frame.weights[shape];
        weight.name.assign(arkitStreamOrder[shape]);
        weight.value = value;
    }
    std::array<float, 9> angles{};
    for (float& angle : angles) {
        in.f32(angle);
        if (!(std::abs(angle) <= maxAngle))
            return {"an angle is not a number within a full turn"};
    }
    frame.head = HeadAngles{angles[0], angles[1], angles[2]};
    std::copy(angles.begin() + 3, angles.end(), frame.eyeAngles.begin());
    frame.tracked = true;
    return {};
}
