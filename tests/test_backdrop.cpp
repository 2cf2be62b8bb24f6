// The star field's motion, removal and drawn position, and when the motion
// blur blends and copies; all without a GL context.
#include <gtest/gtest.h>

#include "game/camera.h"
#include "screens/backdrop.h"
#include "settings/settings.h"

namespace {

void expectNear(Vec3 actual, Vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-2);
    EXPECT_NEAR(actual.y, expected.y, 1e-2);
    EXPECT_NEAR(actual.z, expected.z, 1e-2);
}

class Starfield : public ::testing::Test {
  protected:
    void SetUp() override {
        ScreenWidth = 1280;
        ScreenHeight = 720;
        placeStartupCamera();
        starfield.clear();
        srand(7);
    }
    void TearDown() override { starfield.clear(); }
};

TEST_F(Starfield, FirstUpdateKeepsAtMostAHundredVisibleStarsOutsideTheMass) {
    UpdateStarfield(16);
    ASSERT_FALSE(starfield.empty());
    EXPECT_LE(starfield.size(), static_cast<size_t>(starTarget));
    for (const Star& star : starfield) {
        EXPECT_TRUE(pointInFrustum(star.position.x, star.position.y, star.position.z));
        EXPECT_FALSE(starInMassColumn(star));
        EXPECT_GE(star.size, 0.2f);
        EXPECT_LT(star.size, 0.3f + 1e-6f);
    }
}

TEST_F(Starfield, AnUpdateRefillsFirstAndThenDropsWhatLeftTheView) {
    Star visible{{300, 800, 150}, {300, 800, 150}, 2000, 0.25f};
    starfield.assign(starTarget, visible);
    starfield[0].position.y = -1000;  // behind the eye
    UpdateStarfield(0);
    EXPECT_EQ(starfield.size(), static_cast<size_t>(starTarget) - 1)
        << "a full field gets no new star; the one behind the eye goes";
    UpdateStarfield(0);
    EXPECT_GE(starfield.size(), static_cast<size_t>(starTarget) - 1) << "the next update refills";
}

TEST_F(Starfield, AStarMovesOneUnitPerTwentyMillisecondsTowardTheViewer) {
    starfield.push_back({{400, 600, 200}, {400, 600, 200}, 0, 0.25f});
    UpdateStarfield(20);
    const Star& star = starfield.front();
    expectNear(star.position, {400, 599, 200});
    expectNear(star.previousPosition, {400, 600, 200});
    EXPECT_EQ(star.age, 20.0f);
}

TEST_F(Starfield, StarsLeaveThroughTheViewEdgeOrTheColumnAroundTheMass) {
    starfield.push_back({{100, 300, -100}, {100, 300, -100}, 0, 0.25f});  // in the column
    starfield.push_back({{0, -700, 0}, {0, -700, 0}, 0, 0.25f});          // behind the eye
    starfield.push_back({{300, 300, 0}, {300, 300, 0}, 0, 0.25f});        // stays
    UpdateStarfield(0);
    ASSERT_GE(starfield.size(), 1u);
    expectNear(starfield.front().position, {300, 300, 0});
    for (const Star& star : starfield) EXPECT_NE(star.position.y, -700.0f);
}

TEST_F(Starfield, ColumnBoundsAreStrict) {
    EXPECT_TRUE(starInMassColumn({{159, 0, -159}, {}, 0, 0.2f}));
    EXPECT_FALSE(starInMassColumn({{160, 0, 0}, {}, 0, 0.2f}));
    EXPECT_FALSE(starInMassColumn({{0, 0, -160}, {}, 0, 0.2f}));
}

TEST_F(Starfield, StarsFadeInOverTheirFirstSecond) {
    EXPECT_EQ(starAlpha({{}, {}, 0, 0.2f}), 0.0f);
    EXPECT_FLOAT_EQ(starAlpha({{}, {}, 500, 0.2f}), 127.5f);
    EXPECT_EQ(starAlpha({{}, {}, 1000, 0.2f}), 255.0f);
    EXPECT_EQ(starAlpha({{}, {}, 5000, 0.2f}), 255.0f);
}

TEST(StarMapping, TheStartUpViewDrawsAStarWhereItIs) {
    Vec3 eye = {0, -640, 0}, centre = {0, 0, 0}, up = {0, 0, 1};
    expectNear(starDrawnPosition({300, 500, -200}, eye, centre, up), {300, 500, -200});
    expectNear(starDrawnPosition({-900, 1000, 700}, eye, centre, up), {-900, 1000, 700});
}

TEST(StarMapping, OffsetsAreClampedToTheAxisSegments) {
    Vec3 eye = {0, -640, 0}, centre = {0, 0, 0}, up = {0, 0, 1};
    expectNear(starDrawnPosition({0, 1800, 0}, eye, centre, up), {0, 1360, 0});
    expectNear(starDrawnPosition({0, -900, 0}, eye, centre, up), {0, -640, 0});
    expectNear(starDrawnPosition({2500, 0, -2600}, eye, centre, up), {2000, 0, -2000});
}

TEST(StarMapping, TheFieldTurnsWithTheCamera) {
    // Eye on +x looking back at the origin: ahead is -x, the side is +y.
    Vec3 eye = {640, 0, 0}, centre = {0, 0, 0}, up = {0, 0, 1};
    expectNear(starDrawnPosition({0, 500, 0}, eye, centre, up), {-500, 0, 0});
    expectNear(starDrawnPosition({100, 500, 50}, eye, centre, up), {-500, 100, 50});
    // Upside down: the up offset flips with the camera's up.
    Vec3 flipped = {0, 0, -1};
    expectNear(starDrawnPosition({100, 500, 50}, {0, -640, 0}, centre, flipped), {-100, 500, -50});
}

}  // namespace
