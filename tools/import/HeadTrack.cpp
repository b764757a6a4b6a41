#include "HeadTrack.h"

#include "GltfAccessors.h"
#include "ImportError.h"
#include "NodeTransforms.h"

#include <algorithm>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>

namespace {

[[noreturn]] void fail(const std::string& fault) {
    throw ImportError(fault);
}

// The rotation of a transform that may also scale (each axis by its own factor).
glm::quat rotationOf(const glm::dmat4& transform) {
    glm::dmat3 axes(transform);
    for (int c = 0; c < 3; ++c)
        if (glm::length(axes[c]) > 0.0)
            axes[c] = glm::normalize(axes[c]);
    return glm::normalize(glm::quat(glm::quat_cast(axes)));
}

glm::quat localRotation(const tinygltf::Model& model, int node) {
    return rotationOf(localTransform(model.nodes[static_cast<std::size_t>(node)]));
}

RotationCurve readCurve(const tinygltf::Model& model, const tinygltf::AnimationSampler& sampler,
                        const std::string& what) {
    RotationCurve curve;
    curve.interpolation = interpolationOf(sampler.interpolation, what);
    curve.times = keyframeTimes(model, sampler, what);
    const std::vector<float> output = readFloats(model, sampler.output, 4, what + " output");
    const std::size_t perKey = curve.interpolation == Interpolation::CubicSpline ? 3 : 1;
    if (output.size() != curve.times.size() * perKey * 4)
        fail(what + ": " + std::to_string(output.size() / 4) + " rotations for " +
             std::to_string(curve.times.size()) + " keyframes");
    for (std::size_t i = 0; i < output.size(); i += 4) {
        // glTF stores x, y, z, w; tangents need not be unit length, values must not be zero.
        const glm::quat q(output[i + 3], output[i], output[i + 1], output[i + 2]);
        const bool isValue = perKey == 1 || (i / 4) % 3 == 1;
        if (isValue && glm::length(q) == 0.0f)
            fail(what + ": keyframe " + std::to_string(i / 4 / perKey) + " is a zero rotation");
        curve.values.push_back(isValue ? glm::normalize(q) : q);
    }
    return curve;
}

} // namespace

glm::quat RotationCurve::at(float seconds) const {
    const bool cubic = interpolation == Interpolation::CubicSpline;
    const auto value = [&](std::size_t key) { return cubic ? values[key * 3 + 1] : values[key]; };
    if (seconds <= times.front())
        return value(0);
    if (seconds >= times.back())
        return value(times.size() - 1);
    const auto [key, span, s] = keySpanAt(times, seconds);
    switch (interpolation) {
    case Interpolation::Step:
        return value(key);
    case Interpolation::Linear:
        return glm::slerp(value(key), value(key + 1), s); // the shorter way round
    case Interpolation::CubicSpline: {
        const glm::quat from = value(key), to = value(key + 1);
        const glm::quat out = values[key * 3 + 2] * span, in = values[(key + 1) * 3] * span;
        glm::quat q;
        for (int c = 0; c < 4; ++c)
            q[c] = hermite(from[c], out[c], to[c], in[c], s);
        return glm::length(q) > 0.0f ? glm::normalize(q) : from;
    }
    }
    return value(key);
}

float HeadTrack::duration() const {
    float seconds = 0.0f;
    for (const auto& curve : {neck, head})
        if (curve)
            seconds = std::max(seconds, curve->times.back());
    return seconds;
}

glm::quat HeadTrack::rotationAt(float seconds) const {
    const glm::quat neckNow = neck ? neck->at(seconds) : neckRest;
    const glm::quat headNow = head ? head->at(seconds) : headRest;
    const glm::quat rest = neckRest * between * headRest;
    const glm::quat now = neckNow * between * headNow;
    // From the head's rest orientation in the scene to its orientation now.
    return glm::normalize(above * now * glm::inverse(rest) * glm::inverse(above));
}

HeadAngles HeadTrack::recordingAnglesAt(float seconds) const {
    return recordingAnglesOfHeadRotation(rotationAt(seconds));
}

std::optional<HeadTrack> readHeadTrack(const tinygltf::Model& model,
                                       const tinygltf::Animation& animation,
                                       const HeadJoints& joints, const std::string& what) {
    if (joints.head < 0)
        return std::nullopt;
    HeadTrack track;
    for (std::size_t c = 0; c < animation.channels.size(); ++c) {
        const tinygltf::AnimationChannel& channel = animation.channels[c];
        const bool onHead = channel.target_node == joints.head;
        const bool onNeck = joints.neck >= 0 && channel.target_node == joints.neck;
        if (channel.target_path != "rotation" || !(onHead || onNeck))
            continue;
        const std::string channelWhat = what + " channel " + std::to_string(c);
        if (channel.sampler < 0 ||
            static_cast<std::size_t>(channel.sampler) >= animation.samplers.size())
            fail(channelWhat + ": sampler " + std::to_string(channel.sampler) + " does not exist");
        (onHead ? track.head : track.neck) = readCurve(
            model, animation.samplers[static_cast<std::size_t>(channel.sampler)], channelWhat);
    }
    if (!track.head && !track.neck)
        return std::nullopt;

    const std::vector<int> parents = nodeParents(model);
    const int top = joints.neck >= 0 ? joints.neck : joints.head;
    track.headRest = localRotation(model, joints.head);
    if (joints.neck >= 0) {
        track.neckRest = localRotation(model, joints.neck);
        for (int node = parents[static_cast<std::size_t>(joints.head)]; node >= 0 && node != top;
             node = parents[static_cast<std::size_t>(node)])
            track.between = localRotation(model, node) * track.between;
    }
    const int aboveTop = parents[static_cast<std::size_t>(top)];
    if (aboveTop >= 0)
        track.above = rotationOf(globalTransform(model, parents, aboveTop));
    return track;
}
