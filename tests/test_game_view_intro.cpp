// The intro's steps: waiting for start-up and the splash, the one loading
// frame, the 3.5 s timer, and the hand-over of a --start game.
#include <gtest/gtest.h>

#include "base/frame_state.h"
#include "base/game_state.h"
#include "engine/textures.h"
#include "game/modes.h"
#include "online/account.h"
#include "screens/intro.h"

namespace {

TEST(IntroSteps, NothingRunsBeforeStartUpAndTheSplash) {
    EXPECT_EQ(introStep(false, true, false, 0, false, false), IntroWaiting);
    EXPECT_EQ(introStep(true, false, false, 0, false, false), IntroWaiting);
    EXPECT_EQ(introStep(false, false, true, 5000, true, true), IntroWaiting);
}

TEST(IntroSteps, TheFirstReadyFrameLoadsOnce) {
    EXPECT_EQ(introStep(true, true, false, 0, false, false), IntroLoading);
    EXPECT_EQ(introStep(true, true, false, 0, true, true), IntroLoading)
        << "a --start game also waits for the loading step";
    EXPECT_EQ(introStep(true, true, true, 16, false, false), IntroShowing);
}

TEST(IntroSteps, TheSplashStaysThreeAndAHalfSeconds) {
    EXPECT_EQ(introStep(true, true, true, 3500, false, true), IntroShowing);
    EXPECT_EQ(introStep(true, true, true, 3501, false, true), IntroFinished);
}

TEST(IntroSteps, AStartGameBeginsOnceEveryPreloadedTextureHasStreamed) {
    EXPECT_EQ(introStep(true, true, true, 100, true, false), IntroShowing);
    EXPECT_EQ(introStep(true, true, true, 100, true, true), IntroStartGame);
    EXPECT_EQ(introStep(true, true, true, 9000, true, false), IntroShowing)
        << "never finishes without its game";
}

TEST(IntroUpdate, TimerStandsUntilStartUpHasFinished) {
    int32_t savedStage = startupStage;
    startupStage = 0;
    introTimer = 0;
    textureList.push_back({"briskogames.tga", 250, 8, 8, 0, 0, 0});
    UpdateIntro(16);
    EXPECT_EQ(introTimer, 0.0f);
    EXPECT_FALSE(introLoaded);
    textureList.pop_back();
    lastTextureName.clear();
    startupStage = savedStage;
}

TEST(IntroUpdate, APendingStartBeginsItsGameOfflineOnceStreamed) {
    int32_t savedState = GameState;
    startupStage = startupFinished;
    introLoaded = true;
    textureQueue.clear();
    textureList.push_back({"briskogames.tga", 250, 8, 8, 0, 0, 0});
    serverLink.connectionMode = ConnectionOnline;
    pendingStart = {ModeExpert, 3, false, 0};
    UpdateIntro(16);
    EXPECT_EQ(GameState, Game);
    EXPECT_EQ(modeState.gameMode, ModeExpert);
    EXPECT_EQ(modeState.levelIndex, 2);
    EXPECT_TRUE(modeState.practiceMode) << "a chosen level is a Practice game";
    EXPECT_EQ(serverLink.connectionMode, ConnectionOffline);
    EXPECT_EQ(pendingStart.mode, 0) << "the request is used once";
    EXPECT_EQ(serverLink.sessionhash.size(), 14u + 32u);

    pendingStart = {ModeRush, 0, false, 0};
    UpdateIntro(16);
    EXPECT_EQ(modeState.gameMode, ModeRush);
    EXPECT_FALSE(modeState.practiceMode);
    textureList.pop_back();
    lastTextureName.clear();
    serverLink.connectionMode = ConnectionOnline;
    GameState = savedState;
    introLoaded = false;
    startupStage = 0;
}

}  // namespace
