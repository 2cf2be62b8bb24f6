// Powerups: cleared blocks charge one meter; Multiplier, Timewarp and Fusion
// Pulse start from 50, 150 and 300 and drain it at their own rates.
// Its state is the record `powerups` (game/play_state.h); resetPowerups
// clears all but the HUD's hover, spin and fades and the keys' last state;
// every end sequence empties the charge too.
#pragma once

#include <cstdint>

#include "game/play_state.h"

// The powerup buttons: squares a twentieth of the screen width wide, centred
// at these multiples of that side from the left edge.
constexpr float buttonShareOfWidth = 0.05f;
constexpr float buttonCentres[powerupCount] = {1.0f, 2.25f, 3.5f};
constexpr float powerThresholds[powerupCount] = {50.0f, 150.0f, 300.0f};
constexpr float maxPowerCharge = 300.0f;
constexpr float readyFlashMs = 3000.0f;
constexpr float bannerMs = 3000.0f;
constexpr float timewarpSlowdown = 4.0f;

bool anyPowerupActive();
// Clears the active flags, banners and their timers; the ready flash goes idle.
void resetPowerups();
// The screen tints of Multiplier and Timewarp (real time).
void updatePowerupOverlays(float realDtMs);
// Charge flow (game time), drain (real time) and the thresholds.
void updatePowerCharge(float dtMs, float realDtMs);
// Keys "1", "2", "3" on their press edge, Classic modes only.
void handlePowerupKeys();
// The three HUD buttons: hover flags and clicks.
void handlePowerupButtons();
// Starts a powerup if the mode, the charge and the other powerups allow it.
bool tryActivatePowerup(int32_t which);
// Survival's stage end: Fusion Pulse from a full meter, not counted as used.
void startStageFusion();
