// Camera placement, the ray-square test and aiming at known faces, all
// computed without a GL context.
#include <gtest/gtest.h>

#include <cmath>

#include "game_test_support.h"

namespace {

using gametest::placeBlock;

// The square face of edge 32 at y = -16 facing -y, centred on the x-z origin.
void frontSquare(Vec3 corners[4]) {
    corners[0] = {-16, -16, -16};
    corners[1] = {16, -16, -16};
    corners[2] = {16, -16, 16};
    corners[3] = {-16, -16, 16};
}

// Puts the mouse over a world point as the current camera shows it.
void pointMouseAt(Vec3 point) {
    int viewport[4] = {0, 0, ScreenWidth, ScreenHeight};
    double wx, wy, wz;
    ASSERT_TRUE(projectPoint(point, modelviewMatrix, projectionMatrix, viewport, wx, wy, wz));
    mouseX = static_cast<int32_t>(std::lround(wx));
    mouseY = static_cast<int32_t>(std::lround(ScreenHeight - wy));
}

class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        applyCamera(massRatio());
    }
};

TEST_F(CameraTest, RayThroughTheCentreOfASquareHitsItAndBesideItMisses) {
    Vec3 square[4], hit;
    frontSquare(square);
    rayNear = {0, -100, 0};
    rayFar = {0, 100, 0};
    EXPECT_TRUE(RayPick(square, hit));
    EXPECT_NEAR(hit.y, -16.0f, 1e-4);
    rayNear = {40, -100, 0};
    rayFar = {40, 100, 0};
    EXPECT_FALSE(RayPick(square, hit));
}

TEST_F(CameraTest, RayParallelToTheSquareNeverCrossesIt) {
    Vec3 square[4], hit;
    frontSquare(square);
    rayNear = {-100, -16, 0};
    rayFar = {100, -16, 0};
    EXPECT_FALSE(RayPick(square, hit));
    rayNear = {-100, -20, 0};
    rayFar = {100, -20, 0};
    EXPECT_FALSE(RayPick(square, hit));
}

TEST_F(CameraTest, EyeMovesInWithTheMassAndShakesOnlyFrom81Percent) {
    for (float share : {0.8f, 0.81f}) {
        mass = massLimit * share;
        applyCamera(massRatio());
        EXPECT_FLOAT_EQ(camera.shakenEye.x, 0.0f);
        EXPECT_FLOAT_EQ(camera.shakenEye.z, 0.0f);
        EXPECT_NEAR(camera.shakenEye.y, -640.0f * (1 - 0.5f * share), 1e-3);
    }
    mass = massLimit * 0.9f;
    bool shook = false;
    for (int i = 0; i < 50; i++) {
        applyCamera(massRatio());
        Vec3 offset = camera.shakenEye - Vec3{0, -640.0f * 0.55f, 0};
        EXPECT_LE(std::fabs(offset.x), 2.25f + 1e-4f);
        EXPECT_LE(std::fabs(offset.y), 2.25f + 1e-4f);
        EXPECT_LE(std::fabs(offset.z), 2.25f + 1e-4f);
        shook = shook || magnitude(offset) > 0.1f;
    }
    EXPECT_TRUE(shook);
}

TEST_F(CameraTest, MouseAtTheCentreAimsAtTheFrontFaceOfTheNearestBlock) {
    int32_t back = placeBlock(0, 0, 0, Red);
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    updateAiming();
    EXPECT_EQ(aimBlock, back);
    EXPECT_EQ(aimFace, MinusY) << "the ray also crosses the back face, which faces away";
    int32_t front = placeBlock(0, -2, 0, Blue);
    updateAiming();
    EXPECT_EQ(aimBlock, front);
    EXPECT_EQ(aimFace, MinusY);
}

TEST_F(CameraTest, AimsAtTheFaceUnderTheMouseFromAnySide) {
    placeBlock(0, 0, 0, Red);
    int32_t right = placeBlock(1, 0, 0, Blue);
    pointMouseAt({32, -16, 8});
    EXPECT_GT(mouseX, ScreenWidth / 2) << "+x is on the right when looking along +y";
    EXPECT_LT(mouseY, ScreenHeight / 2) << "+z is up";
    updateAiming();
    EXPECT_EQ(aimBlock, right);
    EXPECT_EQ(aimFace, MinusY);

    camera.eye = {640, 0, 0};
    applyCamera(massRatio());
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    updateAiming();
    EXPECT_EQ(aimBlock, right);
    EXPECT_EQ(aimFace, PlusX);
}

TEST_F(CameraTest, FlyingAndPoppingBlocksCannotBeAimedAt) {
    int32_t slot = placeBlock(0, 0, 0, Red);
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    blockTable[slot].pos.y = -100;
    updateAiming();
    EXPECT_EQ(aimBlock, -1);
    blockTable[slot].pos = blockTable[slot].targetPos;
    blockTable[slot].dying = true;
    updateAiming();
    EXPECT_EQ(aimBlock, -1);
    EXPECT_EQ(aimFace, -1);
}

TEST_F(CameraTest, FrustumOfTheStartViewHoldsTheOriginButNotWhatIsBehindTheEye) {
    placeStartupCamera();
    EXPECT_TRUE(pointInFrustum(0, 0, 0));
    EXPECT_FALSE(pointInFrustum(0, -700, 0));
    EXPECT_FALSE(pointInFrustum(0, 2000, 0)) << "beyond the far plane";
    EXPECT_FALSE(pointInFrustum(5000, 0, 0));
}

TEST(VectorMath, NormaliseKeepsTheZeroVectorAndAnglesOfZeroLengthAreZero) {
    Vec3 zero = {0, 0, 0};
    EXPECT_EQ(normalise(zero), zero);
    EXPECT_FLOAT_EQ(angleBetween(zero, Vec3{1, 0, 0}), 0.0f);
    EXPECT_NEAR(angleBetween(Vec3{1, 0, 0}, Vec3{0, 3, 0}), 1.5707963f, 1e-6);
}

}  // namespace
