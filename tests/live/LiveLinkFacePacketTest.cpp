#include "live/LiveLinkFacePacket.h"

#include "LiveLinkFaceBytes.h"
#include "live/ArkitShapes.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

PacketRefusal parse(const std::vector<std::byte>& bytes, LiveFrame& frame) {
    return parseLiveLinkFace(bytes, frame);
}

TEST(LiveLinkFacePacket, TakesTheShapesInTheTrackersOrderAndTheHeadAngles) {
    LiveLinkFaceBytes packet;
    packet.subject = "iPhone";
    packet.frame = 4321;
    packet.subFrame = 0.25f;
    for (std::size_t i = 0; i < 52; ++i)
        packet.values[i] = static_cast<float>(i) / 100.0f;
    packet.values[headYawValue] = 0.1f;
    packet.values[headPitchValue] = -0.2f;
    packet.values[headRollValue] = 0.3f;
    packet.values[55] = 0.05f;  // left eye yaw
    packet.values[60] = -0.07f; // right eye roll

    for (const std::uint8_t version : {std::uint8_t{6}, std::uint8_t{5}}) {
        packet.version = version;
        LiveFrame frame;
        ASSERT_FALSE(parse(packet.bytes(), frame)) << int{version};
        EXPECT_TRUE(frame.tracked);
        EXPECT_EQ(frame.subject, "iPhone");
        ASSERT_EQ(frame.weights.size(), 52u);
        // The stream lists JawLeft before JawRight, the CSV the other way round.
        EXPECT_EQ(frame.weights[15].name, "JawLeft");
        EXPECT_FLOAT_EQ(frame.weights[15].value, 0.15f);
        EXPECT_EQ(frame.weights[17].name, "JawOpen");
        EXPECT_EQ(frame.weights[51].name, "TongueOut");
        EXPECT_FLOAT_EQ(frame.weights[51].value, 0.51f);
        ASSERT_TRUE(frame.head);
        EXPECT_FLOAT_EQ(frame.head->yaw, 0.1f);
        EXPECT_FLOAT_EQ(frame.head->pitch, -0.2f);
        EXPECT_FLOAT_EQ(frame.head->roll, 0.3f);
        EXPECT_FLOAT_EQ(frame.eyeAngles[0], 0.05f);
        EXPECT_FLOAT_EQ(frame.eyeAngles[5], -0.07f);
        ASSERT_TRUE(frame.time);
        EXPECT_EQ(frame.time->frame, 4321);
        EXPECT_FLOAT_EQ(frame.time->subFrame, 0.25f);
        EXPECT_EQ(frame.time->rateNumerator, 60);
    }
}

TEST(LiveLinkFacePacket, LostTrackingIsAFrameWithoutValues) {
    LiveLinkFaceBytes packet;
    packet.tracked = false;
    const std::vector<std::byte> bytes = packet.bytes();
    // A frame that was tracked before must not keep its values.
    LiveFrame frame;
    LiveLinkFaceBytes tracked;
    ASSERT_FALSE(parse(tracked.bytes(), frame));
    ASSERT_FALSE(parse(bytes, frame));
    EXPECT_FALSE(frame.tracked);
    EXPECT_TRUE(frame.weights.empty());
    EXPECT_FALSE(frame.head);
    EXPECT_EQ(frame.subject, "tester");
}

TEST(LiveLinkFacePacket, RefusesEachDamage) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::function<std::vector<std::byte>()> bytes;
    };
    const auto changed = [](std::function<void(LiveLinkFaceBytes&)> change) {
        return [change] {
            LiveLinkFaceBytes packet;
            change(packet);
            return packet.bytes();
        };
    };
    const auto cut = [](std::size_t keep) {
        return [keep] {
            auto bytes = LiveLinkFaceBytes{}.bytes();
            bytes.resize(keep);
            return bytes;
        };
    };
    const std::size_t deviceLength = 4 + std::string("test-device").size();
    const std::size_t timeEnd = 1 + deviceLength + 4 + std::string("tester").size() + 16;
    const Case cases[] = {
        {"empty", [] { return std::vector<std::byte>{}; }},
        {"version 7", changed([](auto& p) { p.version = 7; })},
        {"version 0", changed([](auto& p) { p.version = 0; })},
        {"name of 257 bytes", changed([](auto& p) { p.subject.assign(257, 'a'); })},
        {"cut in the device's length", cut(3)},
        {"cut in the device name", cut(1 + 4 + 3)},
        {"cut in the frame time", cut(timeEnd - 2)},
        {"count of 60", changed([](auto& p) { p.count = 60; })},
        {"count of 62 with 61 values",
         [] {
             LiveLinkFaceBytes packet;
             auto bytes = packet.bytes();
             bytes[timeEnd] = std::byte{62};
             return bytes;
         }},
        {"a value missing",
         [] {
             auto bytes = LiveLinkFaceBytes{}.bytes();
             bytes.resize(bytes.size() - 4);
             return bytes;
         }},
        {"a byte too many",
         [] {
             auto bytes = LiveLinkFaceBytes{}.bytes();
             bytes.push_back(std::byte{0});
             return bytes;
         }},
        {"count byte alone", cut(timeEnd + 1)},
        {"NaN shape", changed([nan](auto& p) { p.values[3] = nan; })},
        {"infinite shape", changed([infinity](auto& p) { p.values[50] = infinity; })},
        {"NaN angle", changed([nan](auto& p) { p.values[headPitchValue] = nan; })},
        {"angle past a full turn", changed([](auto& p) { p.values[headYawValue] = 7.0f; })},
        {"eye angle past a full turn", changed([](auto& p) { p.values[58] = -7.0f; })},
        {"longer than 64 KB", [] { return std::vector<std::byte>(64 * 1024 + 1); }},
    };
    for (const Case& damaged : cases) {
        LiveFrame frame;
        const PacketRefusal refusal = parse(damaged.bytes(), frame);
        EXPECT_TRUE(refusal) << damaged.what;
    }
}

TEST(LiveLinkFacePacket, ANameLengthIsCheckedBeforeItIsRead) {
    // A length near 2^31 must be refused on its value, not by running off the buffer.
    auto bytes = LiveLinkFaceBytes{}.bytes();
    bytes[1] = std::byte{0x7f};
    LiveFrame frame;
    const PacketRefusal refusal = parse(bytes, frame);
    ASSERT_TRUE(refusal);
    EXPECT_STREQ(refusal.reason, "a name is longer than 256 bytes");
    bytes[1] = std::byte{0xff}; // negative
    EXPECT_TRUE(parse(bytes, frame));
}

TEST(ArkitShapes, TheFileOrderIsTheStreamOrderWithTheSidewaysPairsSwapped) {
    std::vector<std::string_view> swapped(arkitStreamOrder.begin(), arkitStreamOrder.end());
    std::swap(swapped[15], swapped[16]); // JawLeft, JawRight
    std::swap(swapped[21], swapped[22]); // MouthLeft, MouthRight
    EXPECT_EQ(swapped, std::vector<std::string_view>(arkitFileOrder.begin(), arkitFileOrder.end()));
    EXPECT_EQ(arkitStreamOrder[17], "JawOpen");
}

} // namespace
