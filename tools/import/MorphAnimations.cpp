#include "MorphAnimations.h"

#include "GltfAccessors.h"
#include "GltfScene.h"
#include "ImportError.h"
#include "common/LowerCase.h"
#include "model/DataFilePair.h"
#include "model/FileTransaction.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>

namespace {

namespace fs = std::filesystem;

// The longest a weight's text can be once clamped to 0..1: "1.1754944e-38"; an angle's, with
// its sign and a ninth digit: "-1.17549435e-38".
constexpr std::uintmax_t maxWeightChars = 13;
constexpr std::uintmax_t maxAngleChars = 15;

// The head's turn as the phone app's recordings name its columns, after the targets.
constexpr std::array<const char*, 3> headAngleColumns{"HeadYaw", "HeadPitch", "HeadRoll"};
[[noreturn]] void fail(const std::string& fault) {
    throw ImportError(fault);
}

std::string numberText(float value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "?";
}

// Only letters, digits, '.', '_' and '-', never a leading dot: no name leaves the directory.
std::string safeFileStem(const std::string& name) {
    std::string stem;
    for (const char c : name.substr(0, 100)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        stem.push_back(plain ? c : '_');
    }
    while (!stem.empty() && stem.front() == '.')
        stem.erase(0, 1);
    return stem;
}

// The columns of one animation and their curves (none: the target holds its default).
class AnimationSampler {
  public:
    AnimationSampler(const tinygltf::Model& model, const HeadJoints& joints)
        : model_(model), joints_(joints) {}

    std::optional<MorphAnimation> sample(const tinygltf::Animation& animation,
                                         const std::string& what) {
        std::vector<bool> driven(model_.nodes.size(), false);
        for (std::size_t c = 0; c < animation.channels.size(); ++c) {
            const tinygltf::AnimationChannel& channel = animation.channels[c];
            if (channel.target_path != "weights")
                continue;
            const std::string channelWhat = what + " channel " + std::to_string(c);
            if (channel.target_node < 0 ||
                static_cast<std::size_t>(channel.target_node) >= model_.nodes.size())
                fail(channelWhat + ": node " + std::to_string(channel.target_node) +
                     " does not exist");
            driven[static_cast<std::size_t>(channel.target_node)] = true;
            const tinygltf::Node& node =
                model_.nodes[static_cast<std::size_t>(channel.target_node)];
            if (node.mesh < 0)
                fail(channelWhat + ": node " + std::to_string(channel.target_node) +
                     " has no mesh whose weights it could drive");
            const std::vector<std::string> names = meshTargetNames(model_, node.mesh);
            if (channel.sampler < 0 ||
                static_cast<std::size_t>(channel.sampler) >= animation.samplers.size())
                fail(channelWhat + ": sampler " + std::to_string(channel.sampler) +
                     " does not exist");
            addCurves(animation.samplers[static_cast<std::size_t>(channel.sampler)], names,
                      channelWhat);
        }
        headTrack_ = readHeadTrack(model_, animation, joints_, what);
        if (columns_.empty() && !headTrack_)
            return std::nullopt;
        addDefaults(driven);
        return frames();
    }

  private:
    void addCurves(const tinygltf::AnimationSampler& sampler, const std::vector<std::string>& names,
                   const std::string& what) {
        WeightCurve shape;
        shape.interpolation = interpolationOf(sampler.interpolation, what);
        shape.times = keyframeTimes(model_, sampler, what);
        const std::vector<float> output = readFloats(model_, sampler.output, 1, what + " output");
        const std::size_t perKey = shape.interpolation == Interpolation::CubicSpline ? 3 : 1;
        const std::size_t keys = shape.times.size();
        if (names.empty() || output.size() != keys * perKey * names.size())
            fail(what + ": " + std::to_string(output.size()) + " weights for " +
                 std::to_string(keys) + " keyframes of " + std::to_string(names.size()) +
                 " targets");
        for (std::size_t target = 0; target < names.size(); ++target) {
            WeightCurve curve = shape;
            for (std::size_t key = 0; key < keys; ++key)
                for (std::size_t part = 0; part < perKey; ++part)
                    curve.values.push_back(output[(key * perKey + part) * names.size() + target]);
            column(names[target]) = Column{std::move(curve), 0.0f};
        }
    }

    // Morphed nodes the animation leaves alone still show their default weights.
    void addDefaults(const std::vector<bool>& driven) {
        for (std::size_t n = 0; n < model_.nodes.size(); ++n) {
            const tinygltf::Node& node = model_.nodes[n];
            if (driven[n] || node.mesh < 0 ||
                static_cast<std::size_t>(node.mesh) >= model_.meshes.size())
                continue;
            const std::vector<double>& defaults =
                node.weights.empty() ? model_.meshes[static_cast<std::size_t>(node.mesh)].weights
                                     : node.weights;
            if (std::all_of(defaults.begin(), defaults.end(), [](double w) { return w == 0.0; }))
                continue;
            const std::vector<std::string> names = meshTargetNames(model_, node.mesh);
            for (std::size_t target = 0; target < names.size() && target < defaults.size();
                 ++target)
                if (std::isfinite(defaults[target]) && !hasColumn(names[target]))
                    column(names[target]) = Column{{}, static_cast<float>(defaults[target])};
        }
    }

    MorphAnimation frames() const {
        float duration = 0.0f;
        for (const Column& c : columns_)
            if (!c.curve.times.empty())
                duration = std::max(duration, c.curve.times.back());
        if (headTrack_)
            duration = std::max(duration, headTrack_->duration());
        const double lastFrame = std::floor(double(duration) * animationFramesPerSecond + 1e-6);
        if (lastFrame >= double(maxAnimationFrames))
            fail("it lasts " + numberText(duration) +
                 " s, longer than a recording's timecodes count (a day)");
        MorphAnimation animation;
        animation.columns = names_;
        animation.frameCount = static_cast<std::size_t>(lastFrame) + 1;
        for (const Column& c : columns_)
            animation.curves.push_back(c.curve.times.empty()
                                           ? WeightCurve{Interpolation::Step, {0.0f}, {c.constant}}
                                           : c.curve);
        animation.headTrack = headTrack_;
        return animation;
    }

    struct Column {
        WeightCurve curve; // no keyframes: the constant
        float constant = 0.0f;
    };

    // A comma would split the column; its target then plays nothing, and the player says so.
    static std::string columnName(std::string name) {
        std::replace(name.begin(), name.end(), ',', '_');
        return name;
    }
    bool hasColumn(const std::string& name) const {
        return indexOf_.contains(lowerCase(columnName(name)));
    }

    // A target's column; a later node that shares a name (in any letter case) drives it.
    Column& column(const std::string& name) {
        const std::string cleaned = columnName(name);
        const auto [found, added] = indexOf_.emplace(lowerCase(cleaned), columns_.size());
        if (added) {
            names_.push_back(cleaned);
            columns_.emplace_back();
        }
        return columns_[found->second];
    }

    const tinygltf::Model& model_;
    const HeadJoints& joints_;
    std::optional<HeadTrack> headTrack_;
    std::vector<std::string> names_;
    std::vector<Column> columns_;
    std::map<std::string, std::size_t> indexOf_;
};

std::string sizeText(std::uintmax_t bytes) {
    return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MB"
                                  : std::to_string(bytes) + " bytes";
}

// The shortest text that reads back as the value; a value that is not finite is written as 0.
void appendNumber(std::string& row, float value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    row.append(1, ',');
    if (error == std::errc() && std::isfinite(value))
        row.append(text, end);
    else
        row.append(1, '0');
}

// Only letters, digits, '.', '_' and '-', never a leading dot, and a ".csv" name: what the
// importer writes, and so all that it removes again.
bool isAnimationFileName(const std::string& name) {
    return name.size() > 4 && name.ends_with(".csv") && safeFileStem(name) == name;
}

// File stems unique in any letter case (a file system may not tell "Take" from "take"): a
// taken stem gets "-<n>", the smallest n that neither the model's own names nor an earlier
// suffix took.
void assignFileNames(std::vector<MorphAnimation>& animations,
                     const std::vector<std::string>& fallbacks) {
    std::vector<std::string> stems;
    std::set<std::string> taken;
    for (std::size_t a = 0; a < animations.size(); ++a) {
        std::string stem = safeFileStem(animations[a].name);
        stems.push_back(stem.empty() ? fallbacks[a] : stem);
        taken.insert(lowerCase(stems.back()));
    }
    std::set<std::string> used;
    for (std::size_t a = 0; a < animations.size(); ++a) {
        std::string stem = stems[a];
        for (int n = 1; used.contains(lowerCase(stem)) ||
                        (stem != stems[a] && taken.contains(lowerCase(stem)));
             ++n)
            stem = stems[a] + "-" + std::to_string(n);
        used.insert(lowerCase(stem));
        animations[a].fileName = stem + ".csv";
    }
}

std::vector<std::string> readAnimationList(const fs::path& path) {
    std::vector<std::string> names;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (isAnimationFileName(line))
            names.push_back(line);
    return names;
}

} // namespace

float WeightCurve::at(float seconds) const {
    const bool cubic = interpolation == Interpolation::CubicSpline;
    const auto value = [&](std::size_t key) { return cubic ? values[key * 3 + 1] : values[key]; };
    if (times.empty())
        return 0.0f;
    if (seconds <= times.front())
        return value(0);
    if (seconds >= times.back())
        return value(times.size() - 1);
    const auto [key, span, s] = keySpanAt(times, seconds);
    const std::size_t next = key + 1;
    switch (interpolation) {
    case Interpolation::Step:
        return value(key);
    case Interpolation::Linear:
        return value(key) + s * (value(next) - value(key));
    case Interpolation::CubicSpline:
        // The tangents scaled by the keys' distance in time.
        return hermite(value(key), values[key * 3 + 2] * span, value(next), values[next * 3] * span,
                       s);
    }
    return value(key);
}

float MorphAnimation::weight(std::size_t column, std::size_t frame) const {
    const auto seconds = static_cast<float>(double(frame) / animationFramesPerSecond);
    const float value = curves[column].at(seconds);
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f;
}

std::size_t MorphAnimation::columnCount() const {
    return columns.size() + (headTrack ? headAngleColumns.size() : 0);
}

std::uintmax_t MorphAnimation::maxTextBytes() const {
    std::uintmax_t header = std::string("Timecode,BlendShapeCount\n").size();
    for (const std::string& column : columns)
        header += column.size() + 1;
    std::uintmax_t row = std::string("00:00:00:00.000,\n").size() +
                         std::to_string(columnCount()).size() +
                         columns.size() * (1 + maxWeightChars);
    if (headTrack) {
        for (const char* column : headAngleColumns)
            header += std::string(column).size() + 1;
        row += headAngleColumns.size() * (1 + maxAngleChars);
    }
    return header + row * frameCount;
}

MorphAnimations readMorphAnimations(const tinygltf::Model& model, std::uintmax_t byteLimit) {
    const HeadJoints joints = findHeadJoints(model);
    MorphAnimations result;
    std::vector<std::string> fallbacks;
    std::uintmax_t bytes = 0;
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const tinygltf::Animation& source = model.animations[a];
        const std::string fallback = "animation" + std::to_string(a);
        const std::string name = source.name.empty() ? fallback : source.name;
        const std::string what = "animation \"" + name + "\"";
        std::optional<MorphAnimation> animation;
        try {
            animation = AnimationSampler(model, joints).sample(source, what);
            if (animation && animation->maxTextBytes() > byteLimit - bytes)
                fail(std::string(bytes > 0 ? "with the animations before it, its" : "its") +
                     " recording would pass the import's limit of " + sizeText(byteLimit) +
                     " of recordings");
        } catch (const ImportError& error) {
            std::string reason = error.what();
            if (reason.starts_with(what))
                reason.erase(0, what.size() + (reason.starts_with(what + ": ") ? 2 : 1));
            result.skipped.push_back(what + " skipped: " + reason);
            continue;
        }
        if (!animation)
            continue;
        bytes += animation->maxTextBytes();
        animation->name = name;
        fallbacks.push_back(fallback);
        result.animations.push_back(std::move(*animation));
    }
    assignFileNames(result.animations, fallbacks);
    return result;
}

void writeAnimationCsv(const MorphAnimation& animation, std::ostream& out) {
    std::string row = "Timecode,BlendShapeCount";
    for (const std::string& column : animation.columns)
        row.append(1, ',').append(column);
    if (animation.headTrack)
        for (const char* column : headAngleColumns)
            row.append(1, ',').append(column);
    row += "\n";
    out << row;
    const std::string count = std::to_string(animation.columnCount());
    for (std::size_t frame = 0; frame < animation.frameCount && out; ++frame) {
        const std::size_t stamp = frame + animationFramesPerSecond / 2;
        const std::size_t second = stamp / animationFramesPerSecond;
        char timecode[32];
        std::snprintf(timecode, sizeof timecode, "%02zu:%02zu:%02zu:%02zu.000", second / 3600,
                      second / 60 % 60, second % 60, stamp % animationFramesPerSecond);
        row.assign(timecode).append(1, ',').append(count);
        for (std::size_t c = 0; c < animation.columns.size(); ++c)
            appendNumber(row, animation.weight(c, frame));
        if (animation.headTrack) {
            const HeadAngles angles = animation.headTrack->recordingAnglesAt(
                static_cast<float>(double(frame) / animationFramesPerSecond));
            for (const float angle : {angles.yaw, angles.pitch, angles.roll})
                appendNumber(row, angle);
        }
        row += "\n";
        out << row;
    }
}

std::vector<fs::path> writeMorphAnimations(FileTransaction& transaction,
                                           const std::vector<MorphAnimation>& animations,
                                           const fs::path& directory) {
    const fs::path folder = directory / "data" / "animations";
    const fs::path list = directory / "data" / "meshes" / animationListName;
    std::set<std::string> writing;
    for (const MorphAnimation& animation : animations)
        writing.insert(animation.fileName);
    // Removed before the new files land: on a file system blind to letter case, "take.csv"
    // and "Take.csv" are one file.
    for (const std::string& stale : readAnimationList(list))
        if (!writing.contains(stale))
            transaction.remove(folder / stale);

    std::vector<fs::path> written;
    if (!animations.empty())
        transaction.makeDirectories(folder);
    std::string names;
    for (const MorphAnimation& animation : animations) {
        const fs::path file = folder / animation.fileName;
        transaction.write(file, [&](std::ostream& out) { writeAnimationCsv(animation, out); });
        written.push_back(file);
        names += animation.fileName + "\n";
    }
    transaction.makeDirectories(list.parent_path());
    transaction.write(list, names);
    return written;
}
