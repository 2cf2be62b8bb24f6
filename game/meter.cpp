#include "game/meter.h"

#include <algorithm>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "game/blocks.h"
#include "game/modes.h"
#include "game/play_effects.h"
#include "game/play_state.h"
#include "game/server_link.h"
#include "game/tutorials.h"

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
    meter.endSequence = meter.endSequenceDone = meter.restartRequested = false;
    std::fill(std::begin(meter.endTimers), std::end(meter.endTimers), 0.0f);
    meter.runOverClock = 0.0f;
}

void resetMeter() {
    // death.php of a lost level is sent once, even when the level is played again.
    bool deathWasSent = meter.deathSent;
    meter = MeterState{};
    meter.deathSent = deathWasSent;
    meter.mass = meter.massLimit / 10;
}

void countColours() {
    bool present[colourCount] = {};
    for (const Block& block : blockTable) {
        if (block.alive && !block.dying) present[block.colour & 7] = true;
    }
    int32_t distinct = 0;
    for (int32_t colour = 1; colour < colourCount; colour++) distinct += present[colour] ? 1 : 0;
    meter.fewColours = distinct < minimumColours;
}

static float growthRate() {
    bool fastGrowth =
        meter.fewColours && meter.mass < meter.massLimit / 100 * fewColoursCeilingPercent;
    return fastGrowth ? fewColoursGrowthPerSecond : growthPerSecond;
}

static void payPendingGrowth(float rate, float dtMs) {
    if (meter.fewColours) meter.pendingGrowth = 0;
    if (meter.pendingGrowth <= 0) return;
    float step = rate * meter.pendingGrowth * dtMs / pendingGrowthDivisor;
    if (step > meter.pendingGrowth) step = meter.pendingGrowth;
    meter.mass += step;
    meter.growthSinceMatch += step;
    meter.pendingGrowth -= step;
}

static void startLoss() {
    playSoundCue("woob.ogg", 1.0f, 1.0f);
    meter.levelOver = true;
    meter.endSequence = true;
    meter.deathSent = false;
    logLevelEvent("Level lost", true);
}

static void checkMeditationEnd(float dtMs) {
    if (modeState.gameMode != ModeMeditation || modeState.arrivals < meditationShots) return;
    if (GameState == GameToScoreScreen) return;
    meter.levelOver = true;
    meter.runOverClock += dtMs;
    if (meter.runOverClock > meditationEndDelayMs && !meter.endSequence) {
        playSoundCue("woob.ogg", 1.0f, 1.0f);
        meter.endSequence = true;
    }
}

void updateMeter(float dtMs) {
    ProfileScope section("updateMeter");
    float rate = growthRate();
    if (powerups.fusionActive) {
        float e = std::max(meter.mass - meter.massLimit, 1.0f);
        meter.mass -= (rate * dtMs / fusionDivisor) * (e / 10);
    } else {
        meter.mass += rate * dtMs / 1000;
    }
    payPendingGrowth(rate, dtMs);
    if (meter.mass < 0 && !meter.endSequence) meter.mass = 0;
    if (modeState.gameMode == ModeMeditation && !meter.endSequence)
        meter.mass = meter.massLimit / 10;
    // A level whose clear has begun is won, however full the meter grows while it waits.
    bool clearing = meter.levelClearTimer > 0.0f;
    if (meter.mass > meter.massLimit && GameState != GameToScoreScreen && !meter.endSequence &&
        !clearing)
        startLoss();
    checkMeditationEnd(dtMs);
    if (meter.mass / meter.massLimit > meterWarningShare && isClassicMode())
        showTutorialCard(CardMeterWarning);
}

static void removeEveryBlock() {
    for (Block& block : blockTable) block.alive = false;
}

// Advances a phase clock by dt, never past its length.
static void advancePhase(int32_t phase, float dtMs) {
    meter.endTimers[phase] = std::min(meter.endTimers[phase] + dtMs, endPhaseLengths[phase]);
}

static void runFirstPhase(float dtMs) {
    float target = endTargetFactor * meter.massLimit;
    meter.mass -= dtMs * (meter.mass - target) / (endPhaseLengths[0] - meter.endTimers[0]);
    if (meter.mass < 0) removeEveryBlock();
    advancePhase(0, dtMs);
    if (meter.endTimers[0] > explosionAtMs && meter.endTimers[1] < endPhaseLengths[1]) {
        if (meter.endTimers[1] == 0.0f) playSoundCue("explosey3.ogg", 1.0f, 1.0f);
        advancePhase(1, dtMs);
    }
}

static void finishEndSequence() {
    meter.endSequenceDone = true;
    if (meter.deathSent || modeState.practiceMode) return;
    meter.deathSent = true;
    reportDeath(currentLevelStatistics());
}

void updateEndSequence(float dtMs) {
    if (!meter.endSequence || meter.endSequenceDone) return;
    if (meter.endTimers[0] < endPhaseLengths[0]) {
        runFirstPhase(dtMs);
    } else if (meter.endTimers[1] < endPhaseLengths[1]) {
        advancePhase(1, dtMs);
        if (meter.endTimers[0] > explosionAtMs && meter.endTimers[2] < endPhaseLengths[2])
            advancePhase(2, dtMs);
    } else if (meter.endTimers[2] < endPhaseLengths[2]) {
        advancePhase(2, dtMs);
    } else {
        removeEveryBlock();
        if (meter.endTimers[3] < endPhaseLengths[3]) {
            advancePhase(3, dtMs);
        } else if (meter.endTimers[4] < endPhaseLengths[4]) {
            advancePhase(4, dtMs);
        } else {
            finishEndSequence();
        }
    }
}

void requestRestart() {
    meter.endSequence = true;
    meter.levelOver = true;
    meter.restartRequested = true;
    meter.deathSent = false;
}

static void restartSameLevel() {
    resetEndState();
    powerups.powerCharge = 0;
    meter.levelOver = false;
}

static bool offline() {
    return serverLink.connectionMode == ConnectionOffline;
}

// Steps 1 and 2 of both end paths: the rating and the score report.
static void reportResult(float dtMs, bool practiceCounts) {
    if (meter.levelClearTimer == 0.0f) {
        meter.scoreSent = meter.replyReceived = false;
        meter.performanceRating = meter.sentRating = 0;
    }
    meter.levelClearTimer += dtMs;
    rateFinishedLevel();
    if (meter.performanceRating == 0) return;
    if (meter.sentRating == 0) meter.sentRating = meter.performanceRating;
    if (!meter.scoreSent && !offline() && !(practiceCounts && modeState.practiceMode)) {
        reportScore(currentLevelStatistics());
        meter.scoreSent = true;
    }
    if (meter.scoreSent && serverLink.scoreAnswered) meter.replyReceived = true;
    if (!meter.replyReceived) meter.scoreWaitClock += dtMs;
}

// Moves on once nothing holds the player on the result: at once, or on a
// click while newly earned achievements are shown.
static bool mayLeaveResult(bool waitDone) {
    if (meter.levelClearTimer <= levelClearWaitMs || !waitDone || serverLink.connectionPrompt)
        return false;
    if (serverLink.unlockPopups.empty()) return true;
    if (!leftDown) return false;
    leftDown = false;
    return true;
}

static void levelClearPath(float dtMs) {
    if (meter.levelClearTimer == 0.0f) logLevelEvent("Level cleared", true);
    reportResult(dtMs, true);
    if (!mayLeaveResult(meter.replyReceived || offline() || modeState.practiceMode)) return;
    bool lastLevel = modeState.levelIndex == lastClassicLevelIndex && !modeState.practiceMode;
    int32_t target = lastLevel ? GameToGrats : GameToScoreScreen;
    if (GameState == target) return;
    if (lastLevel || modeState.gameMode == ModeRush) logLevelEvent("Run ended", true);
    GameState = target;
}

static void runEndPath(float dtMs) {
    if (meter.levelClearTimer == 0.0f) logLevelEvent("Run ended", true);
    reportResult(dtMs, false);
    if (!mayLeaveResult(meter.replyReceived || offline())) return;
    GameState = GameToScoreScreen;
    resetEndState();
    powerups.powerCharge = 0;
    meter.levelOver = false;
}

bool handleEmptyMass(float dtMs) {
    bool classicOrRush = isClassicMode() || modeState.gameMode == ModeRush;
    bool endDone = meter.levelOver && meter.endSequenceDone;
    if (classicOrRush && endDone) {
        restartSameLevel();
        return true;
    } else if (!classicOrRush && endDone && meter.restartRequested) {
        restartSameLevel();
        return true;
    } else if (classicOrRush && !meter.endSequence) {
        levelClearPath(dtMs);
    } else if (!classicOrRush && endDone) {
        runEndPath(dtMs);
    }
    return false;
}

float massRatio() {
    return meter.massLimit != 0.0f ? meter.mass / meter.massLimit : 0.0f;
}
