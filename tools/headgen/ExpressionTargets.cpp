#include "ExpressionTargets.h"

#include "Deformation.h"
#include "EyeOpening.h"
#include "HeadLandmarks.h"
#include "HeadShape.h"
#include "LidRig.h"

#include <cmath>
#include <functional>

using namespace landmarks;

namespace {

// The new position of one vertex: its index, position, normal, jaw weight and skin weight.
struct VertexView {
    Vec3 p;
    Vec3 n;
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

std::vector<TargetRecipe> targetRecipes() {
    // The jaw turns about the hinge and slides forward as it opens, as the real joint does,
    // so the chin does not swing back into the throat.
    const double hingeAngle = 0.34;
    const Vec3 openingSlide{0.0, -1.5, 4.0};
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
        // Cheeks.
        {"cheekPuff", "Cheeks", Side::Both,
         [](const VertexView& v) {
             const double w = bump(folded(v.p), {24.0, -50.0, 37.0}, {12.0, 12.0, 12.0});
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
         [hingeAngle, openingSlide](const VertexView& v) {
             // The upper lip lifts a little off the teeth as the mouth opens.
             const double lip = bump(v.p, {0.0, mouthLineY + 1.0, 51.0}, {19.0, 12.0, 12.0}) *
                                (1.0 - v.jaw) * v.skin;
             return v.p + v.jaw * (rotateAboutX(v.p, jawHinge, hingeAngle) + openingSlide - v.p) +
                    lip * Vec3(0.0, 3.0, 0.6);
         }},
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
    };
}

std::vector<Vec3> applyDeform(const FaceRig& rig, const Deform& deform) {
    std::vector<Vec3> positions(rig.mesh.positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = deform({rig.mesh.positions[i], rig.normals[i], rig.jaw[i], rig.skin[i]});
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
    static const std::vector<std::string> groups{"Brows", "Eyes", "Cheeks", "Nose", "Jaw", "Mouth"};
    return groups;
}

std::vector<ExpressionTarget> buildExpressionTargets(const FaceRig& rig) {
    std::vector<ExpressionTarget> targets;
    for (const TargetRecipe& recipe : targetRecipes()) {
        std::vector<Vec3> positions = applyDeform(rig, recipe.deform);
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
