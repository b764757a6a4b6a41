#include "live/VmcPacket.h"

#include <cmath>
#include <cstring>
#include <osc/OscReceivedElements.h>
#include <string_view>

namespace {

constexpr std::string_view blendValueAddress = "/VMC/Ext/Blend/Val";
constexpr std::string_view blendApplyAddress = "/VMC/Ext/Blend/Apply";
constexpr std::string_view bonePoseAddress = "/VMC/Ext/Bone/Pos";

class VmcParser {
  public:
    explicit VmcParser(std::vector<VmcMessage>& messages) : messages_(messages) {}

    const char* parse(const osc::ReceivedPacket& packet) {
        if (packet.IsBundle())
            return bundle(osc::ReceivedBundle(packet), 1);
        return message(osc::ReceivedMessage(packet));
    }

    std::size_t count() const { return count_; }

  private:
    const char* bundle(const osc::ReceivedBundle& received, int depth) {
        if (depth > maxVmcBundleDepth)
            return "bundles nest more than 4 deep";
        for (auto element = received.ElementsBegin(); element != received.ElementsEnd();
             ++element) {
            const char* fault = element->IsBundle()
                                    ? bundle(osc::ReceivedBundle(*element), depth + 1)
                                    : message(osc::ReceivedMessage(*element));
            if (fault)
                return fault;
        }
        return nullptr;
    }

    const char* message(const osc::ReceivedMessage& received) {
        const std::string_view address = received.AddressPattern();
        if (address == blendApplyAddress) {
            next(VmcMessage::Kind::blendApply);
            return nullptr;
        }
        const bool blend = address == blendValueAddress;
        if (!blend && address != bonePoseAddress)
            return nullptr;
        const std::size_t numbers = blend ? 1 : 7;
        if (received.ArgumentCount() != numbers + 1)
            return blend ? "a shape's value is not a name and a number"
                         : "a bone's pose is not a name and seven numbers";
        auto argument = received.ArgumentsBegin();
        if (!argument->IsString())
            return "a shape or bone name is not a string";
        const char* name = argument->AsStringUnchecked();
        const std::size_t length = strnlen(name, maxNameBytes + 1);
        if (length > maxNameBytes)
            return "a name is longer than 256 bytes";
        float values[7] = {};
        for (std::size_t i = 0; i < numbers; ++i) {
            ++argument;
            if (!number(*argument, values[i]))
                return "an argument is not a finite int32, float32 or float64";
        }
        VmcMessage& out = next(blend ? VmcMessage::Kind::blendValue : VmcMessage::Kind::bonePose);
        out.name.assign(name, length);
        if (blend)
            out.value = values[0];
        else // position (unused), then qx qy qz qw
            out.rotation = glm::quat(values[6], values[3], values[4], values[5]);
        return nullptr;
    }

    static bool number(const osc::ReceivedMessageArgument& argument, float& out) {
        if (argument.IsFloat())
            out = argument.AsFloatUnchecked();
        else if (argument.IsInt32())
            out = static_cast<float>(argument.AsInt32Unchecked());
        else if (argument.IsDouble()) {
            const double value = argument.AsDoubleUnchecked();
            if (!(std::abs(value) < 1e30))
                return false;
            out = static_cast<float>(value);
        } else
            return false;
        return std::isfinite(out);
    }

    VmcMessage& next(VmcMessage::Kind kind) {
        if (count_ == messages_.size())
            messages_.emplace_back();
        VmcMessage& message = messages_[count_++];
        message.kind = kind;
        return message;
    }

    std::vector<VmcMessage>& messages_;
    std::size_t count_ = 0;
};

} // namespace

PacketRefusal parseVmcPacket(std::span<const std::byte> datagram,
                             std::vector<VmcMessage>& messages) {
    if (datagram.size() > maxDatagramBytes)
        return {"the datagram is longer than 64 KB"};
    VmcParser parser(messages);
    const char* fault = nullptr;
    try {
        fault = parser.parse(
            osc::ReceivedPacket(reinterpret_cast<const char*>(datagram.data()), datagram.size()));
    } catch (const osc::Exception&) {
        fault = "the datagram is not a well-formed OSC packet";
    }
    messages.resize(fault ? 0 : parser.count());
    return {fault};
}
