// Powerups: cleared blocks charge one meter; Multiplier, Timewarp and Fusion
// Pulse start from 50, 150 and 300 and drain it at their own rates.
// startLevel empties the charge and clears the active flags, banners and
// counts; every end sequence empties the charge too.
#pragma once

#include <cstdint>

enum PowerupIndex : int32_t { Multiplier = 0, Timewarp = 1, FusionPulse = 2 };

constexpr int32_t powerupCount = 3;
// The powerup buttons: squares a twentieth of the screen width wide, centred
// at these multiples of that side from the left edge.
constexpr float buttonShareOfWidth = 0.05f;
constexpr float buttonCentres[powerupCount] = {1.0f, 2.25f, 3.5f};
constexpr float powerThresholds[powerupCount] = {50.0f, 150.0f, 300.0f};
constexpr float maxPowerCharge = 300.0f;
constexpr float readyFlashMs = 3000.0f;
constexpr float readyFlashIdleMs = 5000.0f;  // at level start: no flash
constexpr float bannerMs = 3000.0f;
constexpr float timewarpSlowdown = 4.0f;

extern float powerCharge;                     // the meter, 0..300
extern float pendingCharge;                   // charge still flowing into the meter
extern bool multiplierActive;                 // at most one of the three is active
extern bool timewarpActive;                   // game time runs at a quarter
extern bool fusionActive;                     // the meter falls instead of growing
extern bool powerReady[powerupCount];         // the charge reached the threshold since last below
extern float readyFlashTimers[powerupCount];  // ms since the ready edge, stop at 3000
extern bool bannerShowing[powerupCount];      // the activation banner is up
extern float bannerTimers[powerupCount];      // ms since activation, up to 3000
extern bool buttonHover[powerupCount];        // the cursor is over the HUD button
extern float massAtFusion;                    // mass when Fusion Pulse started
extern float panelSpin;                       // degrees, wraps at 360
extern float multiplierGlow;                  // 1 while Multiplier is active, else fades to 0
extern float timewarpBlur;                    // rises to 0.8 while Timewarp is active
extern bool powerupKeyWasDown[powerupCount];  // keys 1..3 as the last unpaused frame saw them
extern int32_t powerupsEarned[powerupCount];  // statistics "pup1earned".."pup3earned"
extern int32_t powerupsUsed[powerupCount];    // statistics "pup1used".."pup3used"

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
