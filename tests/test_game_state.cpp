// The screen state machine: the transition table, the fade and the order in
// which screens are updated.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/game_state.h"
#include "engine/textures.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game_test_support.h"
#include "online/account.h"
#include "screens/achieves.h"
#include "screens/classic_mode_select.h"
#include "screens/create_acc.h"
#include "screens/credits.h"
#include "screens/difficulty.h"
#include "screens/fade.h"
#include "screens/game_view.h"
#include "screens/gametype.h"
#include "screens/grats.h"
#include "screens/intro.h"
#include "screens/level_select.h"
#include "screens/login.h"
#include "screens/menu.h"
#include "screens/options.h"
#include "screens/patching.h"
#include "screens/ranking.h"
#include "screens/restart.h"
#include "screens/score_screen.h"
#include "settings/settings.h"
#include "shell/program.h"
#include "shell/state_table.h"
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
        modeState.gameMode = ModeNormal;
        modeState.practiceMode = false;
        modeState.levelIndex = 0;
        scoreRetry = false;
        scoreAwaitingReply = false;
        serverLink.connectionMode = ConnectionOnline;
        loginStep = 0;
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

// The row a transition's name ("MenuToCredits") names on either side of "To".
const GameStateEntry* rowNamed(const std::string& name) {
    for (int i = 0; i < gameStateCount(); i++) {
        if (name == gameStateAt(i).name) return &gameStateAt(i);
    }
    return nullptr;
}

// A transition "AToB" fades out screen A as A draws it and leads to B. Every
// settled screen is reached and left that way, so none is a dead end or out
// of reach; the patch screen alone is entered and left by the patch download.
TEST_F(GameStateTest, EveryScreenIsReachedAndLeftThroughNamedTransitions) {
    std::set<int32_t> reached = {Intro, Patching}, left = {Patching}, seen;
    for (int i = 0; i < gameStateCount(); i++) {
        const GameStateEntry& entry = gameStateAt(i);
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(seen.insert(entry.value).second) << "one row per value";
        EXPECT_EQ(findGameState(entry.value), &entry);
        EXPECT_NE(entry.render, nullptr);
        bool settled = (entry.facts & Settled) != 0;
        EXPECT_EQ(isSettledState(entry.value), settled);
        if (settled) {
            EXPECT_NE(entry.update, nullptr);
            EXPECT_EQ(entry.target, 0);
            EXPECT_EQ(entry.onFadeEnd, nullptr);
            continue;
        }
        std::string name = entry.name;
        size_t to = name.find("To");
        // Restart and Exiting end in a relaunch or the program's end.
        if (to == std::string::npos) continue;
        const GameStateEntry* from = rowNamed(name.substr(0, to));
        const GameStateEntry* into = rowNamed(name.substr(to + 2));
        ASSERT_TRUE(from != nullptr && into != nullptr);
        EXPECT_EQ(entry.render, from->render) << "fades out the screen it leaves";
        EXPECT_EQ(entry.target, into->value);
        left.insert(from->value);
        reached.insert(into->value);
    }
    for (int i = 0; i < gameStateCount(); i++) {
        const GameStateEntry& entry = gameStateAt(i);
        if (!(entry.facts & Settled)) continue;
        EXPECT_TRUE(reached.count(entry.value)) << entry.name << " is never reached";
        EXPECT_TRUE(left.count(entry.value)) << entry.name << " is never left";
    }
    EXPECT_EQ(findGameState(5), nullptr);
    EXPECT_EQ(findGameState(86), nullptr);
}

// The draw dispatcher's facts: which values show the game, the backdrop, the cursor.
TEST_F(GameStateTest, ScreenFactsSayWhatIsDrawnAndHowTheButtonsAct) {
    auto has = [](int32_t value, ScreenFact fact) {
        GameState = value;
        return currentStateHas(fact);
    };
    for (int32_t value : {Game, GameToMenu, GameToScoreScreen, GameToGrats, GameToOptions})
        EXPECT_TRUE(has(value, GameView)) << value;
    EXPECT_FALSE(has(ScoreScreen, GameView));
    for (int32_t value : {Game, GameToMenu, GameToScoreScreen, GameToOptions})
        EXPECT_TRUE(has(value, GameBackground)) << value;
    EXPECT_FALSE(has(GameToGrats, GameBackground)) << "the congratulations bring their own";
    for (int32_t value : {Intro, IntroToLogin, IntroToCreateAcc, Credits, CreditsToMenu})
        EXPECT_TRUE(has(value, NoBackdrop) && has(value, HidesCursor)) << value;
    EXPECT_FALSE(has(MenuToCredits, NoBackdrop));
    for (int32_t value : {Game, ScoreScreen, Grats}) EXPECT_TRUE(has(value, PressesButtons));
    EXPECT_FALSE(has(Ranking, PressesButtons));
    for (int32_t value : {Game, ScoreScreen, Ranking, RankingToMenu})
        EXPECT_TRUE(has(value, ReleasesButtons)) << value;
    EXPECT_FALSE(has(Grats, ReleasesButtons));
    EXPECT_EQ(findGameState(Ranking)->wheel, wheelRanking);
    EXPECT_EQ(findGameState(Achieves)->wheel, wheelAchieves);
    EXPECT_EQ(findGameState(Menu)->wheel, nullptr);
    EXPECT_NE(findGameState(Login)->key, nullptr);
    EXPECT_NE(findGameState(CreateAcc)->key, nullptr);
    EXPECT_EQ(findGameState(Game)->key, nullptr);
}

// A transition's fade takes 500 ms, then sets its target; Meditation's fade
// into the game runs at half speed.
TEST_F(GameStateTest, FadeOutTakes500msThenSetsTheTarget) {
    EXPECT_EQ(fadeOut(MenuToOptions), 25);
    EXPECT_EQ(GameState, Options);
    EXPECT_LE(fadeTimer, 0);
    modeState.gameMode = ModeMeditation;
    modeState.levelIndex = 4;
    EXPECT_EQ(fadeOut(GametypeToGame), 50);
    EXPECT_EQ(GameState, Game);
    EXPECT_EQ(modeState.levelIndex, 0) << "a new game starts at the first level";
    modeState.gameMode = ModeRush;
    EXPECT_EQ(fadeOut(GametypeToGame), 25);
}

// A settled screen fades in once its background is streamed, up to the
// full duration and no further.
TEST_F(GameStateTest, SettledScreenFadesInOnceItsBackgroundIsThere) {
    textureList.clear();
    lastTextureName.clear();
    GameState = Menu;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 0);
    textureQueue.clear();
    markBackgroundStreamed();
    for (float expected : {300.0f, 600.0f, 600.0f}) {
        advanceFade(300);
        EXPECT_FLOAT_EQ(fadeTimer, expected);
    }
}

TEST_F(GameStateTest, ScoreScreenFadesOnlyWhileWaitingOfflineOrPractising) {
    GameState = ScoreScreen;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 0);
    scoreAwaitingReply = true;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 100);
    scoreAwaitingReply = false;
    serverLink.connectionMode = ConnectionOffline;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 200);
    serverLink.connectionMode = ConnectionOnline;
    modeState.practiceMode = true;
    advanceFade(100);
    EXPECT_FLOAT_EQ(fadeTimer, 300);
}

// A screen held black for more than half a second shows that it is waiting;
// the sign goes as soon as the fade moves or the screen changes.
TEST_F(GameStateTest, AFadeHeldPastHalfASecondShowsTheWaitSign) {
    textureList.clear();
    lastTextureName.clear();
    GameState = Menu;
    fadeTimer = 0;
    advanceFade(250);
    advanceFade(250);
    EXPECT_FALSE(fadeWaitShown()) << "at exactly 500 ms";
    advanceFade(20);
    EXPECT_TRUE(fadeWaitShown());
    textureQueue.clear();
    markBackgroundStreamed();
    advanceFade(20);
    EXPECT_FALSE(fadeWaitShown()) << "the background came: the fade moves";
    GameState = ScoreScreen;
    fadeTimer = 0;
    scoreAwaitingReply = false;
    for (int i = 0; i < 30; i++) advanceFade(20);
    EXPECT_TRUE(fadeWaitShown()) << "waiting for the score's reply";
    GameState = ScoreScreenToMenu;
    advanceFade(20);
    EXPECT_FALSE(fadeWaitShown()) << "a transition is no wait";
}

TEST_F(GameStateTest, ScoreScreenToGameAdvancesTheLevelUnlessRetryOrSurvival) {
    modeState.levelIndex = 3;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(GameState, Game);
    EXPECT_EQ(modeState.levelIndex, 4) << "the level starts without beginning a new game";

    scoreRetry = true;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(modeState.levelIndex, 4);
    EXPECT_FALSE(scoreRetry);

    modeState.gameMode = ModeSurvival;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(modeState.levelIndex, survivalLevelIndex)
        << "not advanced; Survival always plays file 2";

    modeState.gameMode = ModeNormal;
    modeState.levelIndex = levelIndexAdvanceLimit;
    fadeOut(ScoreScreenToGame);
    EXPECT_EQ(modeState.levelIndex, levelIndexAdvanceLimit);
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
    modeState.levelIndex = 3;
    fadeOut(ClassicModeSelectToGame);
    EXPECT_EQ(modeState.levelIndex, 0) << "Ranked play begins at the first level";
    modeState.levelIndex = 6;
    modeState.score = 900;
    fadeOut(LevelSelectToGame);
    EXPECT_EQ(modeState.levelIndex, 6) << "Practice plays the chosen level";
    EXPECT_EQ(modeState.score, 0) << "the level started afresh";
    modeState.score = 900;
    optionsFromGame = true;
    fadeOut(OptionsToGame);
    EXPECT_FALSE(optionsFromGame);
    EXPECT_EQ(modeState.score, 900) << "returning from the options resumes the game";
}

TEST_F(GameStateTest, ExitingQuitsAtTheEndOfItsFadeAndRestartStaysBlack) {
    fadeOut(Exiting);
    EXPECT_FALSE(programRunning);
    EXPECT_TRUE(quitPosted);
    GameState = Restart;
    fadeTimer = 500;
    for (int i = 0; i < 40; i++) advanceFade(20);
    EXPECT_EQ(GameState, Restart);
    EXPECT_FLOAT_EQ(fadeAlpha(), 255);
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

// A frame of a second or more (the window dragged, the machine busy) must not
// make the game jump: the meter and the level clock stand still through it
// and go on from where they stood.
TEST_F(GameStateTest, AStalledFrameInPlayMovesNeitherTheMeterNorTheLevelClock) {
    gametest::resetWorld();
    gametest::buildMass({{"rgby"}});
    GameState = Game;
    fadeTimer = fadeDuration;
    for (int frame = 0; frame < 300 && !play.playStarted; frame++) Update(16.0f);
    ASSERT_TRUE(play.playStarted);
    float meterBefore = meter.mass;
    float clockBefore = modeState.levelTimeMs;
    Update(3000.0f);
    EXPECT_FLOAT_EQ(meter.mass, meterBefore);
    EXPECT_FLOAT_EQ(modeState.levelTimeMs, clockBefore);
    Update(16.0f);
    EXPECT_FLOAT_EQ(modeState.levelTimeMs, clockBefore + 16.0f);
    EXPECT_GT(meter.mass, meterBefore) << "the meter grows again with the next frame";
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

}  // namespace
