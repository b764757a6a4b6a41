#include "render/Camera.h"

#include "render/CameraInput.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <limits>

namespace {

const glm::vec3 startEye(0.0f, -10.0f, 450.0f);
const glm::vec3 startTarget(0.0f, -10.0f, 0.0f);

// A point as a row vector times a D3DX-layout matrix; glm's column-vector product of the same
// floats is the same transform.
glm::vec3 transformPoint(const glm::mat4& m, const glm::vec3& p) {
    const glm::vec4 r = m * glm::vec4(p, 1.0f);
    return glm::vec3(r) / r.w;
}

void expectNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectIdentity(const glm::mat4& m, float tolerance) {
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            EXPECT_NEAR(m[column][row], column == row ? 1.0f : 0.0f, tolerance)
                << "element " << row << "," << column;
}

Camera startCamera() {
    Camera camera;
    camera.init(startEye, startTarget);
    return camera;
}

TEST(Camera, ProjectionHasTheFixedFieldOfViewAndAFarPlaneThatClipsNothing) {
    const glm::mat4 p = startCamera().projection();
    // Memory order is D3DX's: element (row r, column c) of the D3DX matrix is p[r - 1][c - 1].
    EXPECT_NEAR(p[0][0], 2.7990381f, 1e-5f);
    EXPECT_NEAR(p[1][1], 3.7320508f, 1e-5f);
    EXPECT_NEAR(p[2][2], -3000.0f / 3000.1f, 1e-6f);
    EXPECT_NEAR(p[3][2], -300.0f / 3000.1f, 1e-6f);
    EXPECT_EQ(p[2][3], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);
    // Depth stays inside 0..1 from the near plane to very far away.
    for (float distance : {0.1f, 450.0f, 1e6f}) {
        const glm::vec4 clip = p * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
        EXPECT_GE(clip.z / clip.w, -1e-6f);
        EXPECT_LT(clip.z / clip.w, 1.0f);
    }
}

TEST(Camera, ViewMapsTheEyeToTheOriginAndTheTargetStraightAhead) {
    const Camera camera = startCamera();
    expectNear(transformPoint(camera.view(), startEye), glm::vec3(0.0f), 1e-4f);
    expectNear(transformPoint(camera.view(), startTarget), glm::vec3(0.0f, 0.0f, -450.0f), 1e-3f);
    EXPECT_EQ(camera.eye(), startEye);
}

TEST(Camera, EyeAndViewStayDerivedFromCameraToWorldThroughAnyMoves) {
    Camera camera = startCamera();
    const glm::mat4 turn = glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0.0f, 1.0f, 0.0f));
    camera.transform(turn);
    camera.moveForward(120.0f);
    camera.transform(turn);
    camera.moveForward(-40.0f);
    camera.transform(glm::mat4(1.0f));
    expectNear(camera.eye(), glm::vec3(camera.cameraToWorld()[3]), 0.0f);
    expectIdentity(multiplyRowMajor(camera.view(), camera.cameraToWorld()), 1e-4f);
    // The orbit is about the world's vertical axis through the target: still looking at it.
    const glm::vec3 ahead = transformPoint(camera.view(), startTarget);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-3f);
    EXPECT_LT(ahead.z, 0.0f);
}

TEST(Camera, RotationOrbitsTheEyeFromFrontTowardPlusXAndIdentityKeepsItPut) {
    Camera camera = startCamera();
    camera.transform(glm::mat4(1.0f));
    expectNear(camera.eye(), startEye, 1e-4f);
    camera.transform(glm::rotate(glm::mat4(1.0f), 0.5f, glm::vec3(0.0f, 1.0f, 0.0f)));
    EXPECT_NEAR(camera.eye().x, 450.0f * std::sin(0.5f), 1e-2f);
    EXPECT_NEAR(camera.eye().z, 450.0f * std::cos(0.5f), 1e-2f);
    EXPECT_NEAR(camera.eye().y, -10.0f, 1e-4f);
}

TEST(Camera, MovingForwardReachesTheTargetAndPassesThroughItFacingTheSameWay) {
    Camera camera = startCamera();
    camera.moveForward(450.0f);
    expectNear(camera.eye(), startTarget, 1e-3f);
    camera.moveForward(100.0f);
    expectNear(camera.eye(), glm::vec3(0.0f, -10.0f, -100.0f), 1e-3f);
    // Still looking down -z: a point further along -z is ahead of the camera.
    EXPECT_LT(transformPoint(camera.view(), glm::vec3(0.0f, -10.0f, -200.0f)).z, 0.0f);
    camera.moveForward(-1000.0f);
    expectNear(camera.eye(), glm::vec3(0.0f, -10.0f, 900.0f), 1e-2f);
}

bool isIdentity(const glm::mat4& m) {
    return m == glm::mat4(1.0f);
}

float turnAngle(const glm::mat4& m) {
    return std::atan2(m[2][0], m[2][2]);
}

TEST(DragRotation, TurnsByHalfTheFrameTimeTowardTheSideDraggedTo) {
    const float frameTime = 0.016f;
    EXPECT_NEAR(turnAngle(dragRotation(5, 0, frameTime, startEye)), 0.008f, 1e-7f);
    EXPECT_NEAR(turnAngle(dragRotation(-5, 0, frameTime, startEye)), -0.008f, 1e-7f);
    // The step is the same for any horizontal share above the dead zone, however long the move.
    EXPECT_NEAR(turnAngle(dragRotation(1, 200, frameTime, startEye)), 0.008f, 1e-7f);
    EXPECT_NEAR(turnAngle(dragRotation(300, 1, frameTime, startEye)), 0.008f, 1e-7f);
}

TEST(DragRotation, VerticalOrEmptyMovesAndTheEyeOnTheSidePlaneTurnNothing) {
    EXPECT_TRUE(isIdentity(dragRotation(0, 7, 0.016f, startEye)));
    EXPECT_TRUE(isIdentity(dragRotation(0, -7, 0.016f, startEye)));
    EXPECT_TRUE(isIdentity(dragRotation(0, 0, 0.016f, startEye)));
    // A share of 1/1001 is below the 0.001 dead zone; 1/999 is above it.
    EXPECT_TRUE(isIdentity(dragRotation(1, 1001, 0.016f, startEye)));
    EXPECT_FALSE(isIdentity(dragRotation(1, 999, 0.016f, startEye)));
    EXPECT_TRUE(isIdentity(dragRotation(5, 0, 0.016f, glm::vec3(450.0f, -10.0f, 0.0f))));
    EXPECT_TRUE(isIdentity(dragRotation(-5, 0, 0.016f, glm::vec3(-450.0f, -10.0f, 0.0f))));
    // Behind the head with x exactly 0 (the wheel went straight through the target).
    EXPECT_TRUE(isIdentity(dragRotation(5, 0, 0.016f, glm::vec3(0.0f, -10.0f, -50.0f))));
    EXPECT_TRUE(isIdentity(dragRotation(-5, 0, 0.016f, glm::vec3(0.0f, -10.0f, -50.0f))));
}

TEST(DragRotation, BehindTheHeadOnlyTurnsBackTowardTheFrontAreApplied) {
    const glm::vec3 behindOnPlusX(100.0f, -10.0f, -50.0f);
    const glm::vec3 behindOnMinusX(-100.0f, -10.0f, -50.0f);
    EXPECT_TRUE(isIdentity(dragRotation(5, 0, 0.016f, behindOnPlusX)));
    EXPECT_FALSE(isIdentity(dragRotation(-5, 0, 0.016f, behindOnPlusX)));
    EXPECT_FALSE(isIdentity(dragRotation(5, 0, 0.016f, behindOnMinusX)));
    EXPECT_TRUE(isIdentity(dragRotation(-5, 0, 0.016f, behindOnMinusX)));
}

TEST(DragRotation, NothingTurnsBeforeTheFirstFrame) {
    EXPECT_NEAR(turnAngle(dragRotation(5, 0, 0.0f, startEye)), 0.0f, 0.0f);
}

TEST(WheelDistance, OnlyTheSignCountsAndZeroMovesAway) {
    EXPECT_FLOAT_EQ(wheelDistance(120, 0.016f), 16.0f);
    EXPECT_FLOAT_EQ(wheelDistance(1, 0.016f), 16.0f);
    EXPECT_FLOAT_EQ(wheelDistance(-480, 0.016f), -16.0f);
    EXPECT_FLOAT_EQ(wheelDistance(0, 0.016f), -16.0f);
    EXPECT_FLOAT_EQ(wheelDistance(120, 0.0f), 0.0f);
    // After a stall the step grows with the frame time.
    EXPECT_FLOAT_EQ(wheelDistance(120, 0.5f), 500.0f);
}

} // namespace
