// The play loop: UpdateGame's frame order, aiming, the choice of the next
// colour, firing, block flight, rotation of the view around the mass, and
// the pause key. (The mouse buttons are play_input's, the powerup keys
// powerups'.)
// Its state is the record `play` (game/play_state.h); resetPlayState keeps
// paused, tutorialShowing, escapeWasDown and previewSpin from the level before.
#pragma once

#include <cstdint>

#include "base/vector_math.h"
#include "game/play_state.h"
#include "game/powerups.h"

constexpr float reloadMs = 250.0f;
constexpr float fireAlpha = 100.0f;
constexpr float fullAlpha = 255.0f;
constexpr float shotDistance = 640.0f;  // a shot starts 20 block lengths out
constexpr float startDelayMs = 300.0f;

// Resets the level state and builds the mass (true: a new game from the menus).
void startLevel(int32_t newGame);
// Begins a game of mode as the menus begin one: a Ranked run from level 1, or
// for a Classic level 1..10 a Practice game of that level. A new session hash.
void beginGame(int32_t mode, int32_t level, bool ranked = false);
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
