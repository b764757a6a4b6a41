#include "FuzzTargets.h"
#include "InMemoryFile.h"
#include "common/DemoError.h"
#include "play/Playback.h"
#include "play/Recording.h"

#include <algorithm>
#include <string>
#include <vector>

// An accepted recording must keep the reader's promises, and playing it anywhere in its loop
// must give weights in 0..1.
void fuzzRecording(std::span<const std::uint8_t> bytes) {
    static InMemoryFile file;
    file.replace(bytes);
    Recording recording;
    try {
        recording = readRecording(file.path());
    } catch (const DemoError&) {
        return;
    }
    const std::size_t columns = recording.columns.size();
    if (recording.rowCount() == 0 || recording.poseOfRow.size() != recording.rowCount() ||
        (columns != 0 && recording.poses.size() % columns != 0) ||
        std::any_of(recording.poseOfRow.begin(), recording.poseOfRow.end(), [&](std::uint32_t p) {
            return columns != 0 && (p + std::size_t{1}) * columns > recording.poses.size();
        }))
        throw FuzzFinding("recording reader: rows and poses disagree");
    // A lost row shares a pose: the poses are never more than the rows and the rest pose.
    if (columns != 0 && recording.poses.size() / columns > recording.rowCount() + 1)
        throw FuzzFinding("recording reader: more poses than rows");
    for (std::size_t row = 1; row < recording.rowCount(); ++row)
        if (recording.times[row] - recording.times[row - 1] > maxRowGapSeconds)
            throw FuzzFinding("recording reader: a hole in the take");
    if (!std::is_sorted(recording.times.begin(), recording.times.end()) ||
        recording.times.front() != 0.0)
        throw FuzzFinding("recording reader: times out of order");
    if (std::any_of(recording.poses.begin(), recording.poses.end(),
                    [](float w) { return !(w >= 0.0f && w <= 1.0f); }))
        throw FuzzFinding("recording reader: a weight outside 0..1");

    Playback playback(std::move(recording), {"jawOpen", "eyeBlinkLeft", "a"});
    std::vector<float> pose;
    for (const double step : {0.0, 0.01, 0.5, 7.25}) {
        playback.advance(step);
        playback.pose(pose);
        if (std::any_of(pose.begin(), pose.end(),
                        [](float w) { return !(w >= 0.0f && w <= 1.0f); }))
            throw FuzzFinding("playback: a weight outside 0..1 at " +
                              std::to_string(playback.time()) + " s");
    }
}
