#pragma once

#include <string>
#include <tiny_gltf.h>
#include <vector>

enum class Interpolation { Linear, Step, CubicSpline };

// A sampler's interpolation ("" is LINEAR). Throws ImportError naming `what` for another.
Interpolation interpolationOf(const std::string& name, const std::string& what);

// A sampler's keyframe times: floats from 0 on, strictly increasing. Throws ImportError.
std::vector<float> keyframeTimes(const tinygltf::Model& model,
                                 const tinygltf::AnimationSampler& sampler,
                                 const std::string& what);

// The keyframe before `seconds` (times[key] <= seconds < times[key + 1]) and how far towards the
// next one it lies, 0..1; `times` has at least two keys and seconds lies strictly inside them.
struct KeySpan {
    std::size_t key = 0;
    float span = 0.0f; // seconds between the two keys
    float s = 0.0f;
};
KeySpan keySpanAt(const std::vector<float>& times, float seconds);

// Cubic Hermite between two values, the tangents already scaled by the keys' distance.
inline float hermite(float from, float outTangent, float to, float inTangent, float s) {
    const float s2 = s * s, s3 = s2 * s;
    return (2 * s3 - 3 * s2 + 1) * from + (s3 - 2 * s2 + s) * outTangent + (-2 * s3 + 3 * s2) * to +
           (s3 - s2) * inTangent;
}
