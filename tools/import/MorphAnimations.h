#pragma once

#include "HeadTrack.h"
#include "Keyframes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <tiny_gltf.h>
#include <vector>

class FileTransaction;

// The model's animations that drive morph weights or turn the head, as the player's recordings:
// every target they move sampled 60 times a second, written as DIR/data/animations/<name>.csv in
// the capture layout (Timecode, BlendShapeCount, one column per target, named as the head's
// targets, then HeadYaw, HeadPitch and HeadRoll in radians when the head joint turns).

inline constexpr int animationFramesPerSecond = 60;

// A recording's timecodes count the hours of one day, from frame 30 of its first second.
inline constexpr std::size_t maxAnimationFrames =
    std::size_t{24} * 3600 * animationFramesPerSecond - animationFramesPerSecond / 2;

// The most the recordings of one import may take, all animations together, as their longest
// rows would take it: 256 MB. An animation that would pass it is skipped.
inline constexpr std::uintmax_t maxAnimationBytes = std::uintmax_t{256} << 20;

// One sampler's curve for one target: keyframe times (strictly increasing) and values, one per
// keyframe, or (in-tangent, value, out-tangent) per keyframe for a cubic spline. Before the
// first keyframe and after the last, the curve holds their values.
struct WeightCurve {
    Interpolation interpolation = Interpolation::Linear;
    std::vector<float> times;
    std::vector<float> values;

    float at(float seconds) const;
};

// An animation ready to be sampled: one curve a column (a target left at its default weight has
// a single keyframe). Rows are sampled as they are written, never held.
struct MorphAnimation {
    std::string name;     // as the model names it, else "animation<index>"
    std::string fileName; // <name>.csv with only [A-Za-z0-9._-], unique in any letter case
    std::vector<std::string> columns;
    std::vector<WeightCurve> curves;
    std::optional<HeadTrack> headTrack; // its head angle columns follow the targets'
    std::size_t frameCount = 0;

    // The weight at a frame as the player takes it: in 0..1, a value that is not finite 0.
    float weight(std::size_t column, std::size_t frame) const;
    // Columns after the timecode and the count, as BlendShapeCount counts them.
    std::size_t columnCount() const;
    // The most its recording's text can take: every row at its longest.
    std::uintmax_t maxTextBytes() const;
};

struct MorphAnimations {
    std::vector<MorphAnimation> animations;
    // One line an animation left out and why: "animation "Walk" skipped: ...".
    std::vector<std::string> skipped;
};

// Every animation with a channel on a node's "weights" or on the rotation of the head or neck
// joint (findHeadJoints). Its columns are the targets of each node it drives and of every other
// morphed node whose default weights (node.weights, else mesh.weights) are not all zero, those
// at their defaults; then the head's angles when it turns the head. An animation whose samplers or
// channels do not make curves, that lasts longer than a day, or that would take the recordings
// past `byteLimit` is skipped and named in `skipped`; the model still imports.
MorphAnimations readMorphAnimations(const tinygltf::Model& model,
                                    std::uintmax_t byteLimit = maxAnimationBytes);

// The recording's text, its timecodes starting at frame 30 of a second so that even an
// animation shorter than half a second reads as 60 frames a second.
void writeAnimationCsv(const MorphAnimation& animation, std::ostream& out);

// Adds each animation as directory/data/animations/<fileName> to `transaction`, and the removal
// of the files an earlier import wrote there that this one does not, as the list of imported
// animations beside the mesh files (animationListName) names them; that list is rewritten.
// Returns the paths to be written. Throws std::runtime_error.
inline constexpr const char* animationListName = "headModel.animations";
std::vector<std::filesystem::path>
writeMorphAnimations(FileTransaction& transaction, const std::vector<MorphAnimation>& animations,
                     const std::filesystem::path& directory);
