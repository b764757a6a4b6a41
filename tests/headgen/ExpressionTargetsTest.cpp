// What the expression targets do: their names, their mirror partners, where they act, whether
// each reads as its expression, and that no mix of them tears the skin or crosses itself.
#include "MeshChecks.h"
#include "TestHead.h"
#include "model/MorphGroupFileWriter.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <tinyxml.h>

namespace {

const std::set<std::string>& faceTrackingNames() {
    static const std::set<std::string> names{
        "browDownLeft",      "browDownRight",      "browInnerUp",         "browOuterUpLeft",
        "browOuterUpRight",  "cheekPuff",          "cheekSquintLeft",     "cheekSquintRight",
        "eyeBlinkLeft",      "eyeBlinkRight",      "eyeLookDownLeft",     "eyeLookDownRight",
        "eyeLookInLeft",     "eyeLookInRight",     "eyeLookOutLeft",      "eyeLookOutRight",
        "eyeLookUpLeft",     "eyeLookUpRight",     "eyeSquintLeft",       "eyeSquintRight",
        "eyeWideLeft",       "eyeWideRight",       "jawForward",          "jawLeft",
        "jawOpen",           "jawRight",           "mouthClose",          "mouthDimpleLeft",
        "mouthDimpleRight",  "mouthFrownLeft",     "mouthFrownRight",     "mouthFunnel",
        "mouthLeft",         "mouthLowerDownLeft", "mouthLowerDownRight", "mouthPressLeft",
        "mouthPressRight",   "mouthPucker",        "mouthRight",          "mouthRollLower",
        "mouthRollUpper",    "mouthShrugLower",    "mouthShrugUpper",     "mouthSmileLeft",
        "mouthSmileRight",   "mouthStretchLeft",   "mouthStretchRight",   "mouthUpperUpLeft",
        "mouthUpperUpRight", "noseSneerLeft",      "noseSneerRight",      "tongueOut"};
    return names;
}

// The partner of a Left target (and the reverse); empty for an unpaired one.
std::string partnerOf(const std::string& name) {
    for (const auto& [from, to] : {std::pair{"Left", "Right"}, std::pair{"Right", "Left"}}) {
        const std::string suffix = from;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return name.substr(0, name.size() - suffix.size()) + to;
    }
    return {};
}

glm::dvec3 mirrored(const glm::dvec3& v) {
    return {-v.x, v.y, v.z};
}

std::string text(const glm::dvec3& p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return out.str();
}

glm::dvec3 moveOf(const LoadedHead& head, const std::string& target, std::size_t vertex) {
    return head.targetPositions[head.targetIndex(target)][vertex] - head.base.positions[vertex];
}

struct Region {
    glm::dvec3 lo;
    glm::dvec3 hi;
    double leastTravel; // the farthest-moving vertex moves at least this far
};

// Where each target may move the skin (Right targets: the mirror image of their partner's).
const std::map<std::string, Region>& regions() {
    const double any = 1e9;
    static const std::map<std::string, Region> table{
        {"browInnerUp", {{-22, -14, 25}, {22, 25, any}, 2.0}},
        {"browDownLeft", {{0, -10, 20}, {35, 15, any}, 1.5}},
        {"browOuterUpLeft", {{12, -10, 15}, {42, 18, any}, 2.0}},
        {"eyeBlinkLeft", {{2, -26, 20}, {34, 6, any}, 2.0}},
        {"eyeWideLeft", {{2, -26, 20}, {34, 6, any}, 1.0}},
        {"eyeSquintLeft", {{2, -30, 20}, {34, 6, any}, 1.0}},
        {"cheekPuff", {{-any, -70, 0}, {any, -28, any}, 3.0}},
        {"cheekSquintLeft", {{4, -32, 15}, {42, 6, any}, 1.5}},
        {"noseSneerLeft", {{-2, -50, 30}, {24, -24, any}, 1.5}},
        {"jawOpen", {{-any, -112, -any}, {any, -28, any}, 10.0}},
        {"jawForward", {{-any, -112, -any}, {any, -28, any}, 2.0}},
        {"jawLeft", {{-any, -112, -any}, {any, -28, any}, 2.5}},
        {"mouthSmileLeft", {{-12, -75, 10}, {40, -32, any}, 3.0}},
        {"mouthFrownLeft", {{-12, -75, 10}, {40, -32, any}, 3.0}},
        {"mouthDimpleLeft", {{-12, -75, 10}, {40, -32, any}, 1.5}},
        {"mouthStretchLeft", {{-12, -75, 10}, {40, -32, any}, 3.0}},
        {"mouthUpperUpLeft", {{-6, -60, 20}, {22, -38, any}, 2.0}},
        {"mouthLowerDownLeft", {{-6, -70, 20}, {22, -45, any}, 2.5}},
        {"mouthLeft", {{-26, -72, 10}, {26, -38, any}, 3.0}},
        {"mouthPucker", {{-22, -74, 20}, {22, -34, any}, 3.0}},
        {"mouthFunnel", {{-22, -74, 20}, {22, -34, any}, 3.0}},
        {"eyeLookInLeft", {{2, -26, 20}, {34, 6, any}, 2.5}},
        {"eyeLookOutLeft", {{2, -26, 20}, {34, 6, any}, 2.5}},
        {"eyeLookUpLeft", {{2, -26, 20}, {34, 6, any}, 2.5}},
        {"eyeLookDownLeft", {{2, -26, 20}, {34, 6, any}, 2.5}},
        {"mouthClose", {{-26, -72, 28}, {26, -36, any}, 8.0}},
        {"mouthPressLeft", {{-8, -66, 36}, {24, -42, any}, 1.0}},
        {"mouthRollLower", {{-18, -68, 40}, {18, -42, any}, 2.5}},
        {"mouthRollUpper", {{-18, -68, 40}, {18, -42, any}, 2.5}},
        {"mouthShrugLower", {{-18, -76, 34}, {18, -48, any}, 2.0}},
        {"mouthShrugUpper", {{-17, -59, 38}, {17, -39, any}, 1.8}},
        {"tongueOut", {{-any, -112, -any}, {any, -28, any}, 20.0}},
    };
    return table;
}

// Sorted heights of the vertices of the lips' fronts near the middle line; the largest step
// between neighbours is the mouth's opening.
// `reach` bounds the band of the neutral face searched, about the mouth line.
double mouthOpening(const LoadedHead& head, const std::vector<glm::dvec3>& positions,
                    double reach = 12.0) {
    std::vector<double> heights;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto& p = head.base.positions[i];
        if (std::abs(p.x) < 2.0 && p.z > 46.0 && std::abs(p.y + 54.0) < reach)
            heights.push_back(positions[i].y);
    }
    std::sort(heights.begin(), heights.end());
    double gap = 0.0;
    for (std::size_t i = 1; i < heights.size(); ++i)
        gap = std::max(gap, heights[i] - heights[i - 1]);
    return gap;
}

// Which of the head's triangles belong to an eyeball.
const std::vector<bool>& eyeballTriangles(const LoadedHead& head) {
    static const std::vector<bool> flags = [&head] {
        std::vector<bool> result(head.base.triangles.size(), false);
        for (const auto& part : eyeballs(head))
            for (std::size_t t : part)
                result[t] = true;
        return result;
    }();
    return flags;
}

// How many of the camera's lines of sight to the front of the eyeball pass the head's skin.
int visibleEyeSamples(const LoadedHead& head, const std::vector<glm::dvec3>& positions,
                      const glm::dvec3& eye) {
    MeshView near{positions, {}};
    const std::vector<bool>& eyeball = eyeballTriangles(head);
    for (std::size_t t = 0; t < head.base.triangles.size(); ++t)
        if (!eyeball[t] && glm::distance(positions[head.base.triangles[t][0]], eye) < 20.0)
            near.triangles.push_back(head.base.triangles[t]);
    const glm::dvec3 camera(0.0, -10.0, 450.0);
    int visible = 0;
    for (int i = -4; i <= 4; ++i)
        for (int j = -4; j <= 4; ++j) {
            const glm::dvec3 direction = glm::normalize(glm::dvec3(0.15 * i, 0.16 * j, 1.0));
            const glm::dvec3 onEyeball = eye + 7.0 * direction;
            if (!segmentHitsMesh(near, camera, onEyeball))
                ++visible;
        }
    return visible;
}

// Whether two head triangles both lie on the lids of one eye (judged in the neutral head).
bool sameLidRegion(const LoadedHead& head, std::size_t a, std::size_t b,
                   const std::vector<glm::dvec3>& eyes) {
    const std::size_t headTriangles = head.base.triangles.size();
    if (a >= headTriangles || b >= headTriangles)
        return false;
    if (eyeballTriangles(head)[a] || eyeballTriangles(head)[b])
        return false;
    for (const auto& eye : eyes) {
        bool both = true;
        for (std::size_t t : {a, b})
            for (auto v : head.base.triangles[t])
                both = both && glm::distance(head.base.positions[v], eye) < 14.0;
        if (both)
            return true;
    }
    return false;
}

// Triangles with a vertex that the blend moves: only they can have come to cross another.
std::vector<std::size_t> movedTriangles(const LoadedHead& head,
                                        const std::vector<glm::dvec3>& positions) {
    std::vector<std::size_t> moved;
    for (std::size_t t = 0; t < head.base.triangles.size(); ++t)
        for (auto v : head.base.triangles[t])
            if (glm::distance(positions[v], head.base.positions[v]) > 1e-6) {
                moved.push_back(t);
                break;
            }
    return moved;
}

} // namespace

TEST(ExpressionTargets, UseTheFaceTrackingNamesInLeftRightPairs) {
    const LoadedHead& head = loaded();
    const std::set<std::string> names(head.targetNames.begin(), head.targetNames.end());
    for (const auto& name : head.targetNames) {
        EXPECT_TRUE(faceTrackingNames().count(name)) << name;
        const std::string partner = partnerOf(name);
        if (!partner.empty()) {
            EXPECT_TRUE(names.count(partner)) << name << " has no partner";
        }
    }
    for (const char* required :
         {"browInnerUp", "browDownLeft", "eyeBlinkLeft", "eyeWideRight", "eyeSquintLeft", "jawOpen",
          "jawLeft", "mouthSmileLeft", "mouthFrownRight", "mouthPucker", "mouthFunnel", "cheekPuff",
          "noseSneerLeft"})
        EXPECT_TRUE(names.count(required)) << required;
}

TEST(ExpressionTargets, PartnersAndUnpairedTargetsMirrorAcrossTheFace) {
    const LoadedHead& head = loaded();
    std::size_t unmatched = 0;
    for (std::int32_t m : head.mirror)
        unmatched += m < 0;
    ASSERT_EQ(unmatched, 0u) << "the neutral head is symmetric";
    for (const auto& name : head.targetNames) {
        const std::string partner = partnerOf(name);
        const std::string& other = partner.empty() ? name : partner;
        double worst = 0.0;
        for (std::size_t i = 0; i < head.base.positions.size(); ++i) {
            const auto m = static_cast<std::size_t>(head.mirror[i]);
            worst = std::max(
                worst, glm::distance(moveOf(head, name, i), mirrored(moveOf(head, other, m))));
            const auto& normal = head.targetNormals[head.targetIndex(name)][i];
            const auto& otherNormal = head.targetNormals[head.targetIndex(other)][m];
            worst = std::max(worst, glm::distance(normal, mirrored(otherNormal)));
        }
        EXPECT_LT(worst, 1e-4) << name;
    }
}

TEST(ExpressionTargets, EachMovesOnlyItsOwnRegion) {
    const LoadedHead& head = loaded();
    for (const auto& name : head.targetNames) {
        const bool right = name.size() > 5 && name.compare(name.size() - 5, 5, "Right") == 0;
        const std::string leftName = right ? partnerOf(name) : name;
        const auto found = regions().find(leftName);
        ASSERT_NE(found, regions().end()) << "no expected region for " << name;
        Region region = found->second;
        if (right)
            region = {{-region.hi.x, region.lo.y, region.lo.z},
                      {-region.lo.x, region.hi.y, region.hi.z},
                      region.leastTravel};
        double farthest = 0.0;
        std::size_t strays = 0;
        for (std::size_t i = 0; i < head.base.positions.size(); ++i) {
            const double travel = glm::length(moveOf(head, name, i));
            farthest = std::max(farthest, travel);
            const auto& p = head.base.positions[i];
            const bool inside = glm::all(glm::greaterThanEqual(p, region.lo)) &&
                                glm::all(glm::lessThanEqual(p, region.hi));
            if (travel > 1e-4 && !inside)
                ++strays;
        }
        EXPECT_EQ(strays, 0u) << name << " moves vertices outside its region";
        EXPECT_GE(farthest, region.leastTravel) << name << " hardly moves";
        EXPECT_LE(farthest, 30.0) << name;
    }
}

TEST(ExpressionTargets, EachReadsAsItsExpressionAtFullWeight) {
    const LoadedHead& head = loaded();
    const auto eyes = eyeCentres(head);
    ASSERT_EQ(eyes.size(), 2u);
    const glm::dvec3 leftEye = eyes[0];

    // A blink closes the lids over the whole eyeball; open, the eye is seen.
    EXPECT_GT(visibleEyeSamples(head, head.base.positions, leftEye), 10);
    EXPECT_EQ(visibleEyeSamples(head, head.blend({{"eyeBlinkLeft", 1.0}}), leftEye), 0);
    EXPECT_EQ(visibleEyeSamples(head, head.blend({{"eyeBlinkRight", 1.0}}), eyes[1]), 0);
    EXPECT_GT(visibleEyeSamples(head, head.blend({{"eyeBlinkRight", 1.0}}), leftEye), 10);
    // Wide eyes show more of the eyeball, squinting less.
    const int open = visibleEyeSamples(head, head.base.positions, leftEye);
    EXPECT_GT(visibleEyeSamples(head, head.blend({{"eyeWideLeft", 1.0}}), leftEye), open);
    EXPECT_LT(visibleEyeSamples(head, head.blend({{"eyeSquintLeft", 1.0}}), leftEye), open);

    // The jaw opens the mouth wide; the neutral lips are closed but for the line between them.
    EXPECT_LT(mouthOpening(head, head.base.positions), 2.5);
    EXPECT_GT(mouthOpening(head, head.blend({{"jawOpen", 1.0}})), 12.0);
    EXPECT_GT(mouthOpening(head, head.blend({{"mouthFunnel", 1.0}})), 3.0);

    // mouthClose brings the lips together over the open jaw (the skin below them stretches).
    EXPECT_LT(mouthOpening(head, head.blend({{"jawOpen", 1.0}, {"mouthClose", 1.0}}), 4.0), 2.5);

    // A smile lifts and widens the corner of the mouth, a frown lowers it.
    const std::size_t corner = head.nearestVertex({15.5, -55.0, 45.0});
    EXPECT_GT(moveOf(head, "mouthSmileLeft", corner).y, 2.0);
    EXPECT_GT(moveOf(head, "mouthSmileLeft", corner).x, 1.0);
    EXPECT_LT(moveOf(head, "mouthFrownLeft", corner).y, -2.0);
    EXPECT_GT(moveOf(head, "mouthPucker", head.frontVertexAt(0.0, -51.0)).z, 2.5);

    // Brows: the inner ends rise, a frown pulls the brow down.
    EXPECT_GT(moveOf(head, "browInnerUp", head.frontVertexAt(6.0, 4.0)).y, 2.0);
    EXPECT_LT(moveOf(head, "browDownLeft", head.frontVertexAt(15.0, 1.0)).y, -1.5);
    EXPECT_GT(moveOf(head, "browOuterUpLeft", head.frontVertexAt(26.0, 3.0)).y, 1.5);

    // The cheeks puff out.
    const std::size_t cheek = head.frontVertexAt(25.0, -49.0);
    EXPECT_GT(glm::dot(moveOf(head, "cheekPuff", cheek), head.baseNormals[cheek]), 2.5);
}

TEST(ExpressionTargets, GazeTurnsTheEyeballRigidlyAboutItsCentre) {
    const LoadedHead& head = loaded();
    const glm::dvec3 centre = eyeCentres(head).at(0);
    std::vector<std::size_t> eyeball;
    const auto parts = eyeballs(head);
    for (std::size_t t : parts.at(0))
        for (auto v : head.base.triangles[t])
            eyeball.push_back(static_cast<std::size_t>(v));
    std::sort(eyeball.begin(), eyeball.end());
    eyeball.erase(std::unique(eyeball.begin(), eyeball.end()), eyeball.end());
    const auto apex = *std::max_element(eyeball.begin(), eyeball.end(), [&](auto a, auto b) {
        return head.base.positions[a].z < head.base.positions[b].z;
    });
    // "In" is towards the nose, -x for the left eye; about 25 degrees at the cornea's tip.
    const std::map<std::string, glm::dvec3> turns{{"eyeLookInLeft", {-1, 0, 0}},
                                                  {"eyeLookOutLeft", {1, 0, 0}},
                                                  {"eyeLookUpLeft", {0, 1, 0}},
                                                  {"eyeLookDownLeft", {0, -1, 0}}};
    for (const auto& [name, direction] : turns) {
        const auto& moved = head.targetPositions[head.targetIndex(name)];
        // Rigid: distances to three marks on the eyeball are kept; about its centre: so is
        // the distance to the centre, found from the neutral eyeball's extent.
        double bent = 0.0, offCentre = 0.0;
        for (std::size_t i : eyeball) {
            for (std::size_t mark : {apex, eyeball.front(), eyeball.back()})
                bent = std::max(bent, std::abs(glm::distance(moved[i], moved[mark]) -
                                               glm::distance(head.base.positions[i],
                                                             head.base.positions[mark])));
            offCentre =
                std::max(offCentre, std::abs(glm::distance(moved[i], centre) -
                                             glm::distance(head.base.positions[i], centre)));
        }
        EXPECT_LT(bent, 1e-4) << name;
        EXPECT_LT(offCentre, 5e-3) << name;
        const glm::dvec3 tip = moved[apex] - centre, rest = head.base.positions[apex] - centre;
        const double degrees = std::acos(glm::dot(glm::normalize(tip), glm::normalize(rest))) *
                               180.0 / std::numbers::pi;
        EXPECT_NEAR(degrees, 25.0, 2.0) << name;
        EXPECT_GT(glm::dot(tip - rest, direction), 2.5) << name;
        // The other eye stays.
        EXPECT_EQ(moved[head.nearestVertex(mirrored(head.base.positions[apex]))],
                  head.base.positions[head.nearestVertex(mirrored(head.base.positions[apex]))]);
    }
}

TEST(ExpressionTargets, TongueRestsBehindTheTeethAndComesOutPastTheLips) {
    const LoadedHead& head = loaded();
    // The tongue is the part under the middle of the mouth's roof.
    const auto part = components(head.base);
    const auto seed = static_cast<std::int32_t>(head.nearestVertex({0.0, -55.0, 22.0}));
    std::vector<std::size_t> tongue;
    for (const auto& component : part)
        for (std::size_t t : component)
            for (auto v : head.base.triangles[t])
                if (v == seed)
                    tongue = component;
    ASSERT_FALSE(tongue.empty());
    ASSERT_LT(tongue.size(), head.base.triangles.size() / 4);
    const auto front = [&](const std::vector<glm::dvec3>& positions) {
        double z = -1e300;
        for (std::size_t t : tongue)
            for (auto v : head.base.triangles[t])
                z = std::max(z, positions[static_cast<std::size_t>(v)].z);
        return z;
    };
    const auto lips = [&](const std::vector<glm::dvec3>& positions) {
        double z = -1e300;
        for (std::size_t i = 0; i < positions.size(); ++i) {
            const auto& p = head.base.positions[i];
            if (std::abs(p.x) < 3.0 && p.y < -48.0 && p.y > -62.0 && p.z > 40.0)
                z = std::max(z, positions[i].z);
        }
        return z;
    };
    // Behind the lower front teeth, whose front stands at about z = 39.5.
    EXPECT_LT(front(head.base.positions), 36.0);
    const auto out = head.blend({{"tongueOut", 1.0}});
    EXPECT_GT(front(out), lips(out) + 5.0);
}

TEST(ExpressionTargets, NoMixTearsTheSkinCrossesItOrReachesIntoAnEye) {
    const LoadedHead& head = loaded();
    const auto eyes = eyeCentres(head);
    ASSERT_EQ(eyes.size(), 2u);
    std::vector<std::map<std::string, double>> mixes;
    for (const auto& name : head.targetNames)
        if (name == "mouthClose")
            mixes.push_back({{"jawOpen", 1.0}, {name, 1.0}});
        else
            mixes.push_back({{name, 1.0}});
    // Opposing and piling targets at full weight, where crossings would show first.
    mixes.push_back({{"eyeBlinkLeft", 1.0},
                     {"eyeSquintLeft", 1.0},
                     {"eyeWideLeft", 1.0},
                     {"cheekSquintLeft", 1.0},
                     {"browDownLeft", 1.0},
                     {"browInnerUp", 1.0},
                     {"browOuterUpLeft", 1.0}});
    mixes.push_back({{"eyeBlinkRight", 1.0},
                     {"eyeSquintRight", 1.0},
                     {"cheekSquintRight", 1.0},
                     {"browDownRight", 1.0},
                     {"noseSneerRight", 1.0}});
    mixes.push_back({{"jawOpen", 1.0},
                     {"mouthFunnel", 1.0},
                     {"mouthPucker", 1.0},
                     {"mouthSmileLeft", 1.0},
                     {"mouthLowerDownLeft", 1.0},
                     {"mouthUpperUpLeft", 1.0},
                     {"cheekPuff", 1.0}});
    mixes.push_back({{"jawLeft", 1.0},
                     {"mouthRight", 1.0},
                     {"mouthStretchRight", 1.0},
                     {"mouthDimpleRight", 1.0},
                     {"mouthFrownRight", 1.0},
                     {"jawForward", 1.0},
                     {"mouthPucker", 1.0}});
    mixes.push_back({{"mouthSmileLeft", 1.0},
                     {"mouthSmileRight", 1.0},
                     {"mouthFrownLeft", 1.0},
                     {"mouthStretchLeft", 1.0},
                     {"mouthDimpleLeft", 1.0},
                     {"cheekPuff", 1.0},
                     {"jawForward", 1.0}});
    mixes.push_back({{"eyeLookUpLeft", 1.0},
                     {"eyeLookInLeft", 1.0},
                     {"eyeWideLeft", 1.0},
                     {"browInnerUp", 1.0},
                     {"eyeLookDownRight", 1.0},
                     {"eyeLookOutRight", 1.0},
                     {"eyeSquintRight", 1.0}});
    mixes.push_back({{"eyeLookDownLeft", 1.0},
                     {"eyeLookOutLeft", 1.0},
                     {"eyeBlinkLeft", 1.0},
                     {"cheekSquintLeft", 1.0},
                     {"eyeLookUpRight", 1.0},
                     {"eyeLookInRight", 1.0},
                     {"eyeBlinkRight", 1.0}});
    mixes.push_back({{"tongueOut", 1.0},
                     {"jawLeft", 1.0},
                     {"mouthRollLower", 1.0},
                     {"mouthShrugUpper", 1.0},
                     {"mouthPucker", 1.0},
                     {"mouthSmileRight", 1.0},
                     {"jawForward", 1.0}});
    mixes.push_back({{"tongueOut", 1.0},
                     {"jawOpen", 1.0},
                     {"mouthFunnel", 1.0},
                     {"mouthShrugLower", 1.0},
                     {"mouthPressLeft", 1.0},
                     {"mouthLowerDownRight", 1.0},
                     {"mouthStretchLeft", 1.0}});
    mixes.push_back({{"jawOpen", 1.0},
                     {"mouthClose", 1.0},
                     {"mouthRollUpper", 1.0},
                     {"mouthRollLower", 1.0},
                     {"mouthPressLeft", 1.0},
                     {"mouthPressRight", 1.0},
                     {"mouthShrugLower", 1.0}});
    // The tongue on its way out, where its straight paths pass the teeth and lips.
    mixes.push_back({{"tongueOut", 0.3}});
    mixes.push_back({{"tongueOut", 0.6}, {"jawOpen", 0.2}});
    // And seven channels at random weights, as the demo plays them.
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> weight(0.0, 1.0);
    for (int mix = 0; mix < 12; ++mix) {
        std::vector<std::string> names = head.targetNames;
        std::shuffle(names.begin(), names.end(), random);
        std::map<std::string, double> weights;
        for (int channel = 0; channel < 7; ++channel)
            weights[names[static_cast<std::size_t>(channel)]] = weight(random);
        // mouthClose closes the lips over the jaw's opening: alone it presses them into each
        // other, so capture data never drives it beyond jawOpen, nor with the tongue out.
        if (weights.count("mouthClose")) {
            const double open = weights.count("jawOpen") ? weights["jawOpen"] : 0.0;
            weights["mouthClose"] =
                weights.count("tongueOut") ? 0.0 : std::min(open, weights["mouthClose"]);
        }
        mixes.push_back(weights);
    }

    for (const auto& mix : mixes) {
        std::string label;
        for (const auto& [name, w] : mix)
            label += name + "=" + std::to_string(w).substr(0, 4) + " ";
        const std::vector<glm::dvec3> positions = head.blend(mix);
        double nearestToEyeCentre = 1e300;
        for (std::size_t t = 0; t < head.base.triangles.size(); ++t)
            if (!eyeballTriangles(head)[t])
                for (auto v : head.base.triangles[t])
                    for (const auto& eye : eyes)
                        nearestToEyeCentre =
                            std::min(nearestToEyeCentre, glm::distance(positions[v], eye));
        EXPECT_GT(nearestToEyeCentre, 7.6) << "a lid reaches into the eyeball: " << label;
        // Closing targets piled beyond closed press one eye's lids into each other, as in
        // any blend of linear shapes; every other crossing is a fault.
        const MeshView mesh = combined(positions, head);
        std::size_t faults = 0;
        std::string first;
        for (const auto& [a, b] : crossingTriangles(mesh, movedTriangles(head, positions))) {
            if (sameLidRegion(head, a, b, eyes))
                continue;
            if (faults++ == 0)
                first = text(mesh.positions[mesh.triangles[a][0]]);
        }
        EXPECT_EQ(faults, 0u) << label << " first near " << first;
    }
}

TEST(ExpressionTargets, MorphGroupsListEveryTargetOnceInOrder) {
    const GeneratedHead& head = generated();
    std::vector<std::string> groupOrder;
    std::multiset<std::string> listed;
    for (const auto& group : head.groups) {
        groupOrder.push_back(group.name);
        listed.insert(group.targetNames.begin(), group.targetNames.end());
    }
    EXPECT_EQ(groupOrder, (std::vector<std::string>{"Brows", "Eyes", "Cheeks", "Nose", "Jaw",
                                                    "Mouth", "Tongue"}));
    const auto& names = head.meshFile.targetNames;
    EXPECT_EQ(listed, std::multiset<std::string>(names.begin(), names.end()));
    const std::map<std::string, std::string> prefixes{
        {"Brows", "brow"}, {"Eyes", "eye"},    {"Cheeks", "cheek"}, {"Nose", "nose"},
        {"Jaw", "jaw"},    {"Mouth", "mouth"}, {"Tongue", "tongue"}};
    for (const auto& group : head.groups)
        for (const auto& target : group.targetNames)
            EXPECT_EQ(target.rfind(prefixes.at(group.name), 0), 0u)
                << target << " in " << group.name;

    // The file says the same, in the structure the demo's reader walks.
    TiXmlDocument xml;
    xml.Parse(encodeMorphGroupFile(head.groups).c_str());
    ASSERT_FALSE(xml.Error());
    const TiXmlNode* root = xml.FirstChild("MorphGroups");
    ASSERT_NE(root, nullptr);
    std::vector<TargetGroup> parsed;
    for (const TiXmlNode* g = root->FirstChild(); g; g = g->NextSibling()) {
        TargetGroup group{g->ToElement()->Attribute("name"), {}};
        for (const TiXmlNode* t = g->FirstChild("Target"); t; t = t->NextSibling())
            group.targetNames.push_back(t->ToElement()->Attribute("name"));
        parsed.push_back(group);
    }
    ASSERT_EQ(parsed.size(), head.groups.size());
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        EXPECT_EQ(parsed[i].name, head.groups[i].name);
        EXPECT_EQ(parsed[i].targetNames, head.groups[i].targetNames);
    }
}
