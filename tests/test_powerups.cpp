// Powerups: thresholds, ready flags, activation rules per mode, drain, and
// Timewarp's split between game time and real time.
#include <gtest/gtest.h>

#include "game_test_support.h"
#include "platform/input_state.h"

namespace {

using gametest::buildMass;
using gametest::placeBlock;

class PowerupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        buildMass({{"rgby"}});
    }
};

TEST_F(PowerupTest, With149OnlyMultiplierStartsAndWith300AnyOne) {
    powerCharge = 149;
    EXPECT_FALSE(tryActivatePowerup(Timewarp));
    EXPECT_FALSE(tryActivatePowerup(FusionPulse));
    EXPECT_TRUE(tryActivatePowerup(Multiplier));
    EXPECT_EQ(powerupsUsed[Multiplier], 1);
    EXPECT_EQ(gametest::countSounds("subdrop.ogg"), 1);
    for (int32_t which : {Multiplier, Timewarp, FusionPulse}) {
        gametest::resetWorld();
        powerCharge = 300;
        EXPECT_TRUE(tryActivatePowerup(which)) << which;
    }
    EXPECT_FLOAT_EQ(massAtFusion, mass);
}

TEST_F(PowerupTest, ChargeFlowsInAndEachReadyEdgeCountsOnce) {
    pendingCharge = 60;
    for (int i = 0; i < 49; i++) updatePowerCharge(32, 32);
    EXPECT_FALSE(powerReady[Multiplier]);
    updatePowerCharge(32, 32);
    EXPECT_TRUE(powerReady[Multiplier]);
    EXPECT_FLOAT_EQ(readyFlashTimers[Multiplier], 32.0f) << "the flash starts at the edge";
    for (int i = 0; i < 10; i++) updatePowerCharge(32, 32);
    EXPECT_EQ(gametest::countSounds("powerupready.ogg"), 1);
    EXPECT_EQ(powerupsEarned[Multiplier], 1);
    powerCharge = 40;
    updatePowerCharge(0, 0);
    EXPECT_FALSE(powerReady[Multiplier]);
    powerCharge = 300;
    updatePowerCharge(0, 0);
    EXPECT_EQ(powerupsEarned[Multiplier], 2);
    EXPECT_EQ(powerupsEarned[Timewarp], 1);
    EXPECT_EQ(powerupsEarned[FusionPulse], 1);
}

TEST_F(PowerupTest, OtherModesGetReadyFlagsButNoSoundNoKeysAndNoButtons) {
    for (int32_t mode : {ModeRush, ModeSurvival, ModeMeditation}) {
        gametest::resetWorld(mode);
        powerCharge = 300;
        updatePowerCharge(0, 0);
        EXPECT_TRUE(powerReady[FusionPulse]);
        EXPECT_EQ(gametest::countSounds("powerupready.ogg"), 0);
        platformHoldKeyForFrame('1');
        handlePowerupKeys();
        platformReleaseInjectedKeys();
        EXPECT_FALSE(multiplierActive);
        mouseX = static_cast<int32_t>(0.05f * ScreenWidth);
        mouseY = ScreenHeight - static_cast<int32_t>(0.05f * ScreenWidth);
        leftDown = true;
        handlePowerupButtons();
        EXPECT_TRUE(leftDown) << "the press is left to the rotation";
        EXPECT_FALSE(anyPowerupActive());
    }
}

TEST_F(PowerupTest, KeyAndButtonStartPowerupsInClassic) {
    powerCharge = 160;
    playKeysHeld = PlayKeyPowerup2;
    handlePowerupKeys();
    playKeysHeld = 0;
    EXPECT_TRUE(timewarpActive);
    gametest::resetWorld();
    powerCharge = 10;
    float u = 0.05f * ScreenWidth;
    mouseX = static_cast<int32_t>(u * 2.25f);
    mouseY = ScreenHeight - static_cast<int32_t>(u);
    leftDown = true;
    handlePowerupButtons();
    EXPECT_TRUE(buttonHover[Timewarp]);
    EXPECT_FALSE(leftDown) << "a click on a button is taken even without the charge";
    EXPECT_FALSE(timewarpActive);
}

TEST_F(PowerupTest, MultiplierFromAFullMeterLastsSixtySecondsAndBlocksTheOthers) {
    powerCharge = 300;
    ASSERT_TRUE(tryActivatePowerup(Multiplier));
    for (int second = 1; second < 60; second++) {
        updatePowerCharge(1000, 1000);
        ASSERT_TRUE(multiplierActive) << second;
    }
    EXPECT_FALSE(tryActivatePowerup(Timewarp));
    EXPECT_FALSE(tryActivatePowerup(FusionPulse));
    updatePowerCharge(1000, 1000);
    EXPECT_FALSE(multiplierActive);
    EXPECT_FLOAT_EQ(powerCharge, 0.0f);
}

TEST_F(PowerupTest, GroupsClearedWhileAPowerupIsActiveAddNoCharge) {
    resetFloodFill();
    timewarpActive = true;
    clearGroup(5);
    EXPECT_FLOAT_EQ(pendingCharge, 0.0f);
    timewarpActive = false;
    clearGroup(5);
    EXPECT_FLOAT_EQ(pendingCharge, 5.0f);
}

TEST_F(PowerupTest, QuicksaveNeedsNinetyPercentOnNormalOrExpert) {
    gametest::goOnline();
    powerCharge = 300;
    mass = massLimit * 0.95f;
    ASSERT_TRUE(tryActivatePowerup(FusionPulse));
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"quicksave"}));
    gametest::resetWorld(ModeCasual);
    gametest::goOnline();
    powerCharge = 300;
    mass = massLimit * 0.95f;
    ASSERT_TRUE(tryActivatePowerup(FusionPulse));
    EXPECT_TRUE(gametest::unlockedKeys().empty());
}

TEST_F(PowerupTest, TimewarpSlowsTheMeterPopsAndPlayTimeButNotFlightReloadOrLevelClock) {
    int32_t flying = placeBlock(6, 0, 0, Pink, false);
    blockTable[flying].pos.x += 90;
    blockTable[flying].landed = false;
    int32_t popping = placeBlock(8, 0, 0, Pink);
    blockTable[popping].dying = true;
    blockTable[popping].popDelay = -100;
    powerCharge = 150;
    tryActivatePowerup(Timewarp);
    mass = 10;
    gametest::runFrames(1, 40);
    EXPECT_NEAR(mass, 10 + 1.5f * 10 / 1000, 1e-4);
    EXPECT_FLOAT_EQ(blockTable[flying].pos.x, 6 * blockUnit) << "flight keeps real time";
    EXPECT_FLOAT_EQ(blockTable[popping].popDelay, -90.0f);
    EXPECT_FLOAT_EQ(reloadTimer, 40.0f);
    EXPECT_FLOAT_EQ(levelTimeMs, 40.0f);
    EXPECT_FLOAT_EQ(playSeconds, 0.01f);
    EXPECT_NEAR(powerCharge, 150 - 40.0f / 20000 * 150, 1e-4) << "the drain keeps real time";
}

TEST_F(PowerupTest, SurvivalStageClockIsNotSlowedByTimewarp) {
    gametest::resetWorld(ModeSurvival);
    buildMass({{"rgby"}});
    timewarpActive = true;
    powerCharge = 300;
    gametest::runFrames(10, 40);
    EXPECT_FLOAT_EQ(stageTimer, 400.0f);
    EXPECT_FLOAT_EQ(playSeconds, 0.1f);
}

}  // namespace
