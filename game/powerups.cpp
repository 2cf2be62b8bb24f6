#include "game/powerups.h"

#include <algorithm>
#include <cmath>

#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play_effects.h"
#include "game/server_link.h"
#include "game/tutorials.h"

float powerCharge = 0.0f;
float pendingCharge = 0.0f;
bool multiplierActive = false;
bool timewarpActive = false;
bool fusionActive = false;
bool powerReady[powerupCount] = {};
float readyFlashTimers[powerupCount] = {readyFlashIdleMs, readyFlashIdleMs, readyFlashIdleMs};
bool bannerShowing[powerupCount] = {};
float bannerTimers[powerupCount] = {};
bool buttonHover[powerupCount] = {};
float massAtFusion = 0.0f;
float panelSpin = 0.0f;
float multiplierGlow = 0.0f;
float timewarpBlur = 0.0f;
int32_t powerupsEarned[powerupCount] = {};
int32_t powerupsUsed[powerupCount] = {};

static constexpr float chargeFlowDivisor = 32.0f;
// Each powerup drains its threshold's worth over 10 s, 20 s and 3 s.
static constexpr float drainPeriodMs[powerupCount] = {10000.0f, 20000.0f, 3000.0f};
static constexpr float timewarpBlurTop = 0.8f;
static constexpr float overlayFadeMsPerUnit = 1000.0f;
static constexpr float panelSpinDivisor = 5.0f;
static constexpr float quicksaveShare = 0.9f;
static constexpr int32_t powerupKeys[powerupCount] = {PlayKeyPowerup1, PlayKeyPowerup2,
                                                      PlayKeyPowerup3};
bool powerupKeyWasDown[powerupCount] = {};

static bool* const activeFlags[powerupCount] = {&multiplierActive, &timewarpActive, &fusionActive};

bool anyPowerupActive() {
    return multiplierActive || timewarpActive || fusionActive;
}

void resetPowerups() {
    powerCharge = pendingCharge = 0;
    for (int32_t i = 0; i < powerupCount; i++) {
        *activeFlags[i] = false;
        bannerShowing[i] = false;
        bannerTimers[i] = 0.0f;
        readyFlashTimers[i] = readyFlashIdleMs;
        powerupsEarned[i] = powerupsUsed[i] = 0;
    }
}

void updatePowerupOverlays(float realDtMs) {
    float step = realDtMs / overlayFadeMsPerUnit;
    multiplierGlow = multiplierActive ? 1.0f : std::max(0.0f, multiplierGlow - step);
    if (timewarpActive) {
        timewarpBlur = std::min(timewarpBlurTop, timewarpBlur + step);
    } else {
        timewarpBlur = std::max(0.0f, timewarpBlur - step);
    }
}

static void flowCharge(float dtMs) {
    if (pendingCharge <= 0) return;
    float c = std::min(dtMs / chargeFlowDivisor, pendingCharge);
    powerCharge += c;
    pendingCharge -= c;
}

static void drainCharge(float realDtMs) {
    for (int32_t i = 0; i < powerupCount; i++) {
        if (*activeFlags[i]) powerCharge -= realDtMs / drainPeriodMs[i] * powerThresholds[i];
    }
}

static void checkThreshold(int32_t which) {
    if (powerCharge < powerThresholds[which]) {
        powerReady[which] = false;
        return;
    }
    if (powerReady[which] || anyPowerupActive()) return;
    powerReady[which] = true;
    readyFlashTimers[which] = 0.0f;
    if (!isClassicMode()) return;
    playSoundCue("powerupready.ogg", 0.2f, 1.0f);
    powerupsEarned[which]++;
}

static void advanceTimers(float realDtMs) {
    for (int32_t i = 0; i < powerupCount; i++) {
        readyFlashTimers[i] = std::min(readyFlashTimers[i] + realDtMs, readyFlashMs);
        if (!bannerShowing[i]) continue;
        bannerTimers[i] = std::min(bannerTimers[i] + realDtMs, bannerMs);
        if (bannerTimers[i] >= bannerMs) bannerShowing[i] = false;
    }
}

void updatePowerCharge(float dtMs, float realDtMs) {
    flowCharge(dtMs);
    drainCharge(realDtMs);
    if (powerCharge >= maxPowerCharge) powerCharge = maxPowerCharge;
    checkThreshold(FusionPulse);
    checkThreshold(Timewarp);
    checkThreshold(Multiplier);
    if (powerCharge >= powerThresholds[Multiplier] && isClassicMode())
        showTutorialCard(CardPowerups);
    if (powerCharge <= 0) {
        powerCharge = 0;
        for (bool* active : activeFlags) *active = false;
    }
    advanceTimers(realDtMs);
    panelSpin = std::fmod(panelSpin + dtMs / panelSpinDivisor, 360.0f);
}

static void startPowerup(int32_t which) {
    *activeFlags[which] = true;
    bannerShowing[which] = true;
    bannerTimers[which] = 0.0f;
    playSoundCue("subdrop.ogg", 0.8f, 1.0f);
    if (which == FusionPulse) massAtFusion = mass;
}

bool tryActivatePowerup(int32_t which) {
    if (!isClassicMode() || anyPowerupActive()) return false;
    if (powerCharge < powerThresholds[which]) return false;
    startPowerup(which);
    powerupsUsed[which]++;
    bool higherDifficulty = gameMode == ModeNormal || gameMode == ModeExpert;
    if (which == FusionPulse && higherDifficulty && mass / massLimit >= quicksaveShare)
        earnAchievement("quicksave");
    return true;
}

void startStageFusion() {
    powerCharge = maxPowerCharge;
    startPowerup(FusionPulse);
}

void handlePowerupKeys() {
    for (int32_t i = 0; i < powerupCount; i++) {
        bool down = (playKeysHeld & powerupKeys[i]) != 0;
        if (down && !powerupKeyWasDown[i]) tryActivatePowerup(i);
        powerupKeyWasDown[i] = down;
    }
}

static bool cursorOverButton(int32_t which) {
    float u = buttonShareOfWidth * ScreenWidth;
    float centre = u * buttonCentres[which];
    float h = static_cast<float>(ScreenHeight);
    return mouseX >= centre - u / 2 && mouseX <= centre + u / 2 && mouseY >= h - 1.5f * u &&
           mouseY <= h - 0.5f * u;
}

void handlePowerupButtons() {
    for (int32_t i = 0; i < powerupCount; i++) {
        buttonHover[i] = cursorOverButton(i);
        if (!buttonHover[i] || !leftDown || !isClassicMode() || anyPowerupActive()) continue;
        leftDown = false;
        tryActivatePowerup(i);
    }
}
