// The generated head turned to the limits of a performance: the neck bends without folding, the
// face and what lies inside it turn as one, and the head stays in the picture.
#include "model/HeadTurn.h"

#include "TestHead.h"
#include "play/HeadTurnSettings.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <numbers>

namespace {

const HeadAngles limits[] = {{0.8f, 0.0f, 0.0f},  {-0.8f, 0.0f, 0.0f}, {0.0f, 0.5f, 0.0f},
                             {0.0f, -0.5f, 0.0f}, {0.0f, 0.0f, 0.5f},  {0.0f, 0.0f, -0.5f}};

glm::vec3 pivotOf(const HeadTurn& turn) {
    return {turn.pivot[0], turn.pivot[1], turn.pivot[2]};
}

std::vector<glm::dvec3> turned(const MeshView& mesh, const std::vector<float>& weights,
                               const HeadTurn& turn, const glm::quat& rotation) {
    std::vector<glm::dvec3> positions;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i)
        positions.emplace_back(
            turnedPoint(glm::vec3(mesh.positions[i]), pivotOf(turn), rotation, weights[i]));
    return positions;
}

glm::dvec3 faceNormal(const std::vector<glm::dvec3>& positions, const TriangleIndices& t) {
    return glm::cross(positions[t[1]] - positions[t[0]], positions[t[2]] - positions[t[0]]);
}

TEST(HeadTurn, TheFaceTurnsWholeAndTheNeckRampsToItsCut) {
    const MeshFileImage& image = generated().meshFile;
    ASSERT_TRUE(image.headTurn.has_value());
    const HeadTurn& turn = *image.headTurn;
    const LoadedHead& head = loaded();
    ASSERT_EQ(turn.headWeights.size(), head.base.positions.size());
    for (const float weight : turn.staticWeights)
        EXPECT_EQ(weight, 1.0f) << "the upper teeth turn with the skull";
    double lowestWhole = 1e9;
    for (std::size_t i = 0; i < head.base.positions.size(); ++i) {
        const glm::dvec3& p = head.base.positions[i];
        const float weight = turn.headWeights[i];
        // Above the jaw line everything turns as one: skull, face, eyes, teeth and tongue.
        if (p.y > -30.0 || (p.z > 20.0 && p.y > -70.0)) {
            EXPECT_EQ(weight, 1.0f) << "vertex " << i << " at y " << p.y << ", z " << p.z;
        }
        if (p.y < -115.0) {
            EXPECT_LT(weight, 0.01f) << "the cut stays with the body";
        }
        if (weight == 1.0f)
            lowestWhole = std::min(lowestWhole, p.y);
    }
    EXPECT_LT(lowestWhole, -60.0);
    // Behind and below the ear canals, on the middle line.
    EXPECT_EQ(turn.pivot[0], 0.0f);
    EXPECT_LT(turn.pivot[1], -19.0f);
    EXPECT_LT(turn.pivot[2], -10.0f);
}

TEST(HeadTurn, NoTriangleFoldsAtTheLimitsAndTheHeadStaysInThePicture) {
    const MeshFileImage& image = generated().meshFile;
    const HeadTurn& turn = *image.headTurn;
    const LoadedHead& head = loaded();
    const glm::dmat4 view =
        glm::lookAtRH(glm::dvec3(0, -10, 450), glm::dvec3(0, -10, 0), glm::dvec3(0, 1, 0));
    const glm::dmat4 projection =
        glm::perspectiveRH_ZO(std::numbers::pi / 6.0, 4.0 / 3.0, 0.1, 3000.0);
    for (const bool mirror : {true, false})
        for (const HeadAngles& angles : limits) {
            SCOPED_TRACE(testing::Message() << "yaw " << angles.yaw << ", pitch " << angles.pitch
                                            << ", roll " << angles.roll << ", mirror " << mirror);
            const glm::quat rotation = shownHeadRotation(angles, {true, mirror, 1.0f});
            const std::vector<glm::dvec3> posed =
                turned(head.base, turn.headWeights, turn, rotation);
            // A triangle folds where its facing turns against the rotation its corners share.
            int folded = 0;
            for (const TriangleIndices& t : head.base.triangles) {
                const float weight =
                    (turn.headWeights[t[0]] + turn.headWeights[t[1]] + turn.headWeights[t[2]]) /
                    3.0f;
                const glm::dvec3 expected =
                    glm::dvec3(turnedPoint(glm::vec3(faceNormal(head.base.positions, t)),
                                           glm::vec3(0.0f), rotation, weight));
                if (glm::dot(faceNormal(posed, t), expected) <= 0.0)
                    ++folded;
            }
            EXPECT_EQ(folded, 0);

            const std::vector<glm::dvec3> teeth =
                turned(head.statics, turn.staticWeights, turn, rotation);
            double extentX = 0.0, extentY = 0.0;
            for (const std::vector<glm::dvec3>* positions : {&posed, &teeth})
                for (const glm::dvec3& p : *positions) {
                    const glm::dvec4 clip = projection * view * glm::dvec4(p, 1.0);
                    extentX = std::max(extentX, std::abs(clip.x / clip.w));
                    extentY = std::max(extentY, std::abs(clip.y / clip.w));
                }
            EXPECT_LT(extentX, 1.0);
            EXPECT_LT(extentY, 1.0);
        }
}

} // namespace
