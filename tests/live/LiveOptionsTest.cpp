#include "app/PlayerOptions.h"
#include "common/DemoError.h"

#include <gtest/gtest.h>

namespace {

TEST(LiveOptions, TakesTheListenersSettings) {
    const PlayerOptions options = parsePlayerOptions(
        {"--live", "--llf-port", "12000", "--vmc-port", "39540", "--bind", "192.168.1.20",
         "--subject", "Ann", "--record", "take.csv", "--map", "names.txt", "--no-mirror"});
    ASSERT_TRUE(options.live);
    EXPECT_EQ(options.live->listen.liveLinkFacePort, 12000);
    EXPECT_EQ(options.live->listen.vmcPort, 39540);
    EXPECT_EQ(options.live->listen.bindAddress, "192.168.1.20");
    EXPECT_EQ(options.live->listen.subject, "Ann");
    EXPECT_EQ(options.live->record, "take.csv");
    EXPECT_EQ(options.nameMap, "names.txt");
    EXPECT_FALSE(options.headTurn.mirror);
    EXPECT_TRUE(options.recording.empty());

    const PlayerOptions defaults = parsePlayerOptions({"--live"});
    EXPECT_EQ(defaults.live->listen.liveLinkFacePort, 11111);
    EXPECT_EQ(defaults.live->listen.vmcPort, 39539);
    EXPECT_TRUE(defaults.live->listen.bindAddress.empty());
    EXPECT_FALSE(parsePlayerOptions({"take.csv", "--map", "m.txt"}).live);
}

TEST(LiveOptions, RefusesEachMisuse) {
    const std::vector<std::vector<std::string>> misuses = {
        {"--live", "--llf-port", "0"},
        {"--live", "--llf-port", "65536"},
        {"--live", "--vmc-port", "port"},
        {"--live", "--vmc-port"},
        {"--live", "--record", ""},
        {"--llf-port", "12000"}, // without --live
        {"take.csv", "--subject", "Ann"},
        {"take.csv", "--live"},
        {"--live", "--map"},
    };
    for (const auto& arguments : misuses) {
        try {
            parsePlayerOptions(arguments);
            ADD_FAILURE() << "accepted: " << arguments.back();
        } catch (const DemoError& error) {
            EXPECT_NE(std::string(error.what()).find("usage: mirelda-play"), std::string::npos);
        }
    }
}

} // namespace
