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
    if (recording.rowCount() == 0 ||
        recording.weights.size() != recording.rowCount() * recording.columns.size())
        throw FuzzFinding("recording reader: rows and weights disagree");
    if (!std::is_sorted(recording.times.begin(), recording.times.end()) ||
        recording.times.front() != 0.0)
        throw FuzzFinding("recording reader: times out of order");
    if (std::any_of(recording.weights.begin(), recording.weights.end(),
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
