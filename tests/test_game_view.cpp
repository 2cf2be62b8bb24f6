// The game view's rules: number formats, texture names, the HUD texts, the
// mass warning, the power-up fills and the level-complete status line.
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

TEST(Hud, MassWarningStartsAtSixtyPercentAndFullAtNinety) {
    EXPECT_EQ(massWarningAlpha(59), 0.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(60), 0.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(75), 75.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(90), 150.0f);
    EXPECT_FLOAT_EQ(massWarningAlpha(120), 150.0f);
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
