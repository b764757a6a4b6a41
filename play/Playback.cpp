#include "play/Playback.h"

#include "common/DemoError.h"
#include "common/JoinedNames.h"
#include "common/LowerCase.h"

#include <algorithm>
#include <cmath>

Playback::Playback(Recording recording, const std::vector<std::string>& targetNames,
                   NameMap nameMap)
    : recording_(std::move(recording)), targetCount_(targetNames.size()) {
    const std::size_t columns = recording_.columns.size();
    const std::size_t poses = columns == 0 ? 0 : recording_.poses.size() / columns;
    if (recording_.poseOfRow.size() != recording_.times.size() ||
        recording_.poses.size() != poses * columns ||
        (recording_.hasHeadAngles && recording_.headAngles.size() % 3 != 0) ||
        std::any_of(recording_.poseOfRow.begin(), recording_.poseOfRow.end(),
                    [&](std::uint32_t pose) {
                        return (columns != 0 && pose >= poses) ||
                               (recording_.hasHeadAngles &&
                                std::size_t{pose} * 3 >= recording_.headAngles.size());
                    }))
        throw DemoError("a recording of " + std::to_string(recording_.times.size()) + " rows, " +
                        std::to_string(recording_.poseOfRow.size()) + " row poses and " +
                        std::to_string(recording_.poses.size()) + " weights in " +
                        std::to_string(columns) + " columns cannot be played");
    const TargetBinding binding(targetNames, std::move(nameMap));
    for (const std::string& column : recording_.columns) {
        boundColumns_.push_back(binding.bind(column));
        if (boundColumns_.back().target < 0)
            unmatched_.push_back(column);
    }
}

std::vector<std::string> Playback::notes() const {
    std::vector<std::string> notes;
    if (!unmatched_.empty())
        notes.push_back("columns that match no morph target of the head, not played: " +
                        joinedNames(unmatched_));
    std::vector<std::string> eyeColumns;
    for (const std::string& column : recording_.rotationColumns)
        if (lowerCase(column).find("eye") != std::string::npos)
            eyeColumns.push_back(column);
    if (!eyeColumns.empty())
        notes.push_back("eye rotations are not applied (the eyeLook targets carry the gaze): " +
                        joinedNames(eyeColumns));
    return notes;
}

void Playback::advance(double dt) {
    const double duration = recording_.duration();
    if (paused_ || !(dt > 0.0) || !(duration > 0.0))
        return;
    time_ = std::fmod(time_ + dt, duration);
}

Playback::Between Playback::playheadRows() const {
    const std::vector<double>& times = recording_.times;
    const auto after = std::upper_bound(times.begin(), times.end(), time_);
    const std::size_t row =
        after == times.begin() ? 0 : static_cast<std::size_t>(after - times.begin()) - 1;
    const std::size_t next = std::min(row + 1, times.size() - 1);
    const double span = times[next] - times[row];
    const auto blend =
        span > 0.0 ? static_cast<float>(std::clamp((time_ - times[row]) / span, 0.0, 1.0)) : 0.0f;
    return {row, next, blend};
}

void Playback::pose(std::vector<float>& targetWeights) const {
    targetWeights.assign(targetCount_, 0.0f);
    if (recording_.times.empty())
        return; // nothing recorded: the rest pose
    const Between at = playheadRows();
    const std::span<const float> from = recording_.rowWeights(at.row);
    const std::span<const float> to = recording_.rowWeights(at.next);
    for (std::size_t column = 0; column < recording_.columns.size(); ++column) {
        const TargetBinding::Bound bound = boundColumns_[column];
        if (bound.target >= 0)
            targetWeights[static_cast<std::size_t>(bound.target)] = std::clamp(
                bound.scale * (from[column] + at.blend * (to[column] - from[column])), 0.0f, 1.0f);
    }
}

std::optional<HeadAngles> Playback::headAngles() const {
    if (!recording_.hasHeadAngles || recording_.times.empty())
        return std::nullopt;
    const Between at = playheadRows();
    const HeadAngles from = recording_.rowHeadAngles(at.row);
    const HeadAngles to = recording_.rowHeadAngles(at.next);
    const auto blend = [&](float a, float b) { return a + at.blend * (b - a); };
    return HeadAngles{blend(from.yaw, to.yaw), blend(from.pitch, to.pitch),
                      blend(from.roll, to.roll)};
}
