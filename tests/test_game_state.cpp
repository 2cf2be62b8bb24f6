// The screen state machine: the transition table, the fade and the order in
// which screens are updated.
#include <gtest/gtest.h>

#include <set>

#include "engine/textures.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "screens/screens.h"
#include "settings/settings.h"
#include "shell/game_state.h"
#include "shell/main_loop.h"
#include "sound/sound.h"

namespace {

std::vector<SoundRequest> soundRequests;  // play requests seen by the test's observer

void recordSoundRequest(const SoundRequest& request) {
    soundRequests.push_back(request);
}

class GameStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GameState = Intro;
        fadeTimer = 0;
        fadeDuration = 500;
        hoverItem = lastHoverItem = 0;
        gameMode = ModeNormal;
        practiceMode = false;
        levelIndex = 0;
        scoreRetry = false;
        scoreAwaitingReply = false;
        connectionMode = ConnectionOnline;
        loginStep = 0;
        startLevelCalls = 0;
        lastStartLevelArgument = -1;
        programRunning = true;
        quitPosted = false;
        soundRequests.clear();
        soundRequestObserver = recordSoundRequest;
        ScreenWidth = 1280;
        ScreenHeight = 720;
        markBackgroundStreamed();
    }

    // The menus' backdrop counts as loaded, so settled screens may fade in.
    static void markBackgroundStreamed() {
        textureList.clear();
        textureList.push_back({"background1.tga", 250, 1920, 1080, 0, 0, 0});
        lastTextureName.clear();
        lastTextureIndex = -1;
    }

    void TearDown() override { soundRequestObserver = nullptr; }

    // Runs a transition's fade to its end in 20 ms frames; returns the frames it took.
    int fadeOut(int32_t transition) {
        GameState = transition;
        fadeTimer = fadeDuration;
        int frames = 0;
        while (GameState == transition && frames < 1000) {
            advanceFade(20);
            frames++;
        }
        return frames;
    }
};

TEST_F(GameStateTest, EveryValueAppearsOnceAndTargetsAreSettledOrRestart) {
    std::set<int32_t> seen;
    for (int i = 0; i < gameStateCount(); i++) {
        const GameStateEntry& entry = gameStateAt(i);
        EXPECT_TRUE(seen.insert(entry.value).second) << entry.name;
        EXPECT_NE(entry.render, nullptr) << entry.name;
        if (entry.target != 0) {
            EXPECT_FALSE(isSettledState(entry.value)) << entry.name;
            EXPECT_TRUE(isSettledState(entry.target) || entry.target == Restart) << entry.name;
        }
    }
    EXPECT_EQ(seen.size(), 53u);
    EXPECT_EQ(findGameState(5), nullptr);
    EXPECT_EQ(findGameState(86), nullptr);
}

TEST_F(GameStateTest, SettledScreensHaveUpdatesAndTransitionsMostlyDoNot) {
    for (int i = 0; i < gameStateCount(); i++) {
        const GameStateEntry& entry = gameStateAt(i);
        bool updatesWhileLeaving =
            entry.value == GameToScoreScreen || entry.value == GratsToScoreScreen;
        if (isSettledState(entry.value) || entry.value == Restart) {
            EXPECT_NE(entry.update, nullptr) << entry.name;
        } else if (!updatesWhileLeaving) {
            EXPECT_EQ(entry.update, nullptr) << entry.name;
        }
    }
    EXPECT_EQ(findGameState(GameToScoreScreen)->update, findGameState(Game)->update);
    EXPECT_EQ(findGameState(GratsToScoreScreen)->update, findGameState(Grats)->update);
}

TEST_F(GameStateTest, TransitionsDrawTheScreenTheyLeave) {
    EXPECT_EQ(findGameState(MenuToOptions)->render, findGameState(Menu)->render);
    EXPECT_EQ(findGameState(GameToOptions)->render, findGameState(Game)->render);
    EXPECT_EQ(findGameState(ScoreScreenToGame)->render, findGameState(ScoreScreen)->render);
    EXPECT_EQ(findGameState(Exiting)->render, findGameState(Menu)->render);
    EXPECT_EQ(findGameState(IntroToLogin)->render, findGameState(Intro)->render);
}

TEST_F(GameStateTest, FadeOutTakes500msThenSetsTheTarget) {
    EXPECT_EQ(fadeOut(MenuToOptions), 25);
    EXPECT_EQ(GameState, Options);
    EXPECT_LE(fadeTimer, 0);
}

TEST_F(GameStateTest, MeditationFadeIntoTheGameRunsAtHalfSpeed) {
    gameMode = ModeMeditation;
    EXPECT_EQ(fadeOut(GametypeToGame), 50);
    EXPECT_EQ(GameState, Game);
    EXPECT_EQ(startLevelCalls, 1);
    EXPECT_EQ(lastStartLevelArgument, 1);

    gameMode = ModeRush;
    EXPECT_EQ(fadeOut(GametypeToGame), 25);
}

TEST_F(GameStateTest, SettledScreenFadesInUpToTheFullDuration) {
    GameState = Menu;
    fadeTimer = 0;
    advanceFade(300);
    EXPECT_FLOAT_EQ(fadeTimer, 300);
    advanceFade(300);
    EXPECT_FLOAT_EQ(fadeTimer, 600);
    advanceFade(300);
    EXPECT_FLOAT_EQ(fadeTimer, 600) << "no growth once past the duration";
}

TEST_F(GameStateTest, SettledScreenWaitsForItsBackgroundBeforeFadingIn) {
    textureList.clear();
    lastTextureName.clear();
    GameState = Menu;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 0);
    textureQueue.clear();
    markBackgroundStreamed();
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 100);
}

TEST_F(GameStateTest, ScoreScreenFadesOnlyWhileWaitingOfflineOrPractising) {
    GameState = ScoreScreen;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 0);
    scoreAwaitingReply = true;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 100);
    scoreAwaitingReply = false;
    connectionMode = ConnectionOffline;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 200);
    connectionMode = ConnectionOnline;
    practiceMode = true;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 300);
}

TEST_F(GameStateTest, ScoreScreenToGameAdvancesTheLevelUnlessRetryOrSurvival) {
    levelIndex = 3;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(GameState, Game);
    EXPECT_EQ(levelIndex, 4);
    EXPECT_EQ(lastStartLevelArgument, 0);

    scoreRetry = true;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(levelIndex, 4);
    EXPECT_FALSE(scoreRetry);

    gameMode = ModeSurvival;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(levelIndex, survivalLevelIndex) << "not advanced; Survival always plays file 2";

    gameMode = ModeNormal;
    levelIndex = lastLevelIndex;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(levelIndex, lastLevelIndex);
}

TEST_F(GameStateTest, ScoreScreenArrivalsStartTheSlideIn) {
    for (int32_t transition : {GameToScoreScreen, GratsToScoreScreen}) {
        scoreSlideActive = false;
        scoreSlideOffset = 0;
        fadeOut(transition);
        EXPECT_EQ(GameState, ScoreScreen);
        EXPECT_TRUE(scoreSlideActive);
        EXPECT_FLOAT_EQ(scoreSlideOffset, -1280);
    }
}

TEST_F(GameStateTest, AccountTransitionsSetTheSubScreen) {
    loginStep = 5;
    fadeOut(CreateAccToLogin);
    EXPECT_EQ(GameState, Login);
    EXPECT_EQ(loginStep, 1);
    loginStep = 13;
    fadeOut(CreateAccToLogin);
    EXPECT_EQ(loginStep, 13);
    fadeOut(LoginToCreateAcc);
    EXPECT_EQ(GameState, CreateAcc);
    EXPECT_EQ(loginStep, 20);
    loginPassword = "secret";
    fadeOut(MenuToLogin);
    EXPECT_TRUE(loginPassword.empty());
}

TEST_F(GameStateTest, GameStartsFromTheMenusRunTheRightLevelStart) {
    fadeOut(ClassicModeSelectToGame);
    EXPECT_EQ(lastStartLevelArgument, 1);
    fadeOut(LevelSelectToGame);
    EXPECT_EQ(lastStartLevelArgument, 0);
    EXPECT_EQ(startLevelCalls, 2);
    optionsFromGame = true;
    fadeOut(OptionsToGame);
    EXPECT_FALSE(optionsFromGame);
    EXPECT_EQ(startLevelCalls, 2) << "returning from the options resumes the game";
}

TEST_F(GameStateTest, ExitingQuitsAtTheEndOfItsFade) {
    fadeOut(Exiting);
    EXPECT_FALSE(programRunning);
    EXPECT_TRUE(quitPosted);
}

TEST_F(GameStateTest, FadeAlphaStaysWithinRange) {
    for (float timer : {-900.0f, 0.0f, 250.0f, 500.0f, 1e9f}) {
        fadeTimer = timer;
        EXPECT_GE(fadeAlpha(), 0);
        EXPECT_LE(fadeAlpha(), 255);
    }
    fadeTimer = 250;
    EXPECT_FLOAT_EQ(fadeAlpha(), 127.5f);
    fadeTimer = -10;
    EXPECT_FLOAT_EQ(fadeAlpha(), 255);
}

TEST_F(GameStateTest, FirstFrameAdvancesNoFadeOrTimer) {
    GameState = MenuToOptions;
    fadeTimer = 500;
    blinkTimer = 0;
    Update(86400000.0f);
    EXPECT_EQ(GameState, MenuToOptions);
    EXPECT_FLOAT_EQ(fadeTimer, 500);
    EXPECT_EQ(blinkTimer, 0);
    Update(999.0f);
    EXPECT_EQ(GameState, Options);
}

TEST_F(GameStateTest, HoverTickOnlyOnAChangeToAnItemOfAShownScreen) {
    GameState = Menu;
    fadeTimer = 500;
    hoverItem = 2;
    UpdateFadeIn(16);
    ASSERT_EQ(soundRequests.size(), 1u);
    EXPECT_EQ(soundRequests[0].name, "tick.ogg");
    EXPECT_FLOAT_EQ(soundRequests[0].gain, 0.5f);
    EXPECT_FLOAT_EQ(soundRequests[0].pitch, 1.0f);
    UpdateFadeIn(16);
    hoverItem = 0;
    UpdateFadeIn(16);
    EXPECT_EQ(soundRequests.size(), 1u) << "same item and no item stay silent";

    fadeTimer = 100;
    hoverItem = 3;
    UpdateFadeIn(16);
    EXPECT_EQ(soundRequests.size(), 1u) << "silent while the screen still fades in";
}

TEST_F(GameStateTest, RestartFadesToBlackAndStays) {
    GameState = Restart;
    fadeTimer = 500;
    for (int i = 0; i < 40; i++) advanceFade(20);
    EXPECT_EQ(GameState, Restart);
    EXPECT_FLOAT_EQ(fadeAlpha(), 255);
}

}  // namespace
