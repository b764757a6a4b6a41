#include "MorphAnimations.h"

#include "GltfAccessors.h"
#include "GltfScene.h"
#include "ImportError.h"
#include "common/LowerCase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Past this many samples (frames times columns) an animation is not a face performance.
constexpr std::size_t maxSamples = std::size_t{1} << 25;

[[noreturn]] void fail(const std::string& fault) {
    throw ImportError(fault);
}

Interpolation interpolationOf(const std::string& name, const std::string& what) {
    if (name.empty() || name == "LINEAR")
        return Interpolation::Linear;
    if (name == "STEP")
        return Interpolation::Step;
    if (name == "CUBICSPLINE")
        return Interpolation::CubicSpline;
    fail(what + ": unknown interpolation \"" + name + "\"");
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
    explicit AnimationSampler(const tinygltf::Model& model) : model_(model) {}

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
        if (columns_.empty())
            return std::nullopt;
        addDefaults(driven);
        return frames();
    }

  private:
    void addCurves(const tinygltf::AnimationSampler& sampler, const std::vector<std::string>& names,
                   const std::string& what) {
        WeightCurve shape;
        shape.interpolation = interpolationOf(sampler.interpolation, what);
        shape.times = readFloats(model_, sampler.input, 1, what + " input");
        if (shape.times.empty() || shape.times.front() < 0.0f)
            fail(what + ": the keyframe times must start at 0 or later");
        if (std::adjacent_find(shape.times.begin(), shape.times.end(),
                               std::greater_equal<float>()) != shape.times.end())
            fail(what + ": the keyframe times do not increase");
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
        const double lastFrame = std::floor(double(duration) * animationFramesPerSecond + 1e-6);
        if (lastFrame * double(columns_.size()) > double(maxSamples))
            fail("it lasts " + std::to_string(duration) + " s, too long to sample");
        MorphAnimation animation;
        animation.columns = names_;
        animation.frameCount = static_cast<std::size_t>(lastFrame) + 1;
        animation.weights.reserve(animation.frameCount * columns_.size());
        for (std::size_t frame = 0; frame < animation.frameCount; ++frame) {
            const auto seconds = static_cast<float>(double(frame) / animationFramesPerSecond);
            for (const Column& c : columns_)
                animation.weights.push_back(c.curve.times.empty() ? c.constant
                                                                  : c.curve.at(seconds));
        }
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
    std::vector<std::string> names_;
    std::vector<Column> columns_;
    std::map<std::string, std::size_t> indexOf_;
};

std::string formatWeight(float weight) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, weight);
    return error == std::errc() ? std::string(text, end) : "0";
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
    const auto next = static_cast<std::size_t>(
        std::upper_bound(times.begin(), times.end(), seconds) - times.begin());
    const std::size_t key = next - 1;
    const float span = times[next] - times[key];
    const float s = (seconds - times[key]) / span;
    switch (interpolation) {
    case Interpolation::Step:
        return value(key);
    case Interpolation::Linear:
        return value(key) + s * (value(next) - value(key));
    case Interpolation::CubicSpline: {
        // Hermite between the keys, the tangents scaled by the keys' distance in time.
        const float outTangent = values[key * 3 + 2] * span;
        const float inTangent = values[next * 3] * span;
        const float s2 = s * s, s3 = s2 * s;
        return (2 * s3 - 3 * s2 + 1) * value(key) + (s3 - 2 * s2 + s) * outTangent +
               (-2 * s3 + 3 * s2) * value(next) + (s3 - s2) * inTangent;
    }
    }
    return value(key);
}

std::vector<MorphAnimation> sampleMorphAnimations(const tinygltf::Model& model) {
    std::vector<MorphAnimation> animations;
    std::map<std::string, int> stemsUsed;
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const tinygltf::Animation& source = model.animations[a];
        const std::string fallback = "animation" + std::to_string(a);
        const std::string what =
            "animation \"" + (source.name.empty() ? fallback : source.name) + "\"";
        std::optional<MorphAnimation> animation;
        try {
            animation = AnimationSampler(model).sample(source, what);
        } catch (const ImportError& error) {
            const std::string reason = error.what();
            throw ImportError(reason.starts_with(what) ? reason : what + ": " + reason);
        }
        if (!animation)
            continue;
        animation->name = source.name.empty() ? fallback : source.name;
        std::string stem = safeFileStem(animation->name);
        if (stem.empty())
            stem = fallback;
        if (stemsUsed[lowerCase(stem)]++ > 0)
            stem.append(1, '-').append(std::to_string(a));
        animation->fileName = stem + ".csv";
        animations.push_back(std::move(*animation));
    }
    return animations;
}

std::string encodeAnimationCsv(const MorphAnimation& animation) {
    std::string text = "Timecode,BlendShapeCount";
    for (const std::string& column : animation.columns)
        text.append(1, ',').append(column);
    text += "\n";
    const std::string count = std::to_string(animation.columns.size());
    for (std::size_t frame = 0; frame < animation.frameCount; ++frame) {
        const std::size_t stamp = frame + animationFramesPerSecond / 2;
        const std::size_t second = stamp / animationFramesPerSecond;
        char timecode[32];
        std::snprintf(timecode, sizeof timecode, "%02zu:%02zu:%02zu:%02zu.000", second / 3600 % 24,
                      second / 60 % 60, second % 60, stamp % animationFramesPerSecond);
        text += timecode;
        text.append(1, ',').append(count);
        for (std::size_t c = 0; c < animation.columns.size(); ++c)
            text.append(1, ',').append(
                formatWeight(animation.weights[frame * animation.columns.size() + c]));
        text += "\n";
    }
    return text;
}

std::vector<fs::path> writeMorphAnimations(const std::vector<MorphAnimation>& animations,
                                           const fs::path& directory) {
    std::vector<fs::path> written;
    if (animations.empty())
        return written;
    const fs::path folder = directory / "data" / "animations";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder))
        fail("cannot create " + folder.string() + (error ? ": " + error.message() : ""));
    for (const MorphAnimation& animation : animations) {
        const fs::path file = folder / animation.fileName;
        const fs::path temporary = file.string() + ".importing-" + std::to_string(::getpid());
        const std::string text = encodeAnimationCsv(animation);
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            if (!out) {
                fs::remove(temporary, error);
                fail("cannot write " + temporary.string());
            }
        }
        fs::rename(temporary, file, error);
        if (error) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            fail("cannot write " + file.string() + ": " + error.message());
        }
        written.push_back(file);
    }
    return written;
}
