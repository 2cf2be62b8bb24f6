// The play loop: the three control schemes, what a shot does, block flight
// and overlaps, rotation with its residual drift, and the next colour.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "game_test_support.h"
#include "platform/input_state.h"

namespace {

using gametest::buildMass;
using gametest::placeBlock;
using gametest::runFrames;

class PlayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        target = placeBlock(0, 0, 0, Red);
        placeBlock(5, 5, 5, Red);
        onMouseMove(ScreenWidth / 2, ScreenHeight / 2);
        runFrames(40);
        ASSERT_EQ(play.aimBlock, target);
        ASSERT_GT(play.aimAlpha, fireAlpha);
        ASSERT_EQ(play.currentColour, Red);
    }
    int32_t target = -1;
};

TEST_F(PlayTest, ShotSpawnsTwentyBlocksOutAndFliesToTheCellInFrontOfTheFace) {
    onRightButtonDown();
    runFrames(1);
    ASSERT_EQ(modeState.drops, 1);
    int32_t shot = 2;
    EXPECT_TRUE(blockTable[shot].alive);
    EXPECT_FALSE(blockTable[shot].settled);
    EXPECT_EQ(blockTable[shot].colour, Red);
    EXPECT_EQ(blockTable[shot].targetPos, (Vec3{0, -32, 0}));
    EXPECT_EQ(blockTable[shot].pos, (Vec3{0, -640, 0}));
    EXPECT_TRUE(blockTable[target].settled);
    EXPECT_EQ(play.previousColour, Red);
    EXPECT_FLOAT_EQ(play.aimAlpha, 0.0f);
    EXPECT_FALSE(rightDown) << "the press is consumed";
    EXPECT_EQ(gametest::countSounds("swish.ogg"), 1);
    runFrames(27);
    EXPECT_FALSE(isAtRest(blockTable[shot]));
    runFrames(1);
    EXPECT_TRUE(isAtRest(blockTable[shot])) << "608 units at 2.25 per ms";
    EXPECT_EQ(gametest::countSounds("clunk-hardcore.ogg"), 1);
    EXPECT_EQ(modeState.arrivals, 1);
}

TEST_F(PlayTest, NormalSchemeFiresOncePerRightPress) {
    onRightButtonDown();
    runFrames(200);
    EXPECT_EQ(modeState.drops, 1);
    onRightButtonUp();
    onRightButtonDown();
    runFrames(1);
    EXPECT_EQ(modeState.drops, 2);
}

TEST_F(PlayTest, ReversedSchemeKeepsFiringWhileTheLeftButtonIsHeld) {
    controls = 1;
    onLeftButtonDown();
    runFrames(100);
    EXPECT_EQ(modeState.drops, 3) << "one shot per 250 ms reload plus about 89 ms of preview";
    onLeftButtonUp();
    runFrames(100);
    EXPECT_EQ(modeState.drops, 3);
}

TEST_F(PlayTest, SingleButtonFiresOnAShortClickAndOnlyRotatesOnALongOne) {
    controls = 2;
    onLeftButtonDown();
    runFrames(25);
    onLeftButtonUp();
    runFrames(20);
    EXPECT_EQ(modeState.drops, 0) << "held 250 ms";
    onLeftButtonDown();
    runFrames(15);
    onLeftButtonUp();
    runFrames(1);
    EXPECT_EQ(modeState.drops, 1) << "released after 150 ms";
    runFrames(100);
    EXPECT_EQ(modeState.drops, 1);
}

TEST_F(PlayTest, MissesOweGrowthInClassicOnly) {
    play.dropsSinceMatch = 2;
    onRightButtonDown();
    runFrames(1);
    EXPECT_NEAR(meter.pendingGrowth, 2 * 54 * 0.005f, 1e-4);
    EXPECT_EQ(play.dropsSinceMatch, 3);
    gametest::resetWorld(ModeRush);
    placeBlock(0, 0, 0, Red);
    placeBlock(5, 5, 5, Red);
    onMouseMove(ScreenWidth / 2, ScreenHeight / 2);
    runFrames(40);
    play.dropsSinceMatch = 2;
    onRightButtonDown();
    runFrames(1);
    EXPECT_EQ(modeState.drops, 1);
    EXPECT_FLOAT_EQ(meter.pendingGrowth, 0.0f);
}

TEST_F(PlayTest, TwoBlocksInOneCellLeaveTheLowerSlot) {
    int32_t lower = placeBlock(0, 0, 2, Blue);
    int32_t higher = placeBlock(0, 0, 2, Green, false);
    blockTable[higher].pos.z += 64;
    runFrames(5);
    EXPECT_TRUE(blockTable[lower].alive);
    EXPECT_FALSE(blockTable[higher].alive);
}

TEST_F(PlayTest, PausingFreezesFlightAndEscapeDoesNothingUnderACard) {
    int32_t flying = placeBlock(0, 0, 3, Blue, false);
    blockTable[flying].pos.z += 100;
    platformHoldKeyForFrame(vk::Escape);
    runFrames(1);
    platformReleaseInjectedKeys();
    ASSERT_TRUE(play.paused);
    float z = blockTable[flying].pos.z;
    runFrames(10);
    EXPECT_FLOAT_EQ(blockTable[flying].pos.z, z);
    play.tutorialShowing = true;
    platformHoldKeyForFrame(vk::Escape);
    runFrames(1);
    platformReleaseInjectedKeys();
    EXPECT_TRUE(play.paused);
}

TEST_F(PlayTest, DragTurnsTheViewAndTheSpinDecaysToASlowDrift) {
    Vec3 eyeBefore = camera.eye;
    onLeftButtonDown();
    onMouseMove(ScreenWidth / 2 + 100, ScreenHeight / 2);
    runFrames(1);
    onLeftButtonUp();
    EXPECT_GT(magnitude(camera.eye - eyeBefore), 50.0f);
    EXPECT_NEAR(magnitude(camera.eye), 640.0f, 0.1f) << "the eye orbits the centre";
    EXPECT_LT(play.yawVelocity, 0.0f);
    runFrames(1000);
    EXPECT_FLOAT_EQ(play.yawVelocity, -0.5f) << "ratio 1 for the faster axis";
    EXPECT_NE(play.pitchVelocity, 0.0f);
    EXPECT_LE(std::fabs(play.pitchVelocity), 0.5f);
}

TEST_F(PlayTest, NextColourIsTheCommonestOrTheRunnerUpButNotTheLastShot) {
    gametest::resetWorld();
    buildMass({{"rrrrr", "ggg.b"}});
    std::set<int32_t> seen;
    for (int i = 0; i < 200; i++) {
        play.currentColour = -1;
        chooseCurrentColour();
        seen.insert(play.currentColour);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{Red, Green}));
    seen.clear();
    play.previousColour = Red;
    for (int i = 0; i < 200; i++) {
        play.currentColour = -1;
        chooseCurrentColour();
        seen.insert(play.currentColour);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{Green, Blue}));
    play.currentColour = Yellow;
    chooseCurrentColour();
    EXPECT_NE(play.currentColour, Yellow) << "a colour the mass no longer has is dropped";
}

TEST_F(PlayTest, AfterFiveMissesAnyColourOnTheMassButTheLastMayCome) {
    gametest::resetWorld();
    buildMass({{"rrrrr", "ggg.b"}});
    play.dropsSinceMatch = 5;
    play.previousColour = Green;
    std::set<int32_t> seen;
    for (int i = 0; i < 200; i++) {
        play.currentColour = -1;
        chooseCurrentColour();
        seen.insert(play.currentColour);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{Red, Blue}));
}

}  // namespace
