// The game view drawn into a real GL context: the order of its passes, the
// motion blur's copy and blend, and the level-complete veil and its sound.
#include <gtest/gtest.h>

#include <algorithm>

#include "game_test_support.h"
#include "graphics_test_support.h"
#include "screens/backdrop.h"
#include "screens/game_view.h"
#include "shell/profiler.h"

namespace {

using graphics_test::beginTestFrame;
using graphics_test::pixelAt;
using graphics_test::windowSide;

class GameViewRender : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        gametest::resetWorld();
        graphics_test::resetTextures(512);
        createAtlasPage();
        beginTestFrame();
        MotionBlur = 1;
        blurFrameValid = false;
    }
    void TearDown() override {
        end2D();
        deleteTextures();
        profilingOn = false;
        gametest::restoreWorld();
    }
    static void fillScreen(unsigned char r, unsigned char g, unsigned char b) {
        drawUntexturedRect(0, 0, windowSide, windowSide, r, g, b, 255);
    }
};

// Labels of the sections directly inside the first section named parent.
std::vector<std::string> childrenOf(const std::string& parent) {
    std::vector<std::string> labels;
    int depth = -1;
    for (const ProfileSection& section : lastFrameProfile) {
        if (depth < 0) {
            if (section.label == parent) depth = section.depth;
            continue;
        }
        if (section.depth <= depth) break;
        if (section.depth == depth + 1) labels.push_back(section.label);
    }
    return labels;
}

TEST_F(GameViewRender, RenderGameRunsItsPassesInOrder) {
    ScreenWidth = ScreenHeight = windowSide;
    levelClearTimer = 0;
    profilingOn = true;
    profileFrameStart();
    end2D();
    renderGame();
    profileFrameEnd();
    EXPECT_EQ(childrenOf("renderGame"),
              (std::vector<std::string>{"renderBlocks", "renderParticleSystems", "renderFloatys",
                                        "renderMotionBlur", "renderHUD"}));
    EXPECT_EQ(childrenOf("renderHUD"),
              (std::vector<std::string>{"renderMassWarning", "renderCombo", "renderLevel",
                                        "renderScore", "renderNextBlockPreview", "renderPowerups",
                                        "renderAchievementBanners"}));
}

TEST_F(GameViewRender, HudOutsideClassicHasNoPowerupPanelAndEndsWithThePanelAfterAClear) {
    gametest::resetWorld(ModeRush);
    ScreenWidth = ScreenHeight = windowSide;
    levelClearTimer = 100;
    profilingOn = true;
    profileFrameStart();
    renderHUD();
    profileFrameEnd();
    std::vector<std::string> parts = childrenOf("renderHUD");
    EXPECT_EQ(std::count(parts.begin(), parts.end(), "renderPowerups"), 0);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.back(), "renderLevelComplete");
}

TEST_F(GameViewRender, MotionBlurCopiesFirstAndBlendsThePreviousFrameNext) {
    reserveMotionBlurCopy();
    fillScreen(255, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    EXPECT_TRUE(blurFrameValid);
    EXPECT_EQ(pixelAt(128, 128).r, 255) << "the first frame is only copied";
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    EXPECT_NEAR(pixelAt(128, 128).r, 128, 3) << "half of the red frame over black";
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.0f, true);
    EXPECT_EQ(pixelAt(128, 128).r, 0) << "no amount, no blend";
}

TEST_F(GameViewRender, MotionBlurOutsideTimewarpUnforcedDropsTheCopy) {
    reserveMotionBlurCopy();
    timewarpActive = false;
    fillScreen(255, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    ASSERT_TRUE(blurFrameValid);
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.5f, false);
    EXPECT_FALSE(blurFrameValid);
    EXPECT_EQ(pixelAt(128, 128).r, 0);
}

TEST_F(GameViewRender, LevelCompleteVeilDarkensAndItsSoundPlaysOnce) {
    ScreenWidth = ScreenHeight = windowSide;
    fillScreen(255, 255, 255);
    levelClearTimer = 250;
    renderLevelComplete();
    EXPECT_NEAR(pixelAt(10, 10).r, 255 - 50, 3) << "the veil at half its darkness";
    levelClearTimer = 600;
    renderLevelComplete();
    levelClearTimer = 700;
    renderLevelComplete();
    int plays = 0;
    for (const SoundRequest& sound : gametest::recordedSounds)
        if (sound.name == "endbreakshort3.ogg") plays++;
    EXPECT_EQ(plays, 1);
}

TEST_F(GameViewRender, TwoPopupsShowHalfASecondApartEachSoundingOnce) {
    ScreenWidth = ScreenHeight = windowSide;
    unlockPopups = {{20, false}, {6, false}};
    bannerClock = 0;
    std::vector<float> soundedAt;
    for (int frame = 0; frame < 600 && !unlockPopups.empty(); frame++) {
        advanceBannerClock(10);
        size_t before = gametest::recordedSounds.size();
        renderAchievementBanners();
        for (size_t i = before; i < gametest::recordedSounds.size(); i++)
            if (gametest::recordedSounds[i].name == "cheeve6.ogg") soundedAt.push_back(bannerClock);
    }
    EXPECT_EQ(soundedAt, (std::vector<float>{510.0f, 1010.0f}));
    EXPECT_TRUE(unlockPopups.empty()) << "emptied once every banner has faded";
}

}  // namespace
