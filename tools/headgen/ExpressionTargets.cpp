#include "ExpressionTargets.h"

#include "Deformation.h"
#include "EyeOpening.h"
#include "HeadLandmarks.h"
#include "HeadShape.h"
#include "LidRig.h"
#include "Tongue.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

using namespace landmarks;

namespace {

// The new position of one vertex: its position, normal, piece, jaw weight and skin weight.
struct VertexView {
    Vec3 p;
    Vec3 n;
    HeadPart part;
    double jaw;
    double skin;
};
using Deform = std::function<Vec3(const VertexView&)>;

enum class Side { Both, Left };

struct TargetRecipe {
    const char* name; // without the side suffix for paired targets
    const char* group;
    Side side;
    Deform deform;
    bool turnsEyeballs = false; // every other target leaves the eyeballs where they are
};

const Vec3 leftMouthCorner() {
    return {mouthCornerX, mouthLineAt(mouthCornerX), 42.0};
}

Vec3 folded(const Vec3& p) {
    return {std::abs(p.x), p.y, p.z};
}

// Lid shifts scaled by the opening's profile, so that the corners stay put.
Vec3 shiftLids(const Vec3& p, double upper, double lower) {
    return moveLeftLids(
        p, [upper](double a) { return upper * openingProfile(a); },
        [lower](double a) { return lower * openingProfile(a); });
}

// The jaw opened by a fraction of its full travel. It turns about the hinge and slides forward
// as it opens, as the real joint does, so the chin does not swing back into the throat; the
// upper lip lifts a little off the teeth.
Vec3 jawOpenMove(const VertexView& v, double fraction) {
    const double hingeAngle = 0.34;
    const Vec3 openingSlide{0.0, -1.5, 4.0};
    const Vec3 opened =
        rotateAboutX(v.p, jawHinge, fraction * hingeAngle) + fraction * openingSlide;
    const double lip =
        bump(v.p, {0.0, mouthLineY + 1.0, 51.0}, {19.0, 12.0, 12.0}) * (1.0 - v.jaw) * v.skin;
    return v.jaw * (opened - v.p) + fraction * lip * Vec3(0.0, 3.0, 0.6);
}

// The left eyeball turned about its centre: `azimuth` towards the ear, then `elevation` up;
// the lids follow it by a fraction of the turn.
Vec3 gaze(const VertexView& v, double azimuth, double elevation) {
    if (v.part == HeadPart::Eyeball) {
        if (v.p.x < 0.0)
            return v.p;
        const Vec3 d = v.p - leftEyeCentre;
        // Rigid: a rotation of the offset from the centre, first about the vertical axis.
        const double ca = std::cos(azimuth), sa = std::sin(azimuth);
        const Vec3 turned{d.x * ca + d.z * sa, d.y, -d.x * sa + d.z * ca};
        const double ce = std::cos(elevation), se = std::sin(elevation);
        const Vec3 tilted{turned.x, turned.y * ce + turned.z * se, -turned.y * se + turned.z * ce};
        return leftEyeCentre + tilted;
    }
    // The upper lid keeps to the top of the iris, following a look down further than one up.
    const double upper = elevation > 0.0 ? 0.3 * elevation : 0.55 * elevation;
    const double lower = 0.15 * elevation;
    return turnLeftLids(shiftLids(v.p, upper, lower), 0.12 * azimuth);
}

// How far the lips move with the mouth's closing: all of both lips, fading over the chin, the
// skin under the nose, the cheeks beyond the corners and into the mouth behind the lips.
double lipsWeight(const Vec3& p) {
    const double across = 1.0 - smoothStep(mouthCornerX + 1.0, mouthCornerX + 9.0, std::abs(p.x));
    const double height = 1.0 - smoothStep(6.0, 16.0, std::abs(p.y - mouthLineAt(p.x)));
    return across * height * smoothStep(30.0, 40.0, p.z);
}

// The lips alone, on one side of the middle: the left half, fading across the middle line.
double leftLipsWeight(const Vec3& p) {
    const double side = smoothStep(-7.0, 7.0, p.x) *
                        (1.0 - smoothStep(mouthCornerX - 1.0, mouthCornerX + 6.0, p.x));
    const double height = 1.0 - smoothStep(5.0, 10.0, std::abs(p.y - mouthLineAt(p.x)));
    return side * height * smoothStep(38.0, 46.0, p.z);
}

// The fronts of the lips, fading into the mouth and over the skin around them.
double lipFrontsWeight(const Vec3& p) {
    const double across = 1.0 - smoothStep(mouthCornerX - 7.0, mouthCornerX + 2.0, std::abs(p.x));
    const double height = 1.0 - smoothStep(5.0, 10.0, std::abs(p.y - mouthLineAt(p.x)));
    return across * height * smoothStep(43.0, 52.0, p.z);
}

// The tongue pushed out between the parted lips: in the jaw's frame, its middle line rises
// over the lower teeth and runs forwards out of the mouth, its tip dipping a little over the
// lower lip; it stretches, narrows and thins as it goes, its thickness taken about the rest
// pose's rising middle line. A shear along the tongue's length, so that no part of it can fold.
Vec3 tongueOutShape(const Vec3& p) {
    const double length = tongue::tipZ - tongue::rootZ;
    const double s = (p.z - tongue::rootZ) / length;
    const double rootZ = tongue::rootZ + 8.0;
    const double tipZ = 64.0;
    const double middle =
        tongue::middleY + 9.5 * smoothStep(0.1, 0.4, s) - 3.0 * smoothStep(0.75, 1.05, s);
    const double narrowing = 1.0 - 0.3 * std::clamp(s, 0.0, 1.0);
    const double thinning = 1.0 - 0.65 * std::clamp(s, 0.0, 1.0);
    return {p.x * narrowing,
            middle + (p.y - tongue::middleAt(p.z)) / tongue::thicknessAt(p.z) * thinning,
            rootZ + s * (tipZ - rootZ)};
}

std::vector<TargetRecipe> targetRecipes() {
    const double gazeAngle = 25.0 * std::numbers::pi / 180.0;
    return {
        // Brows.
        {"browInnerUp", "Brows", Side::Both,
         [](const VertexView& v) {
             const double w = bump(folded(v.p), {7.0, 6.0, 48.0}, {12.0, 16.0, 12.0});
             return v.p + w * clearOfEyes(v.p) * alongEnvelope({0.0, 4.5, 0.0}, v.p);
         }},
        {"browDown", "Brows", Side::Left,
         [](const VertexView& v) {
             const double w = bump(v.p, {15.0, 2.0, 46.0}, {15.0, 12.0, 12.0});
             // Down, towards the nose, and a little forwards as the brow bunches.
             return v.p + w * clearOfEyes(v.p) *
                              (alongEnvelope({-1.2, -3.5, 0.0}, v.p) + Vec3(0.0, 0.0, 0.6));
         }},
        {"browOuterUp", "Brows", Side::Left,
         [](const VertexView& v) {
             const double w = bump(v.p, {26.0, 4.0, 40.0}, {12.0, 15.0, 12.0});
             return v.p + w * clearOfEyes(v.p) * alongEnvelope({0.4, 4.5, 0.0}, v.p);
         }},
        // Eyes.
        {"eyeBlink", "Eyes", Side::Left,
         [](const VertexView& v) { return moveLeftLids(v.p, blinkUpperShift, blinkLowerShift); }},
        {"eyeSquint", "Eyes", Side::Left,
         [](const VertexView& v) {
             const Vec3 lids = shiftLids(v.p, -0.05, 0.12);
             const double w = bump(v.p, leftEyeCentre + Vec3(2.0, -12.0, 7.0), {11.0, 7.0, 9.0});
             return lids + w * clearOfEyes(v.p) * alongEnvelope({0.0, 1.8, 0.0}, v.p);
         }},
        {"eyeWide", "Eyes", Side::Left,
         [](const VertexView& v) { return shiftLids(v.p, 0.20, -0.06); }},
        // Gaze: "In" turns towards the nose.
        {"eyeLookIn", "Eyes", Side::Left,
         [gazeAngle](const VertexView& v) { return gaze(v, -gazeAngle, 0.0); }, true},
        {"eyeLookOut", "Eyes", Side::Left,
         [gazeAngle](const VertexView& v) { return gaze(v, gazeAngle, 0.0); }, true},
        {"eyeLookUp", "Eyes", Side::Left,
         [gazeAngle](const VertexView& v) { return gaze(v, 0.0, gazeAngle); }, true},
        {"eyeLookDown", "Eyes", Side::Left,
         [gazeAngle](const VertexView& v) { return gaze(v, 0.0, -gazeAngle); }, true},
        // Cheeks.
        {"cheekPuff", "Cheeks", Side::Both,
         [](const VertexView& v) {
             // The cheeks swell; the walls of the mouth inside them stay, so that the puff does
             // not crowd the corners of the mouth from within.
             const double w = bump(folded(v.p), {24.0, -50.0, 37.0}, {12.0, 12.0, 12.0}) *
                              smoothStep(0.0, 4.0, mouthCavityDistance(v.p));
             return v.p + w * v.skin * clearOfEyes(v.p) * 6.0 * envelopeNormal(v.p);
         }},
        {"cheekSquint", "Cheeks", Side::Left,
         [](const VertexView& v) {
             const Vec3 lids = shiftLids(v.p, 0.0, 0.05);
             const double w = bump(v.p, {27.0, -20.0, 36.0}, {12.0, 10.0, 10.0}) * clearOfEyes(v.p);
             return lids + w * (alongEnvelope({0.3, 3.0, 0.0}, v.p) + 0.8 * envelopeNormal(v.p));
         }},
        // Nose.
        {"noseSneer", "Nose", Side::Left,
         [](const VertexView& v) {
             const double wing = bump(v.p, {7.5, -35.0, 51.0}, {7.0, 10.0, 8.0});
             const double fold = bump(v.p, {13.0, -41.0, 46.0}, {6.0, 7.0, 7.0});
             return v.p + v.skin * clearOfEyes(v.p) *
                              (wing * alongEnvelope({0.4, 3.0, -0.3}, v.p) +
                               fold * alongEnvelope({0.6, 2.0, 0.0}, v.p));
         }},
        // Jaw.
        {"jawOpen", "Jaw", Side::Both,
         [](const VertexView& v) { return v.p + jawOpenMove(v, 1.0); }},
        {"jawForward", "Jaw", Side::Both,
         [](const VertexView& v) { return v.p + v.jaw * Vec3(0.0, 0.0, 2.6); }},
        {"jaw", "Jaw", Side::Left,
         [](const VertexView& v) { return v.p + v.jaw * Vec3(3.0, 0.0, 0.0); }},
        // Mouth.
        {"mouthSmile", "Mouth", Side::Left,
         [](const VertexView& v) {
             const Vec3 corner = leftMouthCorner();
             const double w = bump(v.p, corner, {22.0, 16.0, 20.0}) * v.skin;
             const double cheek = bump(v.p, corner + Vec3(7.0, 9.0, -3.0), {9.0, 8.0, 8.0}) *
                                  v.skin * clearOfEyes(v.p);
             return v.p + w * alongEnvelope({2.6, 5.0, -1.5}, v.p) +
                    cheek * 1.8 * envelopeNormal(v.p);
         }},
        {"mouthFrown", "Mouth", Side::Left,
         [](const VertexView& v) {
             const double w = bump(v.p, leftMouthCorner(), {18.0, 20.0, 20.0}) * v.skin;
             return v.p + w * alongEnvelope({0.8, -4.2, -0.3}, v.p);
         }},
        {"mouthDimple", "Mouth", Side::Left,
         [](const VertexView& v) {
             const Vec3 corner = leftMouthCorner();
             const double w = bump(v.p, corner, {18.0, 14.0, 20.0}) * v.skin;
             const double dimple =
                 bump(v.p, corner + Vec3(4.0, 0.0, -1.0), {4.5, 5.0, 5.0}) * v.skin;
             return v.p + w * alongEnvelope({1.5, 0.3, -1.2}, v.p) -
                    dimple * 1.2 * envelopeNormal(v.p);
         }},
        {"mouthStretch", "Mouth", Side::Left,
         [](const VertexView& v) {
             const double w = bump(v.p, leftMouthCorner(), {24.0, 18.0, 20.0}) * v.skin;
             return v.p + w * alongEnvelope({3.0, -2.0, -1.0}, v.p);
         }},
        {"mouthUpperUp", "Mouth", Side::Left,
         [](const VertexView& v) {
             const double w = bump(v.p, {7.0, mouthLineY + 3.0, 48.0}, {11.0, 12.0, 11.0}) *
                              (1.0 - v.jaw) * v.skin;
             return v.p + w * Vec3(0.0, 3.5, 0.6);
         }},
        {"mouthLowerDown", "Mouth", Side::Left,
         [](const VertexView& v) {
             const double w =
                 bump(v.p, {7.0, mouthLineY - 4.0, 47.0}, {11.0, 12.0, 11.0}) * v.jaw * v.skin;
             return v.p + w * Vec3(0.0, -3.5, 0.6);
         }},
        {"mouth", "Mouth", Side::Left,
         [](const VertexView& v) {
             // Sideways round the curve of the face: what moves towards the ear also moves
             // back.
             const double w = bump(v.p, {0.0, mouthLineY, 46.0}, {24.0, 15.0, 14.0}) * v.skin;
             return v.p + w * Vec3(5.0, 0.0, -(5.0 * v.p.x + 12.0) / 30.0);
         }},
        {"mouthClose", "Mouth", Side::Both,
         [](const VertexView& v) {
             // Undoes the jaw's opening on the lips, so that with jawOpen they meet over the
             // open jaw; the skin between the lips and the chin stretches.
             return v.p - lipsWeight(v.p) * v.skin * jawOpenMove(v, 1.0);
         }},
        {"mouthPress", "Mouth", Side::Left,
         [](const VertexView& v) {
             // The lips squeeze towards the line between them and flatten against the teeth,
             // thinning their red; the corner draws out a little.
             const double w = leftLipsWeight(v.p) * v.skin;
             const double fromLine = v.p.y - mouthLineAt(v.p.x);
             return v.p + w * Vec3(0.6, -0.3 * fromLine, -1.3);
         }},
        {"mouthRollLower", "Mouth", Side::Both,
         [](const VertexView& v) {
             const double w = lipFrontsWeight(v.p) * v.jaw * v.skin;
             return v.p + w * Vec3(0.0, -0.8, -3.4);
         }},
        {"mouthRollUpper", "Mouth", Side::Both,
         [](const VertexView& v) {
             const double w = lipFrontsWeight(v.p) * (1.0 - v.jaw) * v.skin;
             return v.p + w * Vec3(0.0, 0.8, -3.4);
         }},
        {"mouthShrugLower", "Mouth", Side::Both,
         [](const VertexView& v) {
             // The chin bunches up and pushes the lower lip up and out.
             const double w = bump(v.p, {0.0, mouthLineY - 8.0, 48.0}, {17.0, 13.0, 13.0}) * v.skin;
             return v.p + w * Vec3(0.0, 3.2, 1.5);
         }},
        {"mouthShrugUpper", "Mouth", Side::Both,
         [](const VertexView& v) {
             const double w = bump(v.p, {0.0, mouthLineY + 5.0, 50.0}, {16.0, 9.0, 11.0}) * v.skin;
             return v.p + w * Vec3(0.0, 3.0, 1.4);
         }},
        {"mouthPucker", "Mouth", Side::Both,
         [](const VertexView& v) {
             const double w = bump(v.p, {0.0, mouthLineY, 51.0}, {22.0, 18.0, 14.0}) * v.skin;
             return v.p + w * Vec3(-0.35 * v.p.x, 0.0, 5.0);
         }},
        {"mouthFunnel", "Mouth", Side::Both,
         [](const VertexView& v) {
             const double w = bump(v.p, {0.0, mouthLineY, 51.0}, {22.0, 18.0, 14.0}) * v.skin;
             return v.p + w * Vec3(-0.2 * v.p.x, 2.4 * (1.0 - 2.0 * v.jaw), 3.0);
         }},
        // Tongue.
        {"tongueOut", "Tongue", Side::Both,
         [](const VertexView& v) {
             // The jaw drops a little and the lower lip rolls down to let the tongue out.
             const Vec3 shaped = v.part == HeadPart::Tongue ? tongueOutShape(v.p) : v.p;
             const double lowerLip =
                 bump(v.p, {0.0, mouthLineY - 3.0, 49.0}, {14.0, 9.0, 10.0}) * v.jaw * v.skin;
             VertexView moved = v;
             moved.p = shaped;
             return shaped + jawOpenMove(moved, 0.3) + lowerLip * Vec3(0.0, -3.0, 0.8);
         }},
    };
}

std::vector<Vec3> applyDeform(const FaceRig& rig, const TargetRecipe& recipe) {
    std::vector<Vec3> positions(rig.mesh.positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const VertexView v{rig.mesh.positions[i], rig.normals[i], rig.part[i], rig.jaw[i],
                           rig.skin[i]};
        positions[i] =
            v.part == HeadPart::Eyeball && !recipe.turnsEyeballs ? v.p : recipe.deform(v);
    }
    return positions;
}

std::vector<Vec3> mirrored(const FaceRig& rig, const std::vector<Vec3>& positions) {
    std::vector<Vec3> result(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        result[i] = mirrorX(positions[static_cast<std::size_t>(rig.mesh.mirror[i])]);
    return result;
}

} // namespace

const std::vector<std::string>& expressionGroups() {
    static const std::vector<std::string> groups{"Brows", "Eyes",  "Cheeks", "Nose",
                                                 "Jaw",   "Mouth", "Tongue"};
    return groups;
}

std::vector<ExpressionTarget> buildExpressionTargets(const FaceRig& rig) {
    std::vector<ExpressionTarget> targets;
    for (const TargetRecipe& recipe : targetRecipes()) {
        std::vector<Vec3> positions = applyDeform(rig, recipe);
        if (recipe.side == Side::Both) {
            symmetrize(rig.mesh.mirror, positions);
            targets.push_back({recipe.name, recipe.group, std::move(positions)});
        } else {
            std::vector<Vec3> right = mirrored(rig, positions);
            targets.push_back(
                {std::string(recipe.name) + "Left", recipe.group, std::move(positions)});
            targets.push_back({std::string(recipe.name) + "Right", recipe.group, std::move(right)});
        }
    }
    return targets;
}
