// The mass meter: steady and owed growth, the few-colours rate, Fusion
// Pulse's fall, the loss, the end sequence that blows the mass apart, and the
// level-clear and run-end handling once no block is left.
// startLevel resets everything here except deathSent.
#pragma once

#include <cstdint>

extern float mass;                 // the meter; 5.4 at level start
extern float massLimit;            // 54.0; passing it loses the level
extern float pendingGrowth;        // growth owed for shots without a match, fed in gradually
extern float growthSinceMatch;     // what pendingGrowth has added since the last match
extern bool fewColours;            // fewer than 3 colours among alive, non-dying blocks
extern bool levelOver;             // play of this level or run has ended; stops its clocks
extern bool endSequence;           // the mass is being destroyed
extern bool endSequenceDone;       // the end sequence has run out
extern bool restartRequested;      // the pause menu's "Restart" was chosen
extern float endTimers[5];         // phase clocks T1..T5 of the end sequence, ms
extern float runOverClock;         // Meditation: ms since the hundredth block arrived
extern float levelClearTimer;      // ms since the mass was found empty; 0 while playing
extern bool scoreSent;             // score.php of this level has been queued
extern bool replyReceived;         // ... and answered
extern int32_t performanceRating;  // 1..7, 0 = not yet rated
extern int32_t sentRating;         // the rating sent with the score (first value only)
extern float scoreWaitClock;       // ms waited for the score reply
extern bool deathSent;             // death.php queued; cleared at a loss and by Restart only

constexpr float startMassLimit = 54.0f;
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
void handleEmptyMass(float dtMs);
