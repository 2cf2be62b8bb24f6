// Game mode, practice flag and level of the current game.
#pragma once

#include <cstdint>

enum GameModeValue : int32_t {
    ModeCasual = 1,
    ModeNormal = 2,
    ModeExpert = 3,
    ModeRush = 4,
    ModeSurvival = 5,
    ModeMeditation = 6,
};

extern int32_t gameMode;         // GameModeValue
extern bool practiceMode;        // Classic practice: no ranking
extern int32_t levelIndex;       // 0-based
extern int32_t startLevelCalls;  // how often startLevel ran (until the mass exists)
extern int32_t lastStartLevelArgument;

constexpr int32_t lastLevelIndex = 20;

// Resets the play state and loads the level (1 = a fresh game).
void startLevel(int32_t freshGame);
