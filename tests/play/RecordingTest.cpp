// The capture file reader and its binding to a head's targets, one file per row of the tables.
#include "play/Recording.h"

#include "common/DemoError.h"
#include "play/Playback.h"
#include "tests/support/TemporaryDirectory.h"

#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const std::vector<std::string> headTargets{"eyeBlinkLeft", "jawOpen", "mouthSmileLeft"};

struct Accepted {
    const char* what;
    std::string csv;
    std::int32_t framesPerSecond;
    std::vector<double> times;
    // The head's three target weights at each row's time.
    std::vector<std::vector<float>> poses;
};

TEST(Recording, ReadsCapturesAndPlaysThemOnTheHead) {
    const std::vector<Accepted> cases{
        {"30 Hz, thousandths of a frame, columns in any order and case",
         "Timecode,BlendShapeCount,JawOpen,EyeBlinkLeft\n"
         "10:00:00:29.500,2,0.5,0.25\n"
         "10:00:01:00.500,2,0.75,0\n"
         "10:00:01:02.000,2,1,1\n",
         30,
         {0.0, 1.0 / 30, 2.5 / 30},
         {{0.25f, 0.5f, 0}, {0, 0.75f, 0}, {1, 1, 0}}},
        {"60 Hz found from a frame number past 29; Windows line ends; BlendshapeCount",
         "\xef\xbb\xbftimecode,BlendshapeCount,mouthSmileLeft\r\n"
         "00:00:01:58.000,1,0.1\r\n"
         "00:00:01:59.000,1,0.2\r\n"
         "00:00:02:00.000,1,0.3\r\n",
         60,
         {0.0, 1.0 / 60, 2.0 / 60},
         {{0, 0, 0.1f}, {0, 0, 0.2f}, {0, 0, 0.3f}}},
        {"lost rows hold the last pose, the rest pose at the start; weights clamped",
         "Timecode,BlendShapeCount,JawOpen\n"
         "00:00:00:00.000,0\n"
         "00:00:00:01.000,1,1.076\n"
         "00:00:00:02.000,0\n"
         "00:00:00:03.000,1,-0.02\n",
         30,
         {0.0, 1.0 / 30, 2.0 / 30, 3.0 / 30},
         {{0, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 0}}},
        {"a take across midnight",
         "Timecode,BlendShapeCount,JawOpen\n"
         "23:59:59:29.000,1,0\n"
         "00:00:00:00.000,1,1\n",
         30,
         {0.0, 1.0 / 30},
         {{0, 0, 0}, {0, 1, 0}}},
        {"CR-only line ends, as old Mac tools write them",
         "Timecode,BlendShapeCount,JawOpen\r"
         "00:00:00:00.000,1,0.25\r"
         "00:00:00:01.000,1,0.5\r",
         30,
         {0.0, 1.0 / 30},
         {{0, 0.25f, 0}, {0, 0.5f, 0}}},
        {"rows 10 s apart, and a step of 9 s across midnight",
         "Timecode,BlendShapeCount,JawOpen\n"
         "23:59:45:00,1,0\n"
         "23:59:55:00,1,0.5\n"
         "00:00:04:00,1,1\n",
         30,
         {0.0, 10.0, 19.0},
         {{0, 0, 0}, {0, 0.5f, 0}, {0, 1, 0}}},
        {"unmatched and rotation columns drive nothing",
         "Timecode,BlendShapeCount,CheekPuff,JawOpen,HeadYaw,LeftEyePitch\n"
         "00:00:00:00.000,4,0.9,0.5,-0.3,0.2\n",
         30,
         {0.0},
         {{0, 0.5f, 0}}},
    };
    TemporaryDirectory directory;
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.what);
        const Recording recording = readRecording(directory.write("take.csv", c.csv));
        EXPECT_EQ(recording.framesPerSecond, c.framesPerSecond);
        ASSERT_EQ(recording.rowCount(), c.times.size());
        Playback playback(recording, headTargets);
        std::vector<float> pose;
        double at = 0.0;
        for (std::size_t row = 0; row < c.times.size(); ++row) {
            EXPECT_NEAR(recording.times[row], c.times[row], 1e-9);
            playback.advance(c.times[row] - at);
            at = c.times[row];
            playback.pose(pose);
            EXPECT_THAT(pose, testing::Pointwise(testing::FloatNear(1e-6f), c.poses[row]))
                << "row " << row;
        }
    }
}

TEST(Recording, BlendsBetweenRowsLoopsAndPauses) {
    TemporaryDirectory directory;
    Playback playback(readRecording(directory.write("take.csv", "Timecode,BlendShapeCount,jawOpen\n"
                                                                "00:00:00:00,1,0\n"
                                                                "00:00:00:01,1,1\n")),
                      headTargets);
    std::vector<float> pose;
    playback.advance(0.5 / 30);
    playback.pose(pose);
    EXPECT_FLOAT_EQ(pose[1], 0.5f);
    playback.togglePause();
    playback.advance(1.0);
    EXPECT_DOUBLE_EQ(playback.time(), 0.5 / 30);
    playback.togglePause();
    playback.advance(2.0 / 30); // two frames long: wraps to half a frame
    EXPECT_NEAR(playback.time(), 0.5 / 30, 1e-12);

    Playback capture(
        readRecording(directory.write(
            "take.csv", "Timecode,BlendShapeCount,CheekPuff,JawOpen,HeadYaw,LeftEyeYaw\n"
                        "00:00:00:00,3,0,0,0,0\n")),
        headTargets);
    EXPECT_THAT(capture.notes(),
                testing::ElementsAre(testing::HasSubstr(": CheekPuff"),
                                     testing::HasSubstr("eye rotations are not applied (the "
                                                        "eyeLook targets carry the gaze): "
                                                        "LeftEyeYaw")));
}

TEST(Recording, HeadAnglesArePlayedBlendedAndHeldThroughLostRows) {
    TemporaryDirectory directory;
    // Pitch is missing (0); a lost row holds the angles before it. No curves at all: a take
    // of the head alone, as an animation that only turns the head is written.
    Playback playback(
        readRecording(directory.write("take.csv", "Timecode,BlendShapeCount,HeadRoll,HeadYaw\n"
                                                  "00:00:00:00,2,0.1,0\n"
                                                  "00:00:00:01,2,0.3,0.5\n"
                                                  "00:00:00:02,0\n"
                                                  "00:00:00:03,2,-0.2,-0.4\n")),
        headTargets);
    const auto anglesAt = [&](double seconds) {
        playback.advance(seconds - playback.time());
        return playback.headAngles().value();
    };
    const HeadAngles half = anglesAt(0.5 / 30);
    EXPECT_FLOAT_EQ(half.yaw, 0.25f);
    EXPECT_FLOAT_EQ(half.pitch, 0.0f);
    EXPECT_FLOAT_EQ(half.roll, 0.2f);
    EXPECT_FLOAT_EQ(anglesAt(2.0 / 30).yaw, 0.5f) << "the lost row holds";
    EXPECT_FLOAT_EQ(anglesAt(3.0 / 30).roll, -0.2f);

    const Playback withoutHead(
        readRecording(directory.write("plain.csv", "Timecode,BlendShapeCount,JawOpen\n"
                                                   "00:00:00:00,1,0.5\n")),
        headTargets);
    EXPECT_FALSE(withoutHead.headAngles().has_value());
    EXPECT_THROW(readRecording(directory.write("spun.csv", "Timecode,BlendShapeCount,HeadYaw\n"
                                                           "00:00:00:00,1,7\n")),
                 DemoError);
}

TEST(Recording, RefusesADamagedFileNamingLineAndFault) {
    const std::pair<std::string, std::string> cases[]{
        {"", ":0: no header"},
        {"0.1,0.2\n", ":1: no header"},
        {"Timecode,JawOpen\n", ":1: no header"},
        {"Timecode,BlendShapeCount,JawOpen,jawopen\n", ":1: no header: column \"jawopen\" appears"},
        {"Timecode,BlendShapeCount,JawOpen\n", ":1: the recording has no rows"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1,0.5\n00:00:00:01,1,x\n",
         ":3: \"x\" is not a number"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1,nan\n", ":2: \"nan\" is not a number"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1\n", ":2: the row has 2 fields"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1,0,0\n", ":2: the row has 4 fields"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:60:00,1,0\n", ":2: \"00:00:60:00\" is not a"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00.5x,1,0\n", ":2: \"00:00:00:00.5x\" is not"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,one,0\n", ":2: the blendshape count"},
        {"Timecode,BlendShapeCount,JawOpen\n\n00:00:01:00,1,0\n00:00:00:29.999,1,0\n",
         ":4: timecode \"00:00:00:29.999\" is earlier than the row before"},
        {"Timecode,BlendShapeCount,JawOpen\n23:59:59:00,1,0\n00:00:00:00,1,0\n"
         "23:59:59:00,1,0\n00:00:00:00,1,0\n",
         ":4: the row comes 86399.00 s after the row before"},
        {"Timecode,BlendShapeCount\n" + std::string(70000, '0') + "\n", ":2: the line is longer"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,0\n00:00:00:01,0\n",
         ":3: tracking was lost on every row"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1,0.5\n00:00:00:01,1,0.5" +
             std::string(1, '\0') + "x\n",
         ":3: \"0.5\\x00x\" is not a number"},
        {"Timecode,BlendShapeCount,JawOpen\n00:00:00:00,1,\x1b[2J\n", ":2: \"\\x1b[2J\" is not"},
        {"Timecode,BlendShapeCount,JawOpen,jawOpen\r00:00:00:00,1,0,0\r",
         ":1: no header: column \"jawOpen\" appears twice"},
    };
    TemporaryDirectory directory;
    for (const auto& [csv, fault] : cases) {
        const auto path = directory.write("take.csv", csv);
        try {
            readRecording(path);
            ADD_FAILURE() << "accepted: " << csv.substr(0, 80);
        } catch (const DemoError& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(path.string() + fault));
        }
    }
}

// Far-apart rows are a damaged take: the player would freeze for the whole hole.
TEST(Recording, RefusesHolesAndTakesOfADay) {
    const std::string header = "Timecode,BlendShapeCount,JawOpen\n";
    // Every 10 s for a whole day, across midnight: the last row is a day after the first.
    std::string wholeDay = header;
    for (std::int32_t second = 12 * 3600; second <= 36 * 3600; second += 10) {
        char row[32];
        std::snprintf(row, sizeof row, "%02d:%02d:%02d:00,1,0\n", second / 3600 % 24,
                      second / 60 % 60, second % 60);
        wholeDay += row;
    }
    const std::pair<std::string, std::string> cases[]{
        {header + "00:00:00:00,1,0\n00:00:10:01,1,0\n",
         ":3: the row comes 10.03 s after the row before, more than 10.00 s"},
        {header + "10:00:00:00,1,0\n10:00:00:01,1,0\n14:00:00:00,1,0\n10:00:00:03,1,0\n",
         ":4: the row comes 14399.97 s after"},
        {header + "00:00:00:00,1,0\n00:00:01:00,0\n00:00:12:00,0\n", ":4: the row comes 11.00 s"},
        {header + "23:59:50:00,1,0\n00:00:05:00,1,0\n", ":3: the row comes 15.00 s"},
        {header + "23:30:00:00,1,0\n00:30:00:00,1,0\n", ":3: the row comes 3600.00 s"},
        {wholeDay, ":" + std::to_string(2 + 24 * 360) + ": the take lasts a day or more"},
    };
    TemporaryDirectory directory;
    for (const auto& [csv, fault] : cases) {
        const auto path = directory.write("take.csv", csv);
        try {
            readRecording(path);
            ADD_FAILURE() << "accepted: " << csv.substr(0, 120);
        } catch (const DemoError& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(path.string() + fault));
        }
    }
    // A second less than a day is still a take.
    wholeDay.resize(wholeDay.size() - std::string("00:00:00:00,1,0\n").size());
    EXPECT_NO_THROW(readRecording(directory.write("take.csv", wholeDay)));
}

// Lost rows share a pose: a file of many lost rows and many columns costs a few bytes a row.
TEST(Recording, LostRowsStoreNoWeights) {
    constexpr std::size_t columns = 2000, lostRows = 20000;
    std::string csv = "Timecode,BlendShapeCount";
    for (std::size_t column = 0; column < columns; ++column)
        csv += ",c" + std::to_string(column);
    csv += "\n00:00:00:00,0\n00:00:00:00," + std::to_string(columns);
    for (std::size_t column = 0; column < columns; ++column)
        csv += ",0.5";
    csv += "\n";
    for (std::size_t row = 0; row < lostRows; ++row) {
        char line[32];
        std::snprintf(line, sizeof line, "00:%02zu:%02zu:%02zu,0\n", row / 1800 % 60, row / 30 % 60,
                      row % 30);
        csv += line;
    }
    TemporaryDirectory directory;
    const Recording recording = readRecording(directory.write("take.csv", csv));
    ASSERT_EQ(recording.rowCount(), lostRows + 2);
    EXPECT_EQ(recording.poses.size(), 2 * columns); // the rest pose and the one tracked
    EXPECT_EQ(recording.rowWeights(0)[7], 0.0f);
    EXPECT_EQ(recording.rowWeights(lostRows + 1)[7], 0.5f);
}

TEST(Recording, AnEmptyRecordingPlaysTheRestPose) {
    Playback empty(Recording{}, headTargets);
    std::vector<float> pose{1.0f};
    empty.advance(0.5);
    empty.pose(pose);
    EXPECT_THAT(pose, testing::ElementsAre(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(empty.time(), 0.0);

    Recording disagreeing;
    disagreeing.columns = {"jawOpen"};
    disagreeing.times = {0.0, 1.0};
    disagreeing.poseOfRow = {0, 1};
    disagreeing.poses = {0.5f};
    EXPECT_THROW(Playback(disagreeing, headTargets), DemoError);
}

} // namespace
