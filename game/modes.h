// Game modes and scoring: startLevel for every mode, the score and its Rush
// drain, Survival's stages and refills, Meditation, the per-level
// statistics and their report, the performance rating and the play-loop
// achievements. Its state is the record `modeState` (game/play_state.h);
// resetModeState clears all but the run's mode, level and replay seed.
#pragma once

#include <cstdint>
#include <string>

#include "game/play_state.h"
#include "protocol/level_statistics.h"

// The next level after a score screen is one more only below this index.
constexpr int32_t levelIndexAdvanceLimit = 20;
constexpr int32_t rushStartScore = 250000;
constexpr int32_t rushLevelIndex = 4;
constexpr int32_t survivalLevelIndex = 1;
constexpr float stageLength = 60000.0f;
constexpr int32_t survivalBlockCap = 50;

// "Casual", "Normal", "Expert", "Rush", "Survival" or "Meditation".
const char* modeName(int32_t mode);
// The modes' share of a level's start: the level's values cleared, the
// mode's start (Rush's score, Survival's stage) applied.
void resetModeState();
// The factor of the current mode (Survival: by stage).
float modeDifficultyFactor();

// Per-frame rules of the modes (not paused).
void updateLevelClocks(float dtMs, float realDtMs);
void updateDisplayScore(float dtMs);
void updateRushDrain(float dtMs);
void updateSurvivalStage(float realDtMs);
void updateSurvivalRefill();
// Once-a-second rotation sample and the score and time achievements.
void updatePlayAchievements(float realDtMs);

// The level's statistics as the server receives them.
LevelStatistics currentLevelStatistics();
// actionCount per game minute, truncated; 0 before any game time has passed.
int32_t actionsPerMinute();
// 3 "Fair" .. 7 "Epic" from the level's score bands; 4 without both values.
int32_t performanceRatingFor(int32_t levelScore, int32_t average, int32_t spread);
// Rates the finished level once, from the score bands the server last reported.
void rateFinishedLevel();
const char* ratingLabel(int32_t rating);

// "Level cleared mode=Normal level=1 score=1200 time=00:41.3" and its kin.
void logLevelEvent(const std::string& event, bool withResult);
// "mm:ss.d" of a time in ms.
std::string formatPlayTime(float ms);
