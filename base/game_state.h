// The value that selects the screen: a settled screen, or a transition
// that fades out and then sets its target. The state table (shell/state_table.h)
// says what each value does; screens set GameState to move on.
#pragma once

#include <cstdint>

enum GameStateValue : int32_t {
    Intro = 1,
    Menu = 2,
    Game = 3,
    Options = 4,
    Credits = 6,
    Restart = 8,
    GameToMenu = 10,
    MenuToOptions = 11,
    OptionsToMenu = 12,
    OptionsToRestart = 13,
    CreateAcc = 22,
    Login = 27,
    GameToScoreScreen = 29,
    ScoreScreenToGame = 30,
    ScoreScreenToMenu = 31,
    ScoreScreen = 32,
    IntroToCreateAcc = 34,
    CreateAccToMenu = 35,
    CreateAccToLogin = 36,
    LoginToMenu = 37,
    LoginToCreateAcc = 38,
    Gametype = 39,
    MenuToGametype = 40,
    GametypeToGame = 41,
    GametypeToMenu = 42,
    MenuToLogin = 43,
    IntroToLogin = 44,
    Ranking = 49,
    MenuToCredits = 51,
    CreditsToMenu = 52,
    Grats = 56,
    GameToGrats = 57,
    GratsToScoreScreen = 58,
    Exiting = 60,
    MenuToRanking = 61,
    RankingToMenu = 62,
    GameToOptions = 63,
    OptionsToGame = 64,
    GametypeToDifficulty = 65,
    DifficultyToGametype = 67,
    Difficulty = 68,
    Achieves = 69,
    MenuToAchieves = 70,
    AchievesToMenu = 71,
    Patching = 72,
    LevelSelect = 78,
    LevelSelectToGame = 79,
    DifficultyToClassicModeSelect = 80,
    ClassicModeSelect = 81,
    ClassicModeSelectToLevelSelect = 82,
    ClassicModeSelectToDifficulty = 83,
    LevelSelectToClassicModeSelect = 84,
    ClassicModeSelectToGame = 85,
};

extern int32_t GameState;      // current screen or transition, starts at Intro
extern float fadeTimer;        // ms; 0 = black, fadeDuration = fully shown
extern float fadeDuration;     // 500 ms for every fade
extern int32_t hoverItem;      // 1-based item under the mouse, 0 for none
extern int32_t lastHoverItem;  // the remembered value for the hover tick
