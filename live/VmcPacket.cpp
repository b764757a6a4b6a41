#include "live/VmcPacket.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <osc/OscReceivedElements.h>
#include <string_view>

namespace {

constexpr std::string_view blendValueAddress = "/VMC/Ext/Blend/Val";
constexpr std::string_view blendApplyAddress = "/VMC/Ext/Blend/Apply";
constexpr std::string_view bonePoseAddress = "/VMC/Ext/Bone/Pos";

constexpr std::string_view bundleTag{"#bundle\0", 8};

bool isBundle(std::span<const std::byte> bytes) {
    return bytes.size() >= bundleTag.size() &&
           std::memcmp(bytes.data(), bundleTag.data(), bundleTag.size()) == 0;
}

// An OSC string from `at` (`at` a multiple of four): its bytes up to a NUL, padded with NULs to
// a multiple of four, inside `bytes`; the offset past it, or nothing.
std::optional<std::size_t> paddedStringEnd(std::span<const std::byte> bytes, std::size_t at) {
    for (std::size_t end = at; end < bytes.size(); ++end)
        if (bytes[end] == std::byte{0}) {
            const std::size_t padded = (end + 4) / 4 * 4;
            if (padded > bytes.size())
                return std::nullopt;
            // The padding is NULs too: oscpack finds a string's end by them.
            for (std::size_t pad = end; pad < padded; ++pad)
                if (bytes[pad] != std::byte{0})
                    return std::nullopt;
            return padded;
        }
    return std::nullopt;
}

std::uint32_t bigEndian32(std::span<const std::byte> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<std::uint32_t>(bytes[at + i]);
    return value;
}

// A message's framing: the address, the type tags and every argument they name inside the
// message. oscpack trusts blob and string lengths and reads past its buffer on some, so
// nothing reaches it that does not pass here.
const char* messageLayoutFault(std::span<const std::byte> bytes) {
    if (bytes.empty() || bytes[0] != std::byte{'/'})
        return "an OSC message does not start with an address";
    const auto tagsAt = paddedStringEnd(bytes, 0);
    if (!tagsAt)
        return "an OSC address runs past its message";
    if (*tagsAt == bytes.size())
        return nullptr; // no type tags: an old sender's message without arguments
    if (bytes[*tagsAt] != std::byte{','})
        return "an OSC message has no type tags";
    const auto argumentsAt = paddedStringEnd(bytes, *tagsAt);
    if (!argumentsAt)
        return "OSC type tags run past their message";
    std::size_t at = *argumentsAt;
    for (std::size_t tag = *tagsAt + 1; bytes[tag] != std::byte{0}; ++tag) {
        std::size_t size = 0;
        switch (static_cast<char>(bytes[tag])) {
        case 'i':
        case 'f':
        case 'c':
        case 'r':
        case 'm':
            size = 4;
            break;
        case 'h':
        case 't':
        case 'd':
            size = 8;
            break;
        case 'T':
        case 'F':
        case 'N':
        case 'I':
        case '[':
        case ']':
            size = 0;
            break;
        case 's':
        case 'S': {
            const auto end = paddedStringEnd(bytes, at);
            if (!end)
                return "an OSC string runs past its message";
            size = *end - at;
            break;
        }
        case 'b': {
            if (bytes.size() - at < 4)
                return "an OSC blob's size runs past its message";
            const std::uint32_t length = bigEndian32(bytes, at);
            if (length > bytes.size() - at - 4)
                return "an OSC blob runs past its message";
            size = 4 + (std::size_t{length} + 3) / 4 * 4;
            break;
        }
        default:
            return "an OSC argument of an unknown type";
        }
        if (size > bytes.size() - at)
            return "an OSC argument runs past its message";
        at += size;
    }
    return nullptr;
}

// The bundles' framing, checked before oscpack walks it: its reader loops for ever on an
// element size of -4, so every size must be whole, not negative and inside its bundle, and
// nesting is bounded here too.
const char* layoutFault(std::span<const std::byte> bytes, int depth) {
    if (!isBundle(bytes))
        return messageLayoutFault(bytes);
    if (depth > maxVmcBundleDepth)
        return "bundles nest more than 4 deep";
    if (bytes.size() < 16)
        return "a bundle ends inside its time tag";
    std::size_t at = 16;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4)
            return "a bundle ends inside an element's size";
        const std::uint32_t size = bigEndian32(bytes, at);
        at += 4;
        if (size % 4 != 0 || size > bytes.size() - at)
            return "a bundle element's size does not fit its bundle";
        if (const char* fault = layoutFault(bytes.subspan(at, size), depth + 1))
            return fault;
        at += size;
    }
    return nullptr;
}

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
                return "an argument is not an int32, float32 or float64 within a million";
        }
        VmcMessage& out = next(blend ? VmcMessage::Kind::blendValue : VmcMessage::Kind::bonePose);
        out.name.assign(name, length);
        if (blend)
            out.value = values[0];
        else // position (unused), then qx qy qz qw
            out.rotation = glm::quat(values[6], values[3], values[4], values[5]);
        return nullptr;
    }

    // No pose or weight comes near this; the bound keeps a rotation's arithmetic finite.
    static constexpr float maxMagnitude = 1e6f;

    static bool number(const osc::ReceivedMessageArgument& argument, float& out) {
        if (argument.IsFloat())
            out = argument.AsFloatUnchecked();
        else if (argument.IsInt32())
            out = static_cast<float>(argument.AsInt32Unchecked());
        else if (argument.IsDouble()) {
            const double value = argument.AsDoubleUnchecked();
            if (!(std::abs(value) <= maxMagnitude))
                return false;
            out = static_cast<float>(value);
        } else
            return false;
        return std::abs(out) <= maxMagnitude;
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
    const char* fault = layoutFault(datagram, 1);
    try {
        if (!fault)
            fault = parser.parse(osc::ReceivedPacket(reinterpret_cast<const char*>(datagram.data()),
                                                     datagram.size()));
    } catch (const osc::Exception&) {
        fault = "the datagram is not a well-formed OSC packet";
    }
    messages.resize(fault ? 0 : parser.count());
    return {fault};
}
