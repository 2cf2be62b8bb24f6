// Game modes and scoring: what startLevel builds per mode, Rush's drain,
// Survival's stages and refills, Meditation's end, the statistics record and
// the performance rating.
#include <gtest/gtest.h>

#include <set>

#include "base/console_log.h"
#include "dev/launch_start.h"
#include "engine/fonts.h"
#include "game_test_support.h"
#include "shell/launch_options.h"

namespace {

using gametest::buildMass;
using gametest::placeBlock;

std::vector<int32_t> requestedFiles;

std::vector<Vec3> recordFileNumber(int32_t fileNumber) {
    requestedFiles.push_back(fileNumber);
    return {{0, 0, 0}, {32, 0, 0}};
}

class ModesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        requestedFiles.clear();
    }
};

TEST_F(ModesTest, EachModeReadsItsLevelFileAndStartsFromItsScore) {
    levelSource = recordFileNumber;
    modeState.gameMode = ModeExpert;
    modeState.levelIndex = 6;
    startLevel(0);
    modeState.gameMode = ModeRush;
    startLevel(1);
    EXPECT_EQ(modeState.score, rushStartScore);
    EXPECT_EQ(modeState.displayScore, rushStartScore);
    modeState.gameMode = ModeSurvival;
    startLevel(1);
    EXPECT_EQ(modeState.stageNumber, 1);
    EXPECT_EQ(requestedFiles, (std::vector<int32_t>{7, 5, 2}));
    EXPECT_EQ(aliveBlockCount(), 2);
    EXPECT_EQ(consoleHistory.back(), "Level start mode=Survival level=2");
}

TEST_F(ModesTest, LevelBlocksFlyInFromTwentyBlocksOutHorizontally) {
    levelSource = recordFileNumber;
    startLevel(1);
    const Block& block = blockTable[0];
    Vec3 offset = block.pos - block.targetPos;
    EXPECT_FLOAT_EQ(magnitude(offset), 640.0f);
    EXPECT_FLOAT_EQ(offset.y, 0.0f) << "never along y";
    EXPECT_TRUE(block.settled && block.landed);
    EXPECT_NE(block.colour, White);
}

TEST_F(ModesTest, SilencingTheMusicQuietsTheMelodyAndDrumsOnly) {
    // Two loops playing as the mixer leaves them in the menus, and the hum.
    soundSources = {1, 2, 3};
    soundGains = {0.45f, 0.3f, 0.2f};
    soundPitches = {1.0f, 1.0f, 1.0f};
    soundHandles = {11, 12, 13};
    melodySource = 11;
    drumsSource = 12;
    massHumSource = 13;
    silenceMusicLoops();
    EXPECT_EQ(soundGain(melodySource), 0.0f);
    EXPECT_EQ(soundGain(drumsSource), 0.0f);
    EXPECT_EQ(soundGain(massHumSource), 0.2f) << "only the music loops";
    soundSources.clear();
    soundGains.clear();
    soundPitches.clear();
    soundHandles.clear();
    melodySource = drumsSource = massHumSource = -1;
}

TEST_F(ModesTest, MeditationIsOneWhiteBlockAndAllowsNoShotAfterTheHundredthArrival) {
    gametest::resetWorld(ModeMeditation);
    ASSERT_EQ(aliveBlockCount(), 1);
    EXPECT_EQ(blockTable[0].colour, White);
    EXPECT_TRUE(isAtRest(blockTable[0]));
    // Every colour but white comes up, and nothing else.
    std::set<int32_t> drawn;
    for (int i = 0; i < 200; i++) {
        play.currentColour = -1;
        chooseCurrentColour();
        drawn.insert(play.currentColour);
    }
    EXPECT_EQ(drawn, (std::set<int32_t>{Yellow, Blue, Red, Orange, Pink, Green}));
    modeState.arrivals = 100;
    mouseX = ScreenWidth / 2;
    mouseY = ScreenHeight / 2;
    rightDown = true;
    gametest::runFrames(40);
    EXPECT_EQ(modeState.drops, 0);
}

TEST_F(ModesTest, RushDrains250EachSecondWhileBlocksRemain) {
    gametest::resetWorld(ModeRush);
    buildMass({{"rgby"}});
    for (int i = 0; i < 100; i++) updateRushDrain(10);
    EXPECT_EQ(modeState.score, rushStartScore - 250);
    EXPECT_EQ(modeState.displayScore, modeState.score);
    ASSERT_EQ(matching.floatingTexts.size(), 1u);
    EXPECT_EQ(matching.floatingTexts[0].text, "-1250");
    EXPECT_FLOAT_EQ(matching.floatingTexts[0].value, 1250.0f);
    for (Block& block : blockTable) block.alive = false;
    for (int i = 0; i < 300; i++) updateRushDrain(10);
    EXPECT_EQ(modeState.score, rushStartScore - 250) << "an empty mass stops the drain at once";
}

TEST_F(ModesTest, SurvivalDifficultyFallsWithEachStage) {
    gametest::resetWorld(ModeSurvival);
    EXPECT_FLOAT_EQ(modeDifficultyFactor(), 1.5f);
    modeState.stageNumber = 2;
    EXPECT_NEAR(modeDifficultyFactor(), 1.0225f, 1e-3);
    modeState.stageNumber = 3;
    EXPECT_NEAR(modeDifficultyFactor(), 0.7275f, 1e-3);
    modeState.stageNumber = 40;
    EXPECT_LT(modeDifficultyFactor(), 0.25f);
}

TEST_F(ModesTest, SurvivalStageEndsAfterAMinuteWithFusionPulseAndMessages) {
    gametest::resetWorld(ModeSurvival);
    gametest::goOnline();
    buildMass({{"rgbyrgby"}});
    modeState.redFlag = true;
    bigFont.h = 40.0f;
    for (int i = 0; i < 5999; i++) updateSurvivalStage(10);
    EXPECT_EQ(modeState.stageNumber, 1);
    EXPECT_EQ(gametest::countSounds("clockbeep.ogg"), 10) << "one beep a second in the last ten";
    updateSurvivalStage(10);
    EXPECT_EQ(modeState.stageNumber, 2);
    EXPECT_FLOAT_EQ(modeState.stageTimer, 0.0f);
    EXPECT_TRUE(powerups.fusionActive);
    EXPECT_FLOAT_EQ(powerups.powerCharge, 300.0f);
    EXPECT_EQ(powerups.powerupsUsed[FusionPulse], 0);
    ASSERT_EQ(matching.floatingTexts.size(), 2u);
    EXPECT_EQ(matching.floatingTexts[0].text, "+1000");
    EXPECT_EQ(matching.floatingTexts[1].text, "Stage 1 Clear!");
    EXPECT_EQ(matching.floatingTexts[0].hudLines - matching.floatingTexts[1].hudLines, 1)
        << "the bonus sits one big-font line above the stage message";
    EXPECT_TRUE(matching.floatingTexts[1].big) << "the stage's end is announced large";
    EXPECT_TRUE(matching.floatingTexts[0].message) << "the bonus in the message colour";
    EXPECT_FALSE(matching.floatingTexts[0].big || matching.floatingTexts[1].message);
    bigFont.h = 0.0f;
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"youvegotredonyou"}));
    EXPECT_FALSE(modeState.redFlag);
}

TEST_F(ModesTest, SurvivalRefillsClearedBlocksBesideTheCentreAndSettlesThem) {
    gametest::resetWorld(ModeSurvival);
    buildMass({{"rgb"}, {"ygr"}});
    modeState.refillCredit = 5;
    updateSurvivalRefill();
    EXPECT_EQ(modeState.refillCredit, 0);
    EXPECT_EQ(aliveBlockCount(), 11);
    for (const Block& block : blockTable) {
        if (!block.alive) continue;
        EXPECT_TRUE(block.settled);
        EXPECT_NE(block.colour, White);
    }
    while (aliveBlockCount() < 48) placeBlock(aliveBlockCount(), 5, 5, Red);
    modeState.refillCredit = 3;
    updateSurvivalRefill();
    EXPECT_EQ(modeState.refillCredit, 0) << "over 50 blocks the credit is dropped";
    EXPECT_EQ(aliveBlockCount(), 48);
}

TEST_F(ModesTest, RatingBandsFollowTheAverageAndSpread) {
    EXPECT_EQ(performanceRatingFor(500, 0, 100), 4);
    EXPECT_EQ(performanceRatingFor(500, 1000, 0), 4);
    EXPECT_EQ(performanceRatingFor(799, 1000, 200), 3);
    EXPECT_EQ(performanceRatingFor(800, 1000, 200), 4);
    EXPECT_EQ(performanceRatingFor(1200, 1000, 200), 5);
    EXPECT_EQ(performanceRatingFor(1400, 1000, 200), 6);
    EXPECT_EQ(performanceRatingFor(1599, 1000, 200), 6);
    EXPECT_EQ(performanceRatingFor(1600, 1000, 200), 7);
    EXPECT_STREQ(ratingLabel(7), "Epic");
    EXPECT_STREQ(ratingLabel(1), "Awful");
}

TEST_F(ModesTest, StatisticsRecordSendsTimeAsAFractionToDeathAndWholeSecondsToScore) {
    modeState.gameMode = ModeExpert;
    modeState.levelIndex = 2;
    modeState.score = 12345;
    modeState.levelTimeMs = 61999.5f;
    modeState.playSeconds = 30;
    modeState.actionCount = 45;
    controls = 1;
    modeState.drops = 40;
    modeState.rotateCount = 7;
    powerups.powerupsEarned[Multiplier] = 2;
    powerups.powerupsUsed[Timewarp] = 1;
    matching.kills = 33;
    meter.performanceRating = 5;
    EXPECT_EQ(statisticsRecord(currentLevelStatistics(), false),
              "gamemode=3&level=3&score=12345&time=61.9995&apm=90&controls=1&drops=40&rotates=7"
              "&pup1earned=2&pup2earned=0&pup3earned=0&pup1used=0&pup2used=1&pup3used=0&kills=33");
    EXPECT_EQ(statisticsRecord(currentLevelStatistics(), true),
              "gamemode=3&level=3&score=12345&time=61&apm=90&controls=1&drops=40&rotates=7"
              "&pup1earned=2&pup2earned=0&pup3earned=0&pup1used=0&pup2used=1&pup3used=0&kills=33"
              "&performance=5");
    modeState.levelTimeMs = 41350;
    EXPECT_NE(statisticsRecord(currentLevelStatistics(), false).find("&time=41.35&"),
              std::string::npos);
    modeState.playSeconds = 0;
    EXPECT_EQ(actionsPerMinute(), 0);
    // Found by the replay fuzzer: a frame of 1e-45 ms is time that rounds to
    // no minutes at all, and 0 / 0 made the statistic undefined.
    modeState.playSeconds = 1.4e-45f;
    EXPECT_EQ(actionsPerMinute(), 0);
    modeState.actionCount = 5;
    modeState.playSeconds = 1e-30f;
    EXPECT_EQ(actionsPerMinute(), INT32_MAX);
}

TEST_F(ModesTest, LogLinesCarryModeLevelScoreAndTime) {
    modeState.gameMode = ModeRush;
    modeState.levelIndex = 4;
    modeState.score = 199750;
    modeState.levelTimeMs = 65432;
    logLevelEvent("Level cleared", true);
    EXPECT_EQ(consoleHistory.back(), "Level cleared mode=Rush level=5 score=199750 time=01:05.4");
    EXPECT_EQ(formatPlayTime(0), "00:00.0");
}

std::vector<std::string> earnedKeys;  // achievements play earned, in order

void recordEarned(const std::string& key) {
    earnedKeys.push_back(key);
}

// Personal growth is a Classic score above a known best: equalling it is not
// enough, and other modes and an unknown best earn nothing.
TEST_F(ModesTest, PersonalGrowthNeedsAClassicScoreAboveTheBest) {
    PlayRequests installed = playRequests;
    playRequests.achievement = recordEarned;
    const struct {
        int32_t mode, best, score;
        bool earned;
    } cases[] = {{ModeNormal, 500, 500, false}, {ModeNormal, 500, 501, true},
                 {ModeCasual, 1, 2, true},      {ModeRush, 500, 501, false},
                 {ModeNormal, 0, 1, false},     {ModeNormal, -1, 1, false}};
    for (const auto& c : cases) {
        earnedKeys.clear();
        modeState.gameMode = c.mode;
        serverLink.personalBest = c.best;
        modeState.score = c.score;
        updatePlayAchievements(0);
        EXPECT_EQ(std::count(earnedKeys.begin(), earnedKeys.end(), "personalgrowth"), c.earned)
            << c.mode << " " << c.best << " " << c.score;
    }
    playRequests = installed;
    serverLink.personalBest = -1;
}

// "mode", "mode:level" and "ranked:mode[:level]"; a level past 10, a
// level that is no number, an unknown mode or a bare "ranked" are refused.
TEST(StartOption, ModeOptionalClassicLevelAndTheRankedForm) {
    const struct {
        const char* text;
        bool read;
        int32_t mode, level;
        bool ranked;
    } cases[] = {{"expert:10", true, ModeExpert, 10, false},
                 {"meditation", true, ModeMeditation, 0, false},
                 {"ranked:casual:10", true, ModeCasual, 10, true},
                 {"ranked:normal", true, ModeNormal, 0, true},
                 {"normal:11", false, 0, 0, false},
                 {"normal:2x", false, 0, 0, false},
                 {"chess", false, 0, 0, false},
                 {"ranked", false, 0, 0, false}};
    for (const auto& c : cases) {
        int32_t mode = -1, level = -1;
        bool ranked = !c.ranked;
        EXPECT_EQ(parseStartMode(c.text, mode, level, ranked), c.read) << c.text;
        if (!c.read) continue;
        EXPECT_EQ(mode, c.mode) << c.text;
        EXPECT_EQ(level, c.level) << c.text;
        EXPECT_EQ(ranked, c.ranked) << c.text;
    }
    gametest::resetWorld();
    beginGame(ModeCasual, 10, true);
    EXPECT_FALSE(modeState.practiceMode) << "ranked: the run counts";
    EXPECT_EQ(modeState.levelIndex, 9);
    beginGame(ModeCasual, 10);
    EXPECT_TRUE(modeState.practiceMode);
    gametest::restoreWorld();
}

}  // namespace
