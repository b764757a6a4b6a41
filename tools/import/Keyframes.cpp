#include "Keyframes.h"

#include "GltfAccessors.h"
#include "ImportError.h"

#include <algorithm>
#include <functional>

Interpolation interpolationOf(const std::string& name, const std::string& what) {
    if (name.empty() || name == "LINEAR")
        return Interpolation::Linear;
    if (name == "STEP")
        return Interpolation::Step;
    if (name == "CUBICSPLINE")
        return Interpolation::CubicSpline;
    throw ImportError(what + ": unknown interpolation \"" + name + "\"");
}

std::vector<float> keyframeTimes(const tinygltf::Model& model,
                                 const tinygltf::AnimationSampler& sampler,
                                 const std::string& what) {
    std::vector<float> times =
        readFloatScalars(model, sampler.input, "keyframe times", what + " input");
    if (times.empty() || times.front() < 0.0f)
        throw ImportError(what + ": the keyframe times must start at 0 or later");
    if (std::adjacent_find(times.begin(), times.end(), std::greater_equal<float>()) != times.end())
        throw ImportError(what + ": the keyframe times do not increase");
    return times;
}

KeySpan keySpanAt(const std::vector<float>& times, float seconds) {
    const auto next = static_cast<std::size_t>(
        std::upper_bound(times.begin(), times.end(), seconds) - times.begin());
    KeySpan at;
    at.key = next - 1;
    at.span = times[next] - times[at.key];
    at.s = (seconds - times[at.key]) / at.span;
    return at;
}
