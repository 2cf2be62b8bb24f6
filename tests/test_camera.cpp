// Camera placement, the ray-square test, aiming at known faces, and the
// matrices GL draws with.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "game_test_support.h"
#include "graphics_test_support.h"
#include "screens/backdrop.h"

namespace {

using gametest::placeBlock;

// The square face of edge 32 at y = -16 facing -y, centred on the x-z origin.
void frontSquare(Vec3 corners[4]) {
    corners[0] = {-16, -16, -16};
    corners[1] = {16, -16, -16};
    corners[2] = {16, -16, 16};
    corners[3] = {-16, -16, 16};
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
    camera.rayNear = {0, -100, 0};
    camera.rayFar = {0, 100, 0};
    EXPECT_TRUE(RayPick(square, hit));
    EXPECT_NEAR(hit.y, -16.0f, 1e-4);
    camera.rayNear = {40, -100, 0};
    camera.rayFar = {40, 100, 0};
    EXPECT_FALSE(RayPick(square, hit));
}

TEST_F(CameraTest, RayParallelToTheSquareNeverCrossesIt) {
    Vec3 square[4], hit;
    frontSquare(square);
    camera.rayNear = {-100, -16, 0};
    camera.rayFar = {100, -16, 0};
    EXPECT_FALSE(RayPick(square, hit));
    camera.rayNear = {-100, -20, 0};
    camera.rayFar = {100, -20, 0};
    EXPECT_FALSE(RayPick(square, hit));
}

TEST_F(CameraTest, EyeMovesInWithTheMassAndShakesOnlyFrom81Percent) {
    for (float share : {0.8f, 0.81f}) {
        meter.mass = meter.massLimit * share;
        applyCamera(massRatio());
        EXPECT_FLOAT_EQ(camera.shakenEye.x, 0.0f);
        EXPECT_FLOAT_EQ(camera.shakenEye.z, 0.0f);
        EXPECT_NEAR(camera.shakenEye.y, -640.0f * (1 - 0.5f * share), 1e-3);
    }
    meter.mass = meter.massLimit * 0.9f;
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
    EXPECT_EQ(play.aimBlock, back);
    EXPECT_EQ(play.aimFace, MinusY) << "the ray also crosses the back face, which faces away";
    int32_t front = placeBlock(0, -2, 0, Blue);
    updateAiming();
    EXPECT_EQ(play.aimBlock, front);
    EXPECT_EQ(play.aimFace, MinusY);
}

TEST_F(CameraTest, TheSideViewAimsAtTheSideFace) {
    placeBlock(0, 0, 0, Red);
    int32_t right = placeBlock(1, 0, 0, Blue);
    camera.eye = {640, 0, 0};
    applyCamera(massRatio());
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    updateAiming();
    EXPECT_EQ(play.aimBlock, right);
    EXPECT_EQ(play.aimFace, PlusX);
}

// GL draws with the matrices picking uses, even when the drawable's shape is
// not the window's (a scaled display, a resized window): the mouse over a
// face as GL projects it aims at that face.
TEST_F(CameraTest, PickingAgreesWithWhatGLDraws) {
    REQUIRE_GL();
    placeBlock(0, 0, 0, Red);
    int32_t right = placeBlock(1, 0, 0, Blue);
    setViewSize(300, 200);
    glViewport(0, 0, 300, 200);
    placeCameraForDrawing();
    double modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    ASSERT_EQ(gluProject(32, -16, 8, modelview, projection, viewport, &wx, &wy, &wz), GL_TRUE);
    setViewSize(0, 0);
    // Leave GL as the other graphics tests expect it.
    glViewport(0, 0, graphics_test::windowSide, graphics_test::windowSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ASSERT_EQ(viewport[2], 300);
    ASSERT_EQ(viewport[3], 200);
    // The mouse moves in window units over the 300 x 200 pixels.
    mouseX = static_cast<int32_t>(std::lround(wx * ScreenWidth / 300));
    mouseY = static_cast<int32_t>(std::lround((200 - wy) * ScreenHeight / 200));
    EXPECT_GT(mouseX, ScreenWidth / 2) << "+x is on the right when looking along +y";
    EXPECT_LT(mouseY, ScreenHeight / 2) << "+z is up";
    setViewSize(300, 200);
    updateAiming();
    setViewSize(0, 0);
    EXPECT_EQ(play.aimBlock, right);
    EXPECT_EQ(play.aimFace, MinusY);
}

TEST_F(CameraTest, FlyingAndPoppingBlocksCannotBeAimedAt) {
    int32_t slot = placeBlock(0, 0, 0, Red);
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    blockTable[slot].pos.y = -100;
    updateAiming();
    EXPECT_EQ(play.aimBlock, -1);
    blockTable[slot].pos = blockTable[slot].targetPos;
    blockTable[slot].dying = true;
    updateAiming();
    EXPECT_EQ(play.aimBlock, -1);
    EXPECT_EQ(play.aimFace, -1);
}

TEST_F(CameraTest, FrustumOfTheStartViewHoldsTheOriginButNotWhatIsBehindTheEye) {
    placeStartupCamera();
    EXPECT_TRUE(pointInFrustum(0, 0, 0));
    EXPECT_FALSE(pointInFrustum(0, -700, 0));
    EXPECT_FALSE(pointInFrustum(0, 2000, 0)) << "beyond the far plane";
    EXPECT_FALSE(pointInFrustum(5000, 0, 0));
}

// With identity matrices (w = 1) a point lands where its coordinates say;
// a projection that leaves w at 0 cannot place the point.
TEST(VectorMath, ProjectionPlacesPointsAndRefusesAZeroW) {
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int viewport[4] = {0, 0, 200, 100};
    double x = 0, y = 0, z = 0;
    ASSERT_TRUE(projectPoint({0.5f, -0.5f, 0}, identity, identity, viewport, x, y, z));
    EXPECT_DOUBLE_EQ(x, 150);
    EXPECT_DOUBLE_EQ(y, 25);
    EXPECT_DOUBLE_EQ(z, 0.5);
    const double flat[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(projectPoint({0.5f, -0.5f, 0}, identity, flat, viewport, x, y, z));
}

TEST(VectorMath, NormaliseKeepsTheZeroVectorAndAnglesOfZeroLengthAreZero) {
    Vec3 zero = {0, 0, 0};
    EXPECT_EQ(normalise(zero), zero);
    EXPECT_FLOAT_EQ(angleBetween(zero, Vec3{1, 0, 0}), 0.0f);
    EXPECT_NEAR(angleBetween(Vec3{1, 0, 0}, Vec3{0, 3, 0}), 1.5707963f, 1e-6);
}

}  // namespace
