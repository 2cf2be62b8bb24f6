// The play loop: UpdateGame's frame order, aiming, the choice of the next
// colour, firing, block flight, rotation of the view around the mass, and
// the pause key. (The mouse buttons are play_input's, the powerup keys
// powerups'.)
// startLevel resets every value here except paused, tutorialShowing,
// escapeWasDown and previewSpin, which carry over from the level before.
#pragma once

#include <cstdint>

#include "base/vector_math.h"
#include "game/powerups.h"

extern bool paused;              // the pause overlay is up
extern bool tutorialShowing;     // a tutorial card is up
extern bool escapeWasDown;       // Esc as the last frame saw it (the toggle acts on the press)
extern bool playStarted;         // the start delay is over and the level still runs
extern float startDelay;         // ms left before play counts actions
extern int32_t aimBlock;         // slot under the cursor, -1 = none
extern int32_t aimFace;          // Direction of the face under the cursor, -1 = none
extern int32_t currentColour;    // colour of the next shot, -1 = to be chosen
extern int32_t previousColour;   // colour of the last shot, -1 at start
extern float reloadTimer;        // real ms since the last shot, capped at 250
extern float aimAlpha;           // fade-in of the aiming preview, 0..255
extern int32_t dropsSinceMatch;  // shots since the last cleared group
extern float yawVelocity, pitchVelocity;  // rotation velocities
extern float yawRatio, pitchRatio;        // their proportion at the last drag
extern float rotationSums[2];             // yaw and pitch turned since the last sample, radians
extern int32_t frameCounter;              // 0..59
extern float previewSpin;                 // grows by dt/16; the preview turns by a 2.5th of it

constexpr float reloadMs = 250.0f;
constexpr float fireAlpha = 100.0f;
constexpr float fullAlpha = 255.0f;
constexpr float shotDistance = 640.0f;  // a shot starts 20 block lengths out
constexpr float startDelayMs = 300.0f;

void UpdateGame(float dtMs);
// Chooses currentColour when it is -1 (and drops it when no block has it).
void chooseCurrentColour();
// Takes a shot when the fire button, the aim and the reload allow it.
void fireShot();
// The block pass's gameplay share, without drawing: what renderGame runs.
void runBlockPass();
// Its first half, before the preview is drawn: the next colour.
void beginBlockPass();
// Finds aimBlock and aimFace under the mouse ray.
void updateAiming();
// The face the player would aim at with the mouse at (x, y); false for none.
bool pickFaceAt(int32_t x, int32_t y, int32_t& slot, int32_t& face);
// The six face squares of a block's faces, corner by corner.
void faceCorners(int32_t slot, int32_t face, Vec3 corners[4]);
void resetPlayState();
