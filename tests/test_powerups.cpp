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
    powerups.powerCharge = 149;
    EXPECT_FALSE(tryActivatePowerup(Timewarp));
    EXPECT_FALSE(tryActivatePowerup(FusionPulse));
    EXPECT_TRUE(tryActivatePowerup(Multiplier));
    EXPECT_EQ(powerups.powerupsUsed[Multiplier], 1);
    EXPECT_EQ(gametest::countSounds("subdrop.ogg"), 1);
    for (int32_t which : {Multiplier, Timewarp, FusionPulse}) {
        gametest::resetWorld();
        powerups.powerCharge = 300;
        EXPECT_TRUE(tryActivatePowerup(which)) << which;
    }
    EXPECT_FLOAT_EQ(powerups.massAtFusion, meter.mass);
}

TEST_F(PowerupTest, ChargeFlowsInAndEachReadyEdgeCountsOnce) {
    powerups.pendingCharge = 60;
    for (int i = 0; i < 49; i++) updatePowerCharge(32, 32);
    EXPECT_FALSE(powerups.powerReady[Multiplier]);
    updatePowerCharge(32, 32);
    EXPECT_TRUE(powerups.powerReady[Multiplier]);
    EXPECT_FLOAT_EQ(powerups.readyFlashTimers[Multiplier], 32.0f) << "the flash starts at the edge";
    for (int i = 0; i < 10; i++) updatePowerCharge(32, 32);
    EXPECT_EQ(gametest::countSounds("powerupready.ogg"), 1);
    EXPECT_EQ(powerups.powerupsEarned[Multiplier], 1);
    powerups.powerCharge = 40;
    updatePowerCharge(0, 0);
    EXPECT_FALSE(powerups.powerReady[Multiplier]);
    powerups.powerCharge = 300;
    updatePowerCharge(0, 0);
    EXPECT_EQ(powerups.powerupsEarned[Multiplier], 2);
    EXPECT_EQ(powerups.powerupsEarned[Timewarp], 1);
    EXPECT_EQ(powerups.powerupsEarned[FusionPulse], 1);
}

TEST_F(PowerupTest, OtherModesGetReadyFlagsButNoSoundNoKeysAndNoButtons) {
    for (int32_t mode : {ModeRush, ModeSurvival, ModeMeditation}) {
        gametest::resetWorld(mode);
        powerups.powerCharge = 300;
        updatePowerCharge(0, 0);
        EXPECT_TRUE(powerups.powerReady[FusionPulse]);
        EXPECT_EQ(gametest::countSounds("powerupready.ogg"), 0);
        platformHoldKeyForFrame('1');
        handlePowerupKeys();
        platformReleaseInjectedKeys();
        EXPECT_FALSE(powerups.multiplierActive);
        mouseX = static_cast<int32_t>(0.05f * ScreenWidth);
        mouseY = ScreenHeight - static_cast<int32_t>(0.05f * ScreenWidth);
        leftDown = true;
        handlePowerupButtons();
        EXPECT_TRUE(leftDown) << "the press is left to the rotation";
        EXPECT_FALSE(anyPowerupActive());
    }
}

TEST_F(PowerupTest, KeyAndButtonStartPowerupsInClassic) {
    powerups.powerCharge = 160;
    playKeysHeld = PlayKeyPowerup2;
    handlePowerupKeys();
    playKeysHeld = 0;
    EXPECT_TRUE(powerups.timewarpActive);
    gametest::resetWorld();
    powerups.powerCharge = 10;
    float u = 0.05f * ScreenWidth;
    mouseX = static_cast<int32_t>(u * 2.25f);
    mouseY = ScreenHeight - static_cast<int32_t>(u);
    leftDown = true;
    handlePowerupButtons();
    EXPECT_TRUE(powerups.buttonHover[Timewarp]);
    EXPECT_FALSE(leftDown) << "a click on a button is taken even without the charge";
    EXPECT_FALSE(powerups.timewarpActive);
}

TEST_F(PowerupTest, MultiplierFromAFullMeterLastsSixtySecondsAndBlocksTheOthers) {
    powerups.powerCharge = 300;
    ASSERT_TRUE(tryActivatePowerup(Multiplier));
    for (int second = 1; second < 60; second++) {
        updatePowerCharge(1000, 1000);
        ASSERT_TRUE(powerups.multiplierActive) << second;
    }
    EXPECT_FALSE(tryActivatePowerup(Timewarp));
    EXPECT_FALSE(tryActivatePowerup(FusionPulse));
    updatePowerCharge(1000, 1000);
    EXPECT_FALSE(powerups.multiplierActive);
    EXPECT_FLOAT_EQ(powerups.powerCharge, 0.0f);
}

TEST_F(PowerupTest, GroupsClearedWhileAPowerupIsActiveAddNoCharge) {
    resetFloodFill();
    powerups.timewarpActive = true;
    clearGroup(5);
    EXPECT_FLOAT_EQ(powerups.pendingCharge, 0.0f);
    powerups.timewarpActive = false;
    clearGroup(5);
    EXPECT_FLOAT_EQ(powerups.pendingCharge, 5.0f);
}

TEST_F(PowerupTest, QuicksaveNeedsNinetyPercentOnNormalOrExpert) {
    gametest::goOnline();
    powerups.powerCharge = 300;
    meter.mass = meter.massLimit * 0.95f;
    ASSERT_TRUE(tryActivatePowerup(FusionPulse));
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"quicksave"}));
    gametest::resetWorld(ModeCasual);
    gametest::goOnline();
    powerups.powerCharge = 300;
    meter.mass = meter.massLimit * 0.95f;
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
    powerups.powerCharge = 150;
    tryActivatePowerup(Timewarp);
    meter.mass = 10;
    gametest::runFrames(1, 40);
    EXPECT_NEAR(meter.mass, 10 + 1.5f * 10 / 1000, 1e-4);
    EXPECT_FLOAT_EQ(blockTable[flying].pos.x, 6 * blockUnit) << "flight keeps real time";
    EXPECT_FLOAT_EQ(blockTable[popping].popDelay, -90.0f);
    EXPECT_FLOAT_EQ(play.reloadTimer, 40.0f);
    EXPECT_FLOAT_EQ(modeState.levelTimeMs, 40.0f);
    EXPECT_FLOAT_EQ(modeState.playSeconds, 0.01f);
    EXPECT_NEAR(powerups.powerCharge, 150 - 40.0f / 20000 * 150, 1e-4)
        << "the drain keeps real time";
}

TEST_F(PowerupTest, SurvivalStageClockIsNotSlowedByTimewarp) {
    gametest::resetWorld(ModeSurvival);
    buildMass({{"rgby"}});
    powerups.timewarpActive = true;
    powerups.powerCharge = 300;
    gametest::runFrames(10, 40);
    EXPECT_FLOAT_EQ(modeState.stageTimer, 400.0f);
    EXPECT_FLOAT_EQ(modeState.playSeconds, 0.1f);
}

}  // namespace
