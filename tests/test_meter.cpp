// The mass meter: its growth, what matches and Fusion Pulse take off, the
// loss with its end sequence, and where each mode goes after it.
#include <gtest/gtest.h>

#include "base/console_log.h"
#include "game_test_support.h"
#include "online/replies.h"

namespace {

using gametest::buildMass;
using gametest::runFrames;

bool logged(const std::string& line) {
    for (const std::string& entry : consoleHistory)
        if (entry == line) return true;
    return false;
}

// Runs 10 ms frames until `done` or `limit` frames; returns the frames run.
template <typename Done>
int runUntil(Done done, int limit = 2000) {
    int frames = 0;
    while (!done() && frames < limit) {
        runFrames(1);
        frames++;
    }
    return frames;
}

class MeterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        buildMass({{"rgby"}});
    }
};

TEST_F(MeterTest, GrowsOneAndAHalfPerSecondAndTwiceAsFastWithFewColours) {
    countColours();
    updateMeter(1000);
    EXPECT_NEAR(meter.mass, 6.9f, 1e-4);
    gametest::resetWorld();
    buildMass({{"rg"}});
    meter.pendingGrowth = 3;
    countColours();
    updateMeter(1000);
    EXPECT_NEAR(meter.mass, 8.4f, 1e-4);
    EXPECT_FLOAT_EQ(meter.pendingGrowth, 0.0f) << "few colours cancel owed growth";
    meter.mass = 48.7f;
    updateMeter(1000);
    EXPECT_NEAR(meter.mass, 50.2f, 1e-4) << "the fast rate stops at 90 %";
}

TEST_F(MeterTest, OwedGrowthIsPaidInGraduallyAndTakenBackByAMatch) {
    countColours();
    meter.pendingGrowth = 0.54f;
    updateMeter(100);
    float firstStep = 1.5f * 0.54f * 100 / 3000;
    EXPECT_NEAR(meter.growthSinceMatch, firstStep, 1e-5);
    EXPECT_NEAR(meter.mass, 5.4f + 0.15f + firstStep, 1e-4);
    for (int i = 0; i < 400; i++) updateMeter(100);
    EXPECT_NEAR(meter.growthSinceMatch, 0.54f, 0.01f);
    meter.mass = 30;
    meter.pendingGrowth = 1;
    meter.growthSinceMatch = 2;
    resetFloodFill();
    clearGroup(6);
    EXPECT_NEAR(meter.mass, 30 - 6 * 54.0f / 60 * 1.485f - 2, 1e-3);
    EXPECT_FLOAT_EQ(meter.pendingGrowth, 0.0f);
    EXPECT_FLOAT_EQ(meter.growthSinceMatch, 0.0f);
    EXPECT_EQ(play.dropsSinceMatch, 0);
}

TEST_F(MeterTest, MatchesNeverPushTheMassBelowATenthButFusionPulseReachesZero) {
    meter.mass = 6;
    meter.growthSinceMatch = 1;
    resetFloodFill();
    clearGroup(4);
    EXPECT_FLOAT_EQ(meter.mass, 5.4f);
    meter.mass = 30;
    powerups.fusionActive = true;
    countColours();
    updateMeter(100);
    EXPECT_NEAR(meter.mass, 25.0f, 1e-3) << "about 50 per second below the limit";
    updateMeter(1000);
    EXPECT_FLOAT_EQ(meter.mass, 0.0f);
}

TEST_F(MeterTest, ClassicLossRunsTheEndSequenceThenRestartsTheLevelWithItsScoreReset) {
    // Online, so the death report goes out (offline play sends nothing).
    gametest::goOnline();
    modeState.score = 5000;
    meter.mass = meter.massLimit + 0.5f;
    runFrames(1);
    EXPECT_TRUE(meter.endSequence);
    EXPECT_TRUE(meter.levelOver);
    EXPECT_EQ(gametest::countSounds("woob.ogg"), 1);
    EXPECT_TRUE(logged("Level lost mode=Normal level=1 score=5000 time=00:00.0"));
    // The level begins again once the end sequence is over; its start clears the drops.
    modeState.drops = 7;
    int frames = runUntil([] { return modeState.drops == 0; });
    EXPECT_GT(frames, 100) << "the five phases take over a second";
    EXPECT_LT(frames, 200);
    EXPECT_EQ(gametest::countSounds("explosey3.ogg"), 1);
    EXPECT_EQ(modeState.score, 0);
    EXPECT_FALSE(meter.levelOver || meter.endSequence || meter.endSequenceDone);
    EXPECT_EQ(GameState, Game) << "no score screen after a Classic loss";
    int deathReports = 0;
    for (const auto& request : requestLog)
        deathReports += request.url.rfind("death.php?gamemode=2&level=1&score=5000&time=", 0) == 0;
    EXPECT_EQ(deathReports, 1);
}

TEST_F(MeterTest, PracticeLossSendsNoDeathReport) {
    modeState.practiceMode = true;
    meter.mass = meter.massLimit + 1;
    modeState.drops = 7;
    runUntil([] { return modeState.drops == 0; });
    EXPECT_EQ(gametest::countSounds("explosey3.ogg"), 1) << "the mass was blown apart";
    EXPECT_EQ(GameState, Game) << "and the level began again";
    EXPECT_TRUE(requestLog.empty());
}

TEST_F(MeterTest, SurvivalLossEndsTheRunOnTheScoreScreenAfterFiveSeconds) {
    gametest::resetWorld(ModeSurvival);
    buildMass({{"rgby"}});
    meter.mass = meter.massLimit + 1;
    runUntil([] { return meter.levelClearTimer > 0; });
    EXPECT_TRUE(logged("Run ended mode=Survival level=2 score=0 time=00:00.0"));
    int frames = runUntil([] { return GameState != Game; });
    EXPECT_NEAR(frames, 500, 2);
    EXPECT_EQ(GameState, GameToScoreScreen);
    EXPECT_FALSE(meter.levelOver);
    EXPECT_FLOAT_EQ(powerups.powerCharge, 0.0f);
}

TEST_F(MeterTest, RestartInSurvivalBeginsTheRunAgainInsteadOfEndingIt) {
    gametest::resetWorld(ModeSurvival);
    buildMass({{"rgby"}});
    modeState.drops = 7;
    requestRestart();
    int frames = runUntil([] { return modeState.drops == 0; });
    EXPECT_LT(frames, 1000) << "the run began again";
    EXPECT_EQ(GameState, Game);
    EXPECT_FALSE(meter.restartRequested);
}

TEST_F(MeterTest, MeditationHoldsTheMeterAndEndsASecondAfterTheHundredthArrival) {
    gametest::resetWorld(ModeMeditation);
    meter.mass = 40;
    runFrames(1);
    EXPECT_FLOAT_EQ(meter.mass, 5.4f);
    modeState.arrivals = 100;
    runFrames(1);
    EXPECT_TRUE(meter.levelOver);
    int frames = runUntil([] { return meter.endSequence; });
    EXPECT_EQ(frames, 100);
    runUntil([] { return GameState != Game; });
    EXPECT_EQ(GameState, GameToScoreScreen);
}

TEST_F(MeterTest, ALevelEmptiedNearTheLimitStaysWonThroughItsWait) {
    gametest::resetWorld();
    meter.mass = meter.massLimit * 0.9f;
    runUntil([] { return GameState != Game || meter.endSequence; });
    EXPECT_FALSE(meter.endSequence) << "the meter passed the limit during the wait";
    EXPECT_EQ(GameState, GameToScoreScreen);
    EXPECT_EQ(gametest::countSounds("woob.ogg"), 0);
}

TEST_F(MeterTest, EmptyLevelIsClearedAtOnceAndOfflineMovesOnAfterFiveSeconds) {
    gametest::resetWorld();
    runFrames(1);
    EXPECT_GT(meter.levelClearTimer, 0.0f);
    EXPECT_TRUE(logged("Level cleared mode=Normal level=1 score=0 time=00:00.0"));
    EXPECT_EQ(runUntil([] { return GameState != Game; }), 500);
    EXPECT_EQ(GameState, GameToScoreScreen);
    EXPECT_TRUE(requestLog.empty());

    gametest::resetWorld();
    modeState.levelIndex = 9;
    runUntil([] { return GameState != Game; });
    EXPECT_EQ(GameState, GameToGrats) << "the tenth Ranked level leads to the congratulations";
}

TEST_F(MeterTest, OnlineClearWaitsForTheScoreReply) {
    gametest::resetWorld();
    serverLink.connectionMode = ConnectionOnline;
    runFrames(600);
    EXPECT_EQ(GameState, Game);
    ASSERT_EQ(requestLog.size(), 2u);
    EXPECT_EQ(requestLog[1].url,
              "highscore.php?gamemode=2&level=1&username=" + Username + "&userid=" + userId);
    EXPECT_EQ(requestLog[0].kind, ScoreRequest);
    EXPECT_NE(requestLog[0].url.find("&kills=0&performance=4&sessionhash="), std::string::npos);
    serverLink.scoreAnswered = true;
    runFrames(1);
    EXPECT_EQ(GameState, GameToScoreScreen);
    EXPECT_EQ(requestLog.size(), 2u) << "one score report per level";
}

TEST_F(MeterTest, AScoreReplyStalledTenSecondsRaisesTheConnectionPrompt) {
    gametest::resetWorld();
    serverLink.connectionMode = ConnectionOnline;
    serverLink.connectionPrompt = serverLink.promptConnected = false;
    runFrames(1);
    highscoreReply = "success 0 0 0 1";
    dispatchReply(HighscoreRequest, 0, &highscoreReply);
    runUntil([] { return meter.scoreSent; });
    runFrames(999);
    EXPECT_FALSE(serverLink.connectionPrompt) << "the score wait is not past 10 s yet";
    runFrames(2);
    EXPECT_TRUE(serverLink.connectionPrompt);
    EXPECT_TRUE(play.paused);
    scoreReply = "success 1 2 3 4 5 6 7";
    dispatchReply(ScoreRequest, 0, &scoreReply);
    EXPECT_TRUE(serverLink.promptConnected) << "the prompt offers to resume";
    serverLink.connectionPrompt = serverLink.promptConnected = play.paused = false;
    runFrames(10);
    EXPECT_FALSE(serverLink.connectionPrompt) << "an answered score raises no prompt again";
}

TEST_F(MeterTest, AnUnansweredHighscoreRaisesThePromptOnlyOnline) {
    gametest::resetWorld();
    serverLink.connectionPrompt = false;
    highscorePending = true;
    highscoreAnswered = false;
    serverLink.highscoreWaitMs = 0;
    runFrames(1100);
    EXPECT_FALSE(serverLink.connectionPrompt);
    serverLink.connectionMode = ConnectionOnline;
    runFrames(1);
    EXPECT_TRUE(serverLink.connectionPrompt) << "11 s without a highscore reply";
    serverLink.connectionPrompt = play.paused = false;
    highscorePending = false;
}

}  // namespace
