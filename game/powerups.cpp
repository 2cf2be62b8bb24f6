#include "game/powerups.h"

#include <algorithm>
#include <cmath>

#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/play_effects.h"
#include "game/play_state.h"
#include "game/server_link.h"
#include "game/tutorials.h"

static constexpr float chargeFlowDivisor = 32.0f;
// Each powerup drains its threshold's worth over 10 s, 20 s and 3 s.
static constexpr float drainPeriodMs[powerupCount] = {10000.0f, 20000.0f, 3000.0f};
static constexpr float timewarpBlurTop = 0.8f;
static constexpr float overlayFadeMsPerUnit = 1000.0f;
static constexpr float panelSpinDivisor = 5.0f;
static constexpr float quicksaveShare = 0.9f;
static constexpr int32_t powerupKeys[powerupCount] = {PlayKeyPowerup1, PlayKeyPowerup2,
                                                      PlayKeyPowerup3};

static bool* const activeFlags[powerupCount] = {&powerups.multiplierActive,
                                                &powerups.timewarpActive, &powerups.fusionActive};

bool anyPowerupActive() {
    return powerups.multiplierActive || powerups.timewarpActive || powerups.fusionActive;
}

void resetPowerups() {
    PowerupState before = powerups;
    powerups = PowerupState{};
    // The HUD's hover, spin and fades run on across levels, and a key held
    // from the level before must be released before it fires again.
    std::copy(std::begin(before.buttonHover), std::end(before.buttonHover), powerups.buttonHover);
    std::copy(std::begin(before.powerupKeyWasDown), std::end(before.powerupKeyWasDown),
              powerups.powerupKeyWasDown);
    powerups.panelSpin = before.panelSpin;
    powerups.multiplierGlow = before.multiplierGlow;
    powerups.timewarpBlur = before.timewarpBlur;
}

void updatePowerupOverlays(float realDtMs) {
    float step = realDtMs / overlayFadeMsPerUnit;
    powerups.multiplierGlow =
        powerups.multiplierActive ? 1.0f : std::max(0.0f, powerups.multiplierGlow - step);
    if (powerups.timewarpActive) {
        powerups.timewarpBlur = std::min(timewarpBlurTop, powerups.timewarpBlur + step);
    } else {
        powerups.timewarpBlur = std::max(0.0f, powerups.timewarpBlur - step);
    }
}

static void flowCharge(float dtMs) {
    if (powerups.pendingCharge <= 0) return;
    float c = std::min(dtMs / chargeFlowDivisor, powerups.pendingCharge);
    powerups.powerCharge += c;
    powerups.pendingCharge -= c;
}

static void drainCharge(float realDtMs) {
    for (int32_t i = 0; i < powerupCount; i++) {
        if (*activeFlags[i])
            powerups.powerCharge -= realDtMs / drainPeriodMs[i] * powerThresholds[i];
    }
}

static void checkThreshold(int32_t which) {
    if (powerups.powerCharge < powerThresholds[which]) {
        powerups.powerReady[which] = false;
        return;
    }
    if (powerups.powerReady[which] || anyPowerupActive()) return;
    powerups.powerReady[which] = true;
    powerups.readyFlashTimers[which] = 0.0f;
    if (!isClassicMode()) return;
    playSoundCue("powerupready.ogg", 0.2f, 1.0f);
    powerups.powerupsEarned[which]++;
}

static void advanceTimers(float realDtMs) {
    for (int32_t i = 0; i < powerupCount; i++) {
        powerups.readyFlashTimers[i] =
            std::min(powerups.readyFlashTimers[i] + realDtMs, readyFlashMs);
        if (!powerups.bannerShowing[i]) continue;
        powerups.bannerTimers[i] = std::min(powerups.bannerTimers[i] + realDtMs, bannerMs);
        if (powerups.bannerTimers[i] >= bannerMs) powerups.bannerShowing[i] = false;
    }
}

void updatePowerCharge(float dtMs, float realDtMs) {
    flowCharge(dtMs);
    drainCharge(realDtMs);
    if (powerups.powerCharge >= maxPowerCharge) powerups.powerCharge = maxPowerCharge;
    checkThreshold(FusionPulse);
    checkThreshold(Timewarp);
    checkThreshold(Multiplier);
    if (powerups.powerCharge >= powerThresholds[Multiplier] && isClassicMode())
        showTutorialCard(CardPowerups);
    if (powerups.powerCharge <= 0) {
        powerups.powerCharge = 0;
        for (bool* active : activeFlags) *active = false;
    }
    advanceTimers(realDtMs);
    powerups.panelSpin = std::fmod(powerups.panelSpin + dtMs / panelSpinDivisor, 360.0f);
}

static void startPowerup(int32_t which) {
    *activeFlags[which] = true;
    powerups.bannerShowing[which] = true;
    powerups.bannerTimers[which] = 0.0f;
    playSoundCue("subdrop.ogg", 0.8f, 1.0f);
    if (which == FusionPulse) powerups.massAtFusion = meter.mass;
}

bool tryActivatePowerup(int32_t which) {
    if (!isClassicMode() || anyPowerupActive()) return false;
    if (powerups.powerCharge < powerThresholds[which]) return false;
    startPowerup(which);
    powerups.powerupsUsed[which]++;
    bool higherDifficulty = modeState.gameMode == ModeNormal || modeState.gameMode == ModeExpert;
    if (which == FusionPulse && higherDifficulty && meter.mass / meter.massLimit >= quicksaveShare)
        earnAchievement("quicksave");
    return true;
}

void startStageFusion() {
    powerups.powerCharge = maxPowerCharge;
    startPowerup(FusionPulse);
}

void handlePowerupKeys() {
    for (int32_t i = 0; i < powerupCount; i++) {
        bool down = (playKeysHeld & powerupKeys[i]) != 0;
        if (down && !powerups.powerupKeyWasDown[i]) tryActivatePowerup(i);
        powerups.powerupKeyWasDown[i] = down;
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
        powerups.buttonHover[i] = cursorOverButton(i);
        if (!powerups.buttonHover[i] || !leftDown || !isClassicMode() || anyPowerupActive())
            continue;
        leftDown = false;
        tryActivatePowerup(i);
    }
}
