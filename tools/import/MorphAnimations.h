#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <tiny_gltf.h>
#include <vector>

// The model's animations that drive morph weights, as the player's recordings: every target
// they move sampled 60 times a second, written as DIR/data/animations/<name>.csv in the capture
// layout (Timecode, BlendShapeCount, one column per target, named as the head's targets).

inline constexpr int animationFramesPerSecond = 60;

enum class Interpolation { Linear, Step, CubicSpline };

// One sampler's curve for one target: keyframe times (strictly increasing) and values, one per
// keyframe, or (in-tangent, value, out-tangent) per keyframe for a cubic spline. Before the
// first keyframe and after the last, the curve holds their values.
struct WeightCurve {
    Interpolation interpolation = Interpolation::Linear;
    std::vector<float> times;
    std::vector<float> values;

    float at(float seconds) const;
};

struct MorphAnimation {
    std::string name;     // as the model names it, else "animation<index>"
    std::string fileName; // safe to put in a directory: <name>.csv with only [A-Za-z0-9._-]
    std::vector<std::string> columns;
    std::size_t frameCount = 0;
    std::vector<float> weights; // frame by frame, columns.size() a frame
};

// Every animation with a channel on a node's "weights". Its columns are the targets of each node
// it drives and of every other morphed node whose default weights (node.weights, else
// mesh.weights) are not all zero, those at their defaults. Throws ImportError for a sampler or
// channel that does not make a curve.
std::vector<MorphAnimation> sampleMorphAnimations(const tinygltf::Model& model);

// The recording's text, its timecodes starting at frame 30 of a second so that even an
// animation shorter than half a second reads as 60 frames a second.
std::string encodeAnimationCsv(const MorphAnimation& animation);

// Writes each animation under directory/data/animations/ (created as needed), each through a
// temporary file renamed into place; returns the paths written. Throws ImportError.
std::vector<std::filesystem::path>
writeMorphAnimations(const std::vector<MorphAnimation>& animations,
                     const std::filesystem::path& directory);
