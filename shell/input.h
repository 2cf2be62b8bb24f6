// Input: turns window events into the game-side input values (shell/pointer.h),
// routes clicks, the wheel and typed keys to the current screen's row of the
// state table, and types into the debug console while it is open.
#pragma once

#include <cstdint>
#include <string>

#include "base/pointer.h"
#include "game/play_input.h"

void onMouseMove(int32_t x, int32_t y);
void onLeftButtonDown();
void onLeftButtonUp();
void onRightButtonDown();
void onRightButtonUp();
void onMouseWheel(int32_t steps);
// M, outside a text field, mutes or unmutes everything; other keys go to the console or the screen.
void onKeyDown(int32_t virtualKey);
// Flips Muted and saves it (on the options screen Save and Back decide).
void toggleMute();
constexpr int32_t muteKey = 'M';

extern bool replayDrivesInput;  // a replay is showing: the player's mouse and keys are ignored

// The play keys held now (Escape, 1, 2, 3) as PlayKey bits.
int32_t heldPlayKeys();
