// The score screen's lines, colours and buttons, and the fireworks of the
// congratulations: when rockets launch, how they fly and where they burst.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/game_state.h"
#include "base/pointer.h"
#include "game/modes.h"
#include "screens/grats.h"
#include "screens/score_screen.h"
#include "settings/settings.h"

namespace {

bool colourIs(const unsigned char colour[3], int r, int g, int b) {
    return colour[0] == r && colour[1] == g && colour[2] == b;
}

// Offline says so, online waits with "Loading..." until the reply; a gain is
// green with a plus (pending while its replay is owed), a loss red, no change white.
TEST(ScoreScreenLines, SkillpointsSayOfflineLoadingGainLossOrNoChange) {
    const struct {
        int32_t before, after;
        bool offline, pending;
        const char *label, *value, *mark;
        unsigned char r, g, b;
    } cases[] = {
        {-1, -1, true, false, "Skillpoints", "Offline", "", 255, 255, 255},
        {-1, -1, false, false, "Skillpoints", "Loading...", "", 255, 255, 255},
        {1000, 1250, false, false, "Skillpoints Earned:", "+250", "", 116, 185, 35},
        {1000, 1250, false, true, "Skillpoints Earned:", "+250", " pending", 116, 185, 35},
        {1234567, 1000, false, false, "Skillpoints Lost:", "-1,233,567", "", 255, 0, 0},
        {1250, 1000, false, true, "Skillpoints Lost:", "-250", "", 255, 0, 0},
        {800, 800, false, true, "Skillpoints:", "No Change", "", 255, 255, 255},
    };
    for (const auto& c : cases) {
        ScoreLine line = skillpointsLine(c.before, c.after, c.offline, c.pending);
        SCOPED_TRACE(std::string(c.label) + " " + c.value + c.mark);
        EXPECT_EQ(line.label, c.label);
        EXPECT_EQ(line.value, c.value);
        EXPECT_EQ(line.mark, c.mark);
        EXPECT_TRUE(colourIs(line.valueColour, c.r, c.g, c.b));
    }
    EXPECT_EQ(rankLine(ModeCasual, -1, -1, true).label, "Casual Rank:");
    EXPECT_EQ(rankLine(ModeCasual, -1, -1, true).value, "Offline");
    EXPECT_EQ(rankLine(ModeMeditation, -1, 0, false).value, "Loading...") << "rank 0 is no rank";
}

TEST(ScoreScreenLines, RankShowsItsChangeOnlyWhenThereWasARankBefore) {
    ScoreLine line = rankLine(ModeNormal, 0, 42, false);
    EXPECT_EQ(line.label, "Normal Rank:");
    EXPECT_EQ(line.value, "#42");
    EXPECT_EQ(line.mark, "") << "never ranked before";
    line = rankLine(ModeSurvival, 10, 7, false);
    EXPECT_EQ(line.label, "Survival Rank:");
    EXPECT_EQ(line.mark, " +3");
    EXPECT_TRUE(colourIs(line.markColour, 116, 185, 35));
    line = rankLine(ModeRush, 7, 10, false);
    EXPECT_EQ(line.mark, " -3");
    EXPECT_TRUE(colourIs(line.markColour, 255, 0, 0));
    EXPECT_EQ(rankLine(ModeExpert, 5, 5, false).mark, "");
}

struct ScoreScreenButtons : ::testing::Test {
    void SetUp() override {
        ScreenWidth = 1280;
        ScreenHeight = 720;
        scoreSlideOffset = 0;
        scoreSlideActive = false;
        scoreRetry = false;
        GameState = ScoreScreen;
        leftDown = false;
    }
    // A click at the centre of the button row, dx screen widths from the middle.
    void clickAt(float dx) {
        mouseX = static_cast<int32_t>(640 + dx * 1280);
        mouseY = 360;
        for (int y = 300; y < 720 && hoveredScoreButton() == 0; y++) mouseY = y;
        leftDown = true;
        UpdateScoreScreen(16);
    }
};

TEST_F(ScoreScreenButtons, RushHasNoMiddleButton) {
    modeState.gameMode = ModeRush;
    clickAt(0);
    EXPECT_EQ(GameState, ScoreScreen);
    EXPECT_FALSE(leftDown) << "the click is taken all the same";
}

TEST_F(ScoreScreenButtons, ContinueLeadsToTheNextLevelOrAfterTheLastToTheMenu) {
    modeState.gameMode = ModeCasual;
    modeState.levelIndex = 3;
    clickAt(0);
    EXPECT_EQ(GameState, ScoreScreenToGame);
    EXPECT_FALSE(scoreRetry);
    GameState = ScoreScreen;
    modeState.levelIndex = 9;
    clickAt(0);
    EXPECT_EQ(GameState, ScoreScreenToMenu);
}

TEST_F(ScoreScreenButtons, RetryReplaysAndQuitLeaves) {
    modeState.gameMode = ModeSurvival;
    clickAt(-0.15f);
    EXPECT_EQ(GameState, ScoreScreenToGame);
    EXPECT_TRUE(scoreRetry);
    GameState = ScoreScreen;
    clickAt(0.15f);
    EXPECT_EQ(GameState, ScoreScreenToMenu);
}

TEST_F(ScoreScreenButtons, ThePanelSlidesInFromTheLeft) {
    startScoreScreenSlide();
    EXPECT_FLOAT_EQ(scoreSlideOffset, -1280);
    UpdateScoreScreen(16);
    EXPECT_GT(scoreSlideOffset, -1280);
    for (int i = 0; i < 100; i++) UpdateScoreScreen(16);
    EXPECT_FLOAT_EQ(scoreSlideOffset, 0);
    EXPECT_FALSE(scoreSlideActive);
}

// ---- fireworks ----

struct Fireworks : ::testing::Test {
    void SetUp() override {
        rockets.clear();
        for (PolyparticleBurst& burst : gratsBursts) burst.alive = false;
        launchTimer = launchDelayMs = 0;
        GameState = Grats;
    }
};

TEST_F(Fireworks, ARocketBurstsIntoTheFirstFreeSlotAfterItsSecond) {
    gratsBursts[0].alive = true;
    gratsBursts[0].age = 0;
    rockets.push_back({{10, 500, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 990, 1000, 2, 0});
    launchTimer = -1e9f;  // no launch in this test
    updateFireworks(5);
    EXPECT_EQ(rockets.size(), 1u) << "995 ms is not past its lifetime";
    updateFireworks(10);
    EXPECT_TRUE(rockets.empty());
    EXPECT_TRUE(gratsBursts[1].alive);
    EXPECT_EQ(gratsBursts[1].texture, "blueparticle.tga");
    EXPECT_FLOAT_EQ(gratsBursts[1].position.x, 10);
    EXPECT_STREQ(rocketParticleTexture(0), "yellowparticle.tga");
    EXPECT_STREQ(rocketParticleTexture(1), "yellowparticle.tga");
    EXPECT_STREQ(rocketParticleTexture(6), "whiteparticle.tga");
}

TEST_F(Fireworks, AClickLeadsToTheScoreScreen) {
    leftDown = true;
    UpdateGrats(16);
    EXPECT_EQ(GameState, GratsToScoreScreen);
    EXPECT_FALSE(leftDown);
}

}  // namespace
