// The mass meter: steady and owed growth, the few-colours rate, Fusion
// Pulse's fall, the loss, the end sequence that blows the mass apart, and the
// level-clear and run-end handling once no block is left.
// Its state is the record `meter` (game/play_state.h); resetMeter clears all
// but deathSent.
#pragma once

#include <cstdint>

#include "game/play_state.h"

constexpr float endPhaseLengths[5] = {150.0f, 200.0f, 300.0f, 400.0f, 500.0f};
constexpr float levelClearWaitMs = 5000.0f;
constexpr int32_t lastClassicLevelIndex = 9;

// mass / massLimit, 0 while there is no limit.
float massRatio();
// Clears the end flags and timers; the same level or run may then begin again.
void resetEndState();
// A new level's meter: a tenth of the starting limit, nothing owed, no end.
void resetMeter();
// Counts colours of alive, non-dying blocks and sets fewColours.
void countColours();
// The meter, the loss test and the Meditation end (game time).
void updateMeter(float dtMs);
void updateEndSequence(float dtMs);
// The pause menu's "Restart": the mass is destroyed and the level begins again.
void requestRestart();
// Runs while no block is alive, also while paused: restart, clear or run end.
// True when the level is to begin again (the play loop starts it).
bool handleEmptyMass(float dtMs);
