#include "live/VmcPacket.h"

#include "live/VmcFrameAssembler.h"
#include "live/VmcHeadAngles.h"

#include <cmath>
#include <functional>
#include <glm/gtc/quaternion.hpp>
#include <gtest/gtest.h>
#include <osc/OscOutboundPacketStream.h>
#include <string>

namespace {

// Builds a datagram with oscpack's writer, as a sender would.
std::vector<std::byte> osc(const std::function<void(osc::OutboundPacketStream&)>& write) {
    std::vector<char> buffer(8192);
    osc::OutboundPacketStream stream(buffer.data(), buffer.size());
    write(stream);
    const auto* data = reinterpret_cast<const std::byte*>(stream.Data());
    return {data, data + stream.Size()};
}

void blend(osc::OutboundPacketStream& s, const char* name, float value) {
    s << osc::BeginMessage("/VMC/Ext/Blend/Val") << name << value << osc::EndMessage;
}
void apply(osc::OutboundPacketStream& s) {
    s << osc::BeginMessage("/VMC/Ext/Blend/Apply") << osc::EndMessage;
}
void bone(osc::OutboundPacketStream& s, const char* name, const glm::quat& q) {
    s << osc::BeginMessage("/VMC/Ext/Bone/Pos") << name << 0.0f << 1.5f << 0.0f << q.x << q.y << q.z
      << q.w << osc::EndMessage;
}

std::vector<VmcMessage> parsed(const std::vector<std::byte>& bytes) {
    std::vector<VmcMessage> messages;
    const PacketRefusal refusal = parseVmcPacket(bytes, messages);
    EXPECT_FALSE(refusal) << refusal.reason;
    return messages;
}

TEST(VmcPacket, TakesNumbersAsInt32Float32OrFloat64) {
    const std::vector<std::byte> bytes = osc([](auto& s) {
        s << osc::BeginBundleImmediate;
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << 0.75f << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "Blink_L" << osc::int32(1)
          << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "A" << 0.25 << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Unknown") << "ignored" << osc::EndMessage;
        apply(s);
        s << osc::EndBundle;
    });
    const std::vector<VmcMessage> messages = parsed(bytes);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].name, "JawOpen");
    EXPECT_FLOAT_EQ(messages[0].value, 0.75f);
    EXPECT_FLOAT_EQ(messages[1].value, 1.0f);
    EXPECT_FLOAT_EQ(messages[2].value, 0.25f);
    EXPECT_EQ(messages[3].kind, VmcMessage::Kind::blendApply);
}

TEST(VmcPacket, OpensNestedBundlesUpToTheBound) {
    const auto nested = [](int depth) {
        return osc([depth](auto& s) {
            for (int level = 0; level < depth; ++level)
                s << osc::BeginBundleImmediate;
            blend(s, "JawOpen", 0.5f);
            for (int level = 0; level < depth; ++level)
                s << osc::EndBundle;
        });
    };
    EXPECT_EQ(parsed(nested(maxVmcBundleDepth)).size(), 1u);
    std::vector<VmcMessage> messages;
    EXPECT_TRUE(parseVmcPacket(nested(maxVmcBundleDepth + 1), messages));
    EXPECT_TRUE(messages.empty());
}

TEST(VmcPacket, RefusesEachDamage) {
    const std::string longName(257, 'n');
    struct Case {
        const char* what;
        std::vector<std::byte> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"not a multiple of four", std::vector<std::byte>(7, std::byte{'/'})},
        {"no type tags' comma",
         [] {
             auto bytes = osc([](auto& s) { apply(s); });
             bytes[bytes.size() - 4] = std::byte{'x'};
             return bytes;
         }()},
        {"address without end", std::vector<std::byte>(8, std::byte{'/'})},
        {"value as a string", osc([](auto& s) {
             s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen"
               << "high" << osc::EndMessage;
         })},
        {"value missing", osc([](auto& s) {
             s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << osc::EndMessage;
         })},
        {"name as a number", osc([](auto& s) {
             s << osc::BeginMessage("/VMC/Ext/Blend/Val") << 3.0f << 0.5f << osc::EndMessage;
         })},
        {"name longer than 256 bytes", osc([&](auto& s) { blend(s, longName.c_str(), 0.5f); })},
        {"NaN value", osc([](auto& s) { blend(s, "JawOpen", std::nanf("")); })},
        {"huge float", osc([](auto& s) { blend(s, "JawOpen", 3e7f); })},
        {"huge double", osc([](auto& s) {
             s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << 1e300 << osc::EndMessage;
         })},
        {"bone with six numbers", osc([](auto& s) {
             s << osc::BeginMessage("/VMC/Ext/Bone/Pos") << "Head" << 0.f << 0.f << 0.f << 0.f
               << 0.f << 1.f << osc::EndMessage;
         })},
        {"a bad message after good ones in a bundle", osc([](auto& s) {
             s << osc::BeginBundleImmediate;
             blend(s, "JawOpen", 0.5f);
             apply(s);
             s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << osc::EndMessage;
             s << osc::EndBundle;
         })},
        {"bundle element running past the end",
         [] {
             auto bytes = osc([](auto& s) {
                 s << osc::BeginBundleImmediate;
                 apply(s);
                 s << osc::EndBundle;
             });
             bytes[19] = std::byte{0x7f}; // the element's size, low byte
             return bytes;
         }()},
        {"bundle element of size -4 (a reader that loops for ever on it)",
         [] {
             auto bytes = osc([](auto& s) {
                 s << osc::BeginBundleImmediate;
                 apply(s);
                 s << osc::EndBundle;
             });
             for (std::size_t i = 16; i < 19; ++i)
                 bytes[i] = std::byte{0xff};
             bytes[19] = std::byte{0xfc};
             return bytes;
         }()},
        {"blob tags without their blobs",
         [] {
             auto bytes = osc([](auto& s) { apply(s); });
             const char tags[] = ",bbbbbb\0";
             bytes.resize(bytes.size() - 4);
             for (const char c : tags)
                 bytes.push_back(static_cast<std::byte>(c));
             return bytes;
         }()},
        {"blob longer than its message",
         [] {
             auto bytes = osc([](auto& s) {
                 const char data[8] = {};
                 s << osc::BeginMessage("/VMC/Ext/Other") << osc::Blob(data, 8) << osc::EndMessage;
             });
             bytes[23] = std::byte{100}; // the blob's size, after the address and the tags
             return bytes;
         }()},
        {"longer than 64 KB", std::vector<std::byte>(64 * 1024 + 4)},
    };
    for (const Case& damaged : cases) {
        std::vector<VmcMessage> messages;
        EXPECT_TRUE(parseVmcPacket(damaged.bytes, messages)) << damaged.what;
        EXPECT_TRUE(messages.empty()) << damaged.what;
    }
}

TEST(VmcFrameAssembler, MakesAFrameOnApplyOfEverythingKept) {
    VmcFrameAssembler assembler;
    LiveFrame frame;
    EXPECT_FALSE(assembler.take(parsed(osc([](auto& s) { blend(s, "JawOpen", 0.4f); })), frame));
    ASSERT_TRUE(assembler.take(parsed(osc([](auto& s) {
                                   s << osc::BeginBundleImmediate;
                                   blend(s, "MouthSmileLeft", 0.2f);
                                   blend(s, "JawOpen", 0.6f);
                                   apply(s);
                                   s << osc::EndBundle;
                               })),
                               frame));
    EXPECT_TRUE(frame.tracked);
    ASSERT_EQ(frame.weights.size(), 2u);
    EXPECT_EQ(frame.weights[0].name, "JawOpen");
    EXPECT_FLOAT_EQ(frame.weights[0].value, 0.6f);
    EXPECT_FLOAT_EQ(frame.weights[1].value, 0.2f);
    EXPECT_FALSE(frame.head); // no bones sent
}

TEST(VmcFrameAssembler, KeepsNoMoreNamesThanItsBound) {
    VmcFrameAssembler assembler;
    LiveFrame frame;
    for (std::size_t i = 0; i < VmcFrameAssembler::maxShapes + 50; ++i) {
        const std::string name = "shape" + std::to_string(i);
        assembler.take(parsed(osc([&](auto& s) { blend(s, name.c_str(), 1.0f); })), frame);
    }
    ASSERT_TRUE(assembler.take(parsed(osc([](auto& s) { apply(s); })), frame));
    EXPECT_EQ(frame.weights.size(), VmcFrameAssembler::maxShapes);
}

// Unity's rotations are left-handed: a positive angle about +y turns the face (+z) towards +x,
// the avatar's right; about +x it nods the face down; about +z it tips the top of the head
// towards -x, the avatar's left shoulder.
TEST(VmcHeadAngles, EachTurnHasThePhonesSign) {
    const float angle = 0.4f;
    const auto unity = [&](glm::vec3 axis) { return glm::angleAxis(angle, axis); };
    struct Case {
        const char* what;
        glm::quat neck;
        glm::quat head;
        HeadAngles phone; // the phone: +yaw to the performer's left, +pitch up, +roll right
    };
    const glm::quat none(1, 0, 0, 0);
    const Case cases[] = {
        {"head turned to the avatar's right", none, unity({0, 1, 0}), {-angle, 0, 0}},
        {"head turned to the avatar's left", none, unity({0, -1, 0}), {angle, 0, 0}},
        {"nod down", none, unity({1, 0, 0}), {0, -angle, 0}},
        {"nod up", none, unity({-1, 0, 0}), {0, angle, 0}},
        {"tilt to the left shoulder", none, unity({0, 0, 1}), {0, 0, -angle}},
        {"tilt to the right shoulder", none, unity({0, 0, -1}), {0, 0, angle}},
        {"neck and head turning together add up",
         glm::angleAxis(0.1f, glm::vec3(0, 1, 0)),
         glm::angleAxis(0.3f, glm::vec3(0, 1, 0)),
         {-angle, 0, 0}},
    };
    for (const Case& turn : cases) {
        const HeadAngles angles = vmcHeadAngles(turn.neck, turn.head);
        EXPECT_NEAR(angles.yaw, turn.phone.yaw, 1e-5f) << turn.what;
        EXPECT_NEAR(angles.pitch, turn.phone.pitch, 1e-5f) << turn.what;
        EXPECT_NEAR(angles.roll, turn.phone.roll, 1e-5f) << turn.what;
    }
}

TEST(VmcFrameAssembler, AppliesHeadAndNeckBonesAsTheHeadTurn) {
    VmcFrameAssembler assembler;
    LiveFrame frame;
    ASSERT_TRUE(assembler.take(parsed(osc([](auto& s) {
                                   s << osc::BeginBundleImmediate;
                                   bone(s, "Neck", glm::angleAxis(0.2f, glm::vec3(0, 1, 0)));
                                   bone(s, "Head", glm::angleAxis(0.1f, glm::vec3(0, 1, 0)));
                                   bone(s, "Spine", glm::angleAxis(1.0f, glm::vec3(0, 1, 0)));
                                   apply(s);
                                   s << osc::EndBundle;
                               })),
                               frame));
    ASSERT_TRUE(frame.head);
    EXPECT_NEAR(frame.head->yaw, -0.3f, 1e-5f);
}

} // namespace
