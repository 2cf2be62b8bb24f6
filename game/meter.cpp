#include "game/meter.h"

#include <algorithm>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "game/blocks.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/play_effects.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "game/tutorials.h"

float mass = 5.4f;
float massLimit = startMassLimit;
float pendingGrowth = 0.0f;
float growthSinceMatch = 0.0f;
bool fewColours = false;
bool levelOver = false;
bool endSequence = false;
bool endSequenceDone = false;
bool restartRequested = false;
float endTimers[5] = {};
float runOverClock = 0.0f;
float levelClearTimer = 0.0f;
bool scoreSent = false;
bool replyReceived = false;
int32_t performanceRating = 0;
int32_t sentRating = 0;
float scoreWaitClock = 0.0f;
bool deathSent = false;

static constexpr float growthPerSecond = 1.5f;
static constexpr float fewColoursGrowthPerSecond = 3.0f;
static constexpr float fewColoursCeilingPercent = 90.0f;
static constexpr float fusionDivisor = 3.0f;
static constexpr float pendingGrowthDivisor = 3000.0f;
static constexpr float endTargetFactor = -5.0f;
static constexpr float explosionAtMs = 75.0f;
static constexpr float meditationEndDelayMs = 1000.0f;
static constexpr float meterWarningShare = 0.8f;
static constexpr int32_t minimumColours = 3;

void resetEndState() {
    endSequence = endSequenceDone = restartRequested = false;
    std::fill(std::begin(endTimers), std::end(endTimers), 0.0f);
    runOverClock = 0.0f;
}

void resetMeter() {
    pendingGrowth = growthSinceMatch = 0;
    resetEndState();
    levelOver = false;
    levelClearTimer = scoreWaitClock = 0;
    massLimit = startMassLimit;
    mass = massLimit / 10;
}

void countColours() {
    bool present[colourCount] = {};
    for (const Block& block : blockTable) {
        if (block.alive && !block.dying) present[block.colour & 7] = true;
    }
    int32_t distinct = 0;
    for (int32_t colour = 1; colour < colourCount; colour++) distinct += present[colour] ? 1 : 0;
    fewColours = distinct < minimumColours;
}

static float growthRate() {
    bool fastGrowth = fewColours && mass < massLimit / 100 * fewColoursCeilingPercent;
    return fastGrowth ? fewColoursGrowthPerSecond : growthPerSecond;
}

static void payPendingGrowth(float rate, float dtMs) {
    if (fewColours) pendingGrowth = 0;
    if (pendingGrowth <= 0) return;
    float step = rate * pendingGrowth * dtMs / pendingGrowthDivisor;
    if (step > pendingGrowth) step = pendingGrowth;
    mass += step;
    growthSinceMatch += step;
    pendingGrowth -= step;
}

static void startLoss() {
    playSoundCue("woob.ogg", 1.0f, 1.0f);
    levelOver = true;
    endSequence = true;
    deathSent = false;
    logLevelEvent("Level lost", true);
}

static void checkMeditationEnd(float dtMs) {
    if (gameMode != ModeMeditation || arrivals < meditationShots) return;
    if (GameState == GameToScoreScreen) return;
    levelOver = true;
    runOverClock += dtMs;
    if (runOverClock > meditationEndDelayMs && !endSequence) {
        playSoundCue("woob.ogg", 1.0f, 1.0f);
        endSequence = true;
    }
}

void updateMeter(float dtMs) {
    ProfileScope section("updateMeter");
    float rate = growthRate();
    if (fusionActive) {
        float e = std::max(mass - massLimit, 1.0f);
        mass -= (rate * dtMs / fusionDivisor) * (e / 10);
    } else {
        mass += rate * dtMs / 1000;
    }
    payPendingGrowth(rate, dtMs);
    if (mass < 0 && !endSequence) mass = 0;
    if (gameMode == ModeMeditation && !endSequence) mass = massLimit / 10;
    // A level whose clear has begun is won, however full the meter grows while it waits.
    bool clearing = levelClearTimer > 0.0f;
    if (mass > massLimit && GameState != GameToScoreScreen && !endSequence && !clearing)
        startLoss();
    checkMeditationEnd(dtMs);
    if (mass / massLimit > meterWarningShare && isClassicMode()) showTutorialCard(CardMeterWarning);
}

static void removeEveryBlock() {
    for (Block& block : blockTable) block.alive = false;
}

// Advances a phase clock by dt, never past its length.
static void advancePhase(int32_t phase, float dtMs) {
    endTimers[phase] = std::min(endTimers[phase] + dtMs, endPhaseLengths[phase]);
}

static void runFirstPhase(float dtMs) {
    float target = endTargetFactor * massLimit;
    mass -= dtMs * (mass - target) / (endPhaseLengths[0] - endTimers[0]);
    if (mass < 0) removeEveryBlock();
    advancePhase(0, dtMs);
    if (endTimers[0] > explosionAtMs && endTimers[1] < endPhaseLengths[1]) {
        if (endTimers[1] == 0.0f) playSoundCue("explosey3.ogg", 1.0f, 1.0f);
        advancePhase(1, dtMs);
    }
}

static void finishEndSequence() {
    endSequenceDone = true;
    if (deathSent || practiceMode) return;
    deathSent = true;
    reportDeath(currentLevelStatistics());
}

void updateEndSequence(float dtMs) {
    if (!endSequence || endSequenceDone) return;
    if (endTimers[0] < endPhaseLengths[0]) {
        runFirstPhase(dtMs);
    } else if (endTimers[1] < endPhaseLengths[1]) {
        advancePhase(1, dtMs);
        if (endTimers[0] > explosionAtMs && endTimers[2] < endPhaseLengths[2])
            advancePhase(2, dtMs);
    } else if (endTimers[2] < endPhaseLengths[2]) {
        advancePhase(2, dtMs);
    } else {
        removeEveryBlock();
        if (endTimers[3] < endPhaseLengths[3]) {
            advancePhase(3, dtMs);
        } else if (endTimers[4] < endPhaseLengths[4]) {
            advancePhase(4, dtMs);
        } else {
            finishEndSequence();
        }
    }
}

void requestRestart() {
    endSequence = true;
    levelOver = true;
    restartRequested = true;
    deathSent = false;
}

static void restartSameLevel() {
    resetEndState();
    powerCharge = 0;
    levelOver = false;
    startLevel(0);
}

static bool offline() {
    return connectionMode == ConnectionOffline;
}

// Steps 1 and 2 of both end paths: the rating and the score report.
static void reportResult(float dtMs, bool practiceCounts) {
    if (levelClearTimer == 0.0f) {
        scoreSent = replyReceived = false;
        performanceRating = sentRating = 0;
    }
    levelClearTimer += dtMs;
    rateFinishedLevel();
    if (performanceRating == 0) return;
    if (sentRating == 0) sentRating = performanceRating;
    if (!scoreSent && !offline() && !(practiceCounts && practiceMode)) {
        reportScore(currentLevelStatistics());
        scoreSent = true;
    }
    if (scoreSent && scoreAnswered) replyReceived = true;
    if (!replyReceived) scoreWaitClock += dtMs;
}

// Moves on once nothing holds the player on the result: at once, or on a
// click while newly earned achievements are shown.
static bool mayLeaveResult(bool waitDone) {
    if (levelClearTimer <= levelClearWaitMs || !waitDone || connectionPrompt) return false;
    if (unlockPopups.empty()) return true;
    if (!leftDown) return false;
    leftDown = false;
    return true;
}

static void levelClearPath(float dtMs) {
    if (levelClearTimer == 0.0f) logLevelEvent("Level cleared", true);
    reportResult(dtMs, true);
    if (!mayLeaveResult(replyReceived || offline() || practiceMode)) return;
    bool lastLevel = levelIndex == lastClassicLevelIndex && !practiceMode;
    int32_t target = lastLevel ? GameToGrats : GameToScoreScreen;
    if (GameState == target) return;
    if (lastLevel || gameMode == ModeRush) logLevelEvent("Run ended", true);
    GameState = target;
}

static void runEndPath(float dtMs) {
    if (levelClearTimer == 0.0f) logLevelEvent("Run ended", true);
    reportResult(dtMs, false);
    if (!mayLeaveResult(replyReceived || offline())) return;
    GameState = GameToScoreScreen;
    resetEndState();
    powerCharge = 0;
    levelOver = false;
}

void handleEmptyMass(float dtMs) {
    bool classicOrRush = isClassicMode() || gameMode == ModeRush;
    bool endDone = levelOver && endSequenceDone;
    if (classicOrRush && endDone) {
        restartSameLevel();
    } else if (!classicOrRush && endDone && restartRequested) {
        restartSameLevel();
    } else if (classicOrRush && !endSequence) {
        levelClearPath(dtMs);
    } else if (!classicOrRush && endDone) {
        runEndPath(dtMs);
    }
}

float massRatio() {
    return massLimit != 0.0f ? mass / massLimit : 0.0f;
}
