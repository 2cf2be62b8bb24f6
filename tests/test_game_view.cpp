// The game view's rules: number formats, texture names, the HUD texts and
// the alphas and fills that change with time and the meter.
#include <gtest/gtest.h>

#include "game/modes.h"
#include "screens/game_view.h"
#include "settings/settings.h"

namespace {

TEST(NumberFormats, ThousandsGetCommasCountedFromTheRight) {
    EXPECT_EQ(thousandsString(0), "0");
    EXPECT_EQ(thousandsString(999), "999");
    EXPECT_EQ(thousandsString(1000), "1,000");
    EXPECT_EQ(thousandsString(250000), "250,000");
    EXPECT_EQ(thousandsString(1234567), "1,234,567");
    EXPECT_EQ(thousandsString(-45678), "-45,678");
}

TEST(NumberFormats, ClockShowsMinutesAndTwoDigitSeconds) {
    EXPECT_EQ(clockString(65), "1:05");
    EXPECT_EQ(clockString(9), "0:09");
    EXPECT_EQ(clockString(60), "1:00");
    EXPECT_EQ(clockString(600), "10:00");
    EXPECT_EQ(clockString(-3), "0:00");
}

TEST(BlockTextures, FollowColourHighlightAndColourBlindSetting) {
    Colorblind = 0;
    EXPECT_EQ(blockTextureName(3, 0), "red.tga");
    EXPECT_EQ(blockTextureName(7, 1), "greenH.tga");
    Colorblind = 1;
    EXPECT_EQ(blockTextureName(1, 0), "yellowCB.tga");
    EXPECT_EQ(blockTextureName(5, 1), "pinkHCB.tga");
    EXPECT_EQ(blockTextureName(6, 1), "grey.tga") << "white has one image for every style";
    EXPECT_EQ(blockTextureName(0, 0), "");
    EXPECT_EQ(blockTextureName(8, 0), "");
    Colorblind = 0;
}

TEST(HudTexts, LevelLabelNamesTheModeOrTheLevel) {
    EXPECT_EQ(levelLabel(ModeNormal, 2), "Level 3");
    EXPECT_EQ(levelLabel(ModeCasual, 0), "Level 1");
    EXPECT_EQ(levelLabel(ModeSurvival, 1), "Survival");
    EXPECT_EQ(levelLabel(ModeRush, 4), "Rush");
    EXPECT_EQ(levelLabel(ModeMeditation, 0), "Meditation");
}

TEST(HudTexts, StatusLineCountsDownSurvivalUpRushAndBlocksInMeditation) {
    EXPECT_EQ(modeStatusText(ModeSurvival, 0, 0, 0), "1:01");
    EXPECT_EQ(modeStatusText(ModeSurvival, 55500, 0, 0), "0:05");
    EXPECT_EQ(modeStatusText(ModeRush, 0, 125900, 0), "2:05");
    EXPECT_EQ(modeStatusText(ModeMeditation, 0, 0, 37), "Blocks: 63");
    EXPECT_EQ(modeStatusText(ModeExpert, 0, 0, 0), "");
}

TEST(HudTexts, PersonalBestIsLoadingOfflineOrTheNumber) {
    EXPECT_EQ(personalBestText(-1, false), "Personal Best: Loading...");
    EXPECT_EQ(personalBestText(-1, true), "Personal Best: Offline");
    EXPECT_EQ(personalBestText(12345, true), "Personal Best: Offline");
    EXPECT_EQ(personalBestText(1234567, false), "Personal Best: 1,234,567");
    EXPECT_EQ(personalBestText(0, false), "Personal Best: 0");
}

TEST(BlockPass, DyingBlockBrightensOverItsLast200Ms) {
    EXPECT_EQ(dyingOverlayAlpha(-500), 0.0f);
    EXPECT_EQ(dyingOverlayAlpha(-200), 0.0f);
    EXPECT_EQ(static_cast<int>(dyingOverlayAlpha(-100)), 127);
    EXPECT_EQ(dyingOverlayAlpha(0), 255.0f);
}

TEST(BlockPass, AimingPreviewIsFiftyFiveBelowTheFade) {
    EXPECT_EQ(previewAlpha(0), 0.0f);
    EXPECT_EQ(previewAlpha(55), 0.0f);
    EXPECT_EQ(previewAlpha(255), 200.0f);
}

TEST(Hud, MassWarningStartsAtSixtyPercentAndFullAtNinety) {
    EXPECT_EQ(massWarningAlpha(59), 0.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(60), 0.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(75), 75.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(90), 150.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(120), 150.0f);
}

TEST(Hud, NextBlockPreviewCrossFadesFromTheFiredColour) {
    EXPECT_EQ(previousPreviewAlpha(0), 255.0f);
    EXPECT_EQ(currentPreviewAlpha(0), 0.0f);
    EXPECT_EQ(currentPreviewAlpha(189), 255.0f);
    EXPECT_EQ(previousPreviewAlpha(189), 0.0f);
    EXPECT_FLOAT_EQ(currentPreviewAlpha(100), 135.0f);
    EXPECT_FLOAT_EQ(previousPreviewAlpha(100), 120.0f);
}

FloatingText floaty(float age, float value, bool big = false, bool message = false) {
    return {100, 100, "text", age, value, 0, big, message, 0, 0};
}

TEST(FloatingTexts, FadeOverTheirLifeWithTheShadowFasterAndGone) {
    FloatyStyle start = floatyStyle(floaty(0, 0), false, false);
    EXPECT_EQ(start.alpha, 255.0f);
    EXPECT_EQ(start.shadowAlpha, 255.0f);
    FloatyStyle middle = floatyStyle(floaty(1000, 0), false, false);
    EXPECT_FLOAT_EQ(middle.alpha, 127.5f);
    EXPECT_FLOAT_EQ(middle.shadowAlpha, 255.0f - 1000.0f / 1500.0f * 255.0f);
    FloatyStyle late = floatyStyle(floaty(1600, 0), false, false);
    EXPECT_EQ(late.shadowAlpha, 0.0f) << "the shadow is gone after three quarters of the life";
    FloatyStyle gone = floatyStyle(floaty(2000, 0), false, false);
    EXPECT_EQ(gone.alpha, 0.0f);
    FloatyStyle big = floatyStyle(floaty(3000, 0, true), false, false);
    EXPECT_GT(big.alpha, 0.0f) << "the big style lives 4000 ms";
    EXPECT_EQ(floatyStyle(floaty(4000, 0, false, true), false, false).alpha, 0.0f);
}

TEST(FloatingTexts, GrowWithTheirValueAtFirstAndScaleByStyle) {
    EXPECT_FLOAT_EQ(floatyStyle(floaty(0, 0), false, false).scale, 0.5f);
    EXPECT_FLOAT_EQ(floatyStyle(floaty(0, 2000), false, false).scale, 1.0f);
    EXPECT_FLOAT_EQ(floatyStyle(floaty(125, 2000), false, false).scale, 0.75f);
    EXPECT_FLOAT_EQ(floatyStyle(floaty(300, 2000), false, false).scale, 0.5f);
    EXPECT_FLOAT_EQ(floatyStyle(floaty(300, 0), true, false).scale, 0.625f);
    EXPECT_FLOAT_EQ(floatyStyle(floaty(300, 0, true), true, false).scale, 0.9375f);
}

TEST(FloatingTexts, ColourIsWhiteOrangeInRushYellowUnderMultiplierOrForMessages) {
    FloatyStyle plain = floatyStyle(floaty(0, 0), false, false);
    EXPECT_EQ(plain.r + plain.g + plain.b, 3 * 255);
    FloatyStyle rush = floatyStyle(floaty(0, 0), false, true);
    EXPECT_EQ(rush.r, 219);
    EXPECT_EQ(rush.g, 86);
    EXPECT_EQ(rush.b, 0);
    FloatyStyle message = floatyStyle(floaty(0, 0, false, true), false, true);
    EXPECT_EQ(message.g, 255);
    EXPECT_EQ(message.b, 0);
    FloatyStyle multiplied = floatyStyle(floaty(0, 0), true, false);
    EXPECT_EQ(multiplied.r, 255);
    EXPECT_EQ(multiplied.b, 0);
}

TEST(DeathFlash, StreakThenBurstAndBothFadeInTheLastPhase) {
    float timers[5] = {150, 100, 0, 0, 0};
    EXPECT_FLOAT_EQ(deathStreakAlpha(timers), 127.5f);
    EXPECT_EQ(deathBurstAlpha(timers), 0.0f);
    float later[5] = {150, 200, 300, 400, 250};
    EXPECT_FLOAT_EQ(deathStreakAlpha(later), 127.5f);
    EXPECT_FLOAT_EQ(deathBurstAlpha(later), 127.5f);
    float done[5] = {150, 200, 300, 400, 500};
    EXPECT_EQ(deathStreakAlpha(done), 0.0f);
    EXPECT_EQ(deathBurstAlpha(done), 0.0f);
}

TEST(PowerupPanel, SlotsFillOneAfterAnotherUpToTheirThresholds) {
    EXPECT_FLOAT_EQ(powerupFill(0, 25), 0.5f);
    EXPECT_FLOAT_EQ(powerupFill(1, 25), 0.0f);
    EXPECT_FLOAT_EQ(powerupFill(0, 100), 1.0f);
    EXPECT_FLOAT_EQ(powerupFill(1, 100), 0.5f);
    EXPECT_FLOAT_EQ(powerupFill(2, 100), 0.0f);
    EXPECT_FLOAT_EQ(powerupFill(1, 150), 1.0f);
    EXPECT_FLOAT_EQ(powerupFill(2, 225), 0.5f);
    EXPECT_FLOAT_EQ(powerupFill(2, 300), 1.0f);
    EXPECT_FLOAT_EQ(powerupFill(0, -5), 0.0f);
}

TEST(PowerupPanel, BannerFadesOverThreeSeconds) {
    EXPECT_EQ(powerupBannerAlpha(0), 255.0f);
    EXPECT_FLOAT_EQ(powerupBannerAlpha(1500), 127.5f);
    EXPECT_EQ(powerupBannerAlpha(3000), 0.0f);
    EXPECT_EQ(powerupBannerAlpha(5000), 0.0f) << "the idle timer of a new level shows nothing";
}

TEST(AchievementBanners, ShowEveryHalfSecondStayThreeSecondsAndFade) {
    EXPECT_EQ(achievementBannerAlpha(1, 500), 0.0f);
    EXPECT_EQ(achievementBannerAlpha(1, 501), 255.0f);
    EXPECT_EQ(achievementBannerAlpha(2, 900), 0.0f);
    EXPECT_EQ(achievementBannerAlpha(2, 1001), 255.0f);
    EXPECT_EQ(achievementBannerAlpha(1, 3500), 255.0f);
    EXPECT_FLOAT_EQ(achievementBannerAlpha(1, 4000), 127.5f);
    EXPECT_EQ(achievementBannerAlpha(1, 4500), 0.0f);
    EXPECT_FALSE(achievementBannersDone(2, 4500));
    EXPECT_TRUE(achievementBannersDone(2, 5000));
}

TEST(LevelComplete, VeilDarkensAndTextComesAfterHalfASecond) {
    EXPECT_EQ(levelCompleteVeilAlpha(0), 0.0f);
    EXPECT_EQ(levelCompleteVeilAlpha(250), 50.0f);
    EXPECT_EQ(levelCompleteVeilAlpha(4000), 100.0f);
    EXPECT_EQ(levelCompleteTextAlpha(499), 0.0f);
    EXPECT_FLOAT_EQ(levelCompleteTextAlpha(525), 127.5f);
    EXPECT_EQ(levelCompleteTextAlpha(550), 255.0f);
    EXPECT_EQ(levelCompleteTextAlpha(4000), 255.0f);
    EXPECT_FLOAT_EQ(levelCompleteTextAlpha(4500), 127.5f);
    EXPECT_EQ(levelCompleteTextAlpha(5000), 0.0f);
}

TEST(LevelComplete, StatusLineFollowsTheScoreSubmission) {
    EXPECT_EQ(levelCompleteStatus(1000, false, false, false, false), "Submitting score...");
    EXPECT_EQ(levelCompleteStatus(3001, false, false, false, false), "Connecting to server...");
    EXPECT_EQ(levelCompleteStatus(1000, false, true, false, false), "");
    EXPECT_EQ(levelCompleteStatus(1000, false, false, true, false), "");
    EXPECT_EQ(levelCompleteStatus(4000, true, false, false, true), "");
    EXPECT_EQ(levelCompleteStatus(5001, true, false, false, true), "Click to Continue");
    EXPECT_EQ(levelCompleteStatus(5001, true, false, false, false), "");
}

}  // namespace
