#include "live/LiveReceiver.h"

#include "LiveLinkFaceBytes.h"
#include "LoopbackSender.h"
#include "common/DemoError.h"
#include "live/LiveSource.h"

#include <QTest>
#include <gtest/gtest.h>
#include <osc/OscOutboundPacketStream.h>

namespace {

LiveListen loopbackOnAnyPorts() {
    LiveListen listen;
    listen.bindAddress = "127.0.0.1";
    listen.liveLinkFacePort = 0;
    listen.vmcPort = 0;
    return listen;
}

void waitForDatagrams(const LiveReceiver& receiver) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.datagramsWaiting(); }, 2000));
}

std::vector<std::byte> packetOfFrame(std::int32_t frame, const std::string& subject = "tester") {
    LiveLinkFaceBytes packet;
    packet.frame = frame;
    packet.subject = subject;
    packet.values[jawOpenValue] = 0.01f * static_cast<float>(frame);
    return packet.bytes();
}

TEST(LiveReceiver, KeepsOnlyTheNewestOfWhatWaited) {
    LiveReceiver receiver(loopbackOnAnyPorts());
    EXPECT_FALSE(receiver.datagramsWaiting());
    EXPECT_FALSE(receiver.readNewest());
    LoopbackSender sender;
    for (std::int32_t frame = 1; frame <= 5; ++frame)
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(frame));
    waitForDatagrams(receiver);
    ASSERT_TRUE(receiver.readNewest());
    ASSERT_TRUE(receiver.newest().frame.time);
    EXPECT_EQ(receiver.newest().frame.time->frame, 5);
    EXPECT_EQ(receiver.newest().sender, "127.0.0.1");
    EXPECT_EQ(receiver.counts().frames, 5u);
    EXPECT_EQ(receiver.counts().superseded, 4u);
    EXPECT_FALSE(receiver.datagramsWaiting());
    EXPECT_FALSE(receiver.readNewest());
}

TEST(LiveReceiver, CountsAndDropsDamagedDatagrams) {
    LiveReceiver receiver(loopbackOnAnyPorts());
    LoopbackSender sender;
    sender.send(receiver.liveLinkFacePort(), packetOfFrame(1));
    sender.send(receiver.liveLinkFacePort(), std::vector<std::byte>(3, std::byte{6}));
    sender.send(receiver.vmcPort(), std::vector<std::byte>(5, std::byte{'/'}));
    sender.send(receiver.liveLinkFacePort(), std::vector<std::byte>(60000, std::byte{6}));
    waitForDatagrams(receiver);
    ASSERT_TRUE(receiver.readNewest());
    EXPECT_EQ(receiver.newest().frame.time->frame, 1); // the good one stays the newest
    EXPECT_EQ(receiver.counts().malformed, 3u);
}

TEST(LiveReceiver, ShowsTheFirstSubjectOrTheOneAskedFor) {
    struct Case {
        std::optional<std::string> asked;
        std::string shown;
    };
    for (const Case& choice : {Case{std::nullopt, "first"}, Case{"second", "second"}}) {
        LiveListen listen = loopbackOnAnyPorts();
        listen.subject = choice.asked;
        LiveReceiver receiver(listen);
        std::vector<std::string> notes;
        receiver.setNoteObserver([&](const std::string& note) { notes.push_back(note); });
        LoopbackSender sender;
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(1, "first"));
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(2, "second"));
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(3, "first"));
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(4, "second"));
        sender.send(receiver.liveLinkFacePort(), packetOfFrame(5, "bell\a"));
        waitForDatagrams(receiver);
        ASSERT_TRUE(receiver.readNewest());
        EXPECT_EQ(receiver.newest().frame.subject, choice.shown);
        EXPECT_EQ(receiver.counts().otherSubjects, 3u);
        // Each other subject said once, its control characters escaped.
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_NE(notes[1].find("bell\\x07"), std::string::npos) << notes[1];
    }
}

TEST(LiveReceiver, RefusesAPortInUseAndABadAddress) {
    LiveReceiver first(loopbackOnAnyPorts());
    LiveListen same = loopbackOnAnyPorts();
    same.liveLinkFacePort = first.liveLinkFacePort();
    EXPECT_THROW(LiveReceiver{same}, DemoError);
    LiveListen bad = loopbackOnAnyPorts();
    bad.bindAddress = "phone.local";
    EXPECT_THROW(LiveReceiver{bad}, DemoError);
}

TEST(LiveSource, DrivesTheTargetsAndTheHeadAndHoldsThemWithoutTracking) {
    auto receiver = std::make_unique<LiveReceiver>(loopbackOnAnyPorts());
    const std::uint16_t port = receiver->liveLinkFacePort();
    std::vector<std::string> notes;
    NameMap map{{"mouthsmileleft", {"smile", 0.5f}}};
    LiveSource source(std::move(receiver), {"jawOpen", "smile", "blink"}, map,
                      [&](const std::string& note) { notes.push_back(note); });
    EXPECT_FALSE(source.moving());
    EXPECT_FALSE(source.headAngles());

    LiveLinkFaceBytes packet;
    packet.values[jawOpenValue] = 1.5f; // overshoot, clamped as recordings are
    packet.values[23] = 0.8f;           // MouthSmileLeft, mapped at half
    packet.values[headYawValue] = 0.3f;
    LoopbackSender sender;
    sender.send(port, packet.bytes());
    waitForDatagrams(source.receiver());
    EXPECT_TRUE(source.moving());
    source.advance(1.0f / 60);
    EXPECT_FALSE(source.moving());
    std::vector<float> weights;
    source.pose(weights);
    EXPECT_EQ(weights, (std::vector<float>{1.0f, 0.4f, 0.0f}));
    ASSERT_TRUE(source.headAngles());
    EXPECT_FLOAT_EQ(source.headAngles()->yaw, 0.3f);
    // The 50 shapes the head lacks are listed once, however many frames bring them.
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("TongueOut"), std::string::npos);

    LiveLinkFaceBytes lost;
    lost.tracked = false;
    sender.send(port, lost.bytes());
    sender.send(port, packet.bytes());
    sender.send(port, lost.bytes());
    waitForDatagrams(source.receiver());
    source.advance(1.0f / 60);
    source.pose(weights);
    EXPECT_EQ(weights, (std::vector<float>{1.0f, 0.4f, 0.0f}));
    EXPECT_EQ(notes.size(), 1u);
    const std::string line = *source.stateLine();
    EXPECT_EQ(line.rfind("Receiving from 127.0.0.1 (\"tester\")", 0), 0u) << line;
}

TEST(LiveSource, TakesAVmcFrameOnApply) {
    auto receiver = std::make_unique<LiveReceiver>(loopbackOnAnyPorts());
    const std::uint16_t port = receiver->vmcPort();
    LiveSource source(std::move(receiver), {"JawOpen"}, {}, {});
    std::vector<char> buffer(1024);
    osc::OutboundPacketStream values(buffer.data(), buffer.size());
    values << osc::BeginMessage("/VMC/Ext/Blend/Val") << "jawopen" << 0.5 << osc::EndMessage;
    const auto* data = reinterpret_cast<const std::byte*>(values.Data());
    LoopbackSender sender;
    sender.send(port, {data, data + values.Size()});
    waitForDatagrams(source.receiver());
    source.advance(1.0f / 60);
    std::vector<float> weights;
    source.pose(weights);
    EXPECT_EQ(weights, std::vector<float>{0.0f}); // not applied yet

    values.Clear();
    values << osc::BeginMessage("/VMC/Ext/Blend/Apply") << osc::EndMessage;
    data = reinterpret_cast<const std::byte*>(values.Data());
    sender.send(port, {data, data + values.Size()});
    waitForDatagrams(source.receiver());
    source.advance(1.0f / 60);
    source.pose(weights);
    EXPECT_EQ(weights, std::vector<float>{0.5f});
}

} // namespace
