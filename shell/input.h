// Input: turns window events into the game-side input values (shell/pointer.h),
// routes clicks, the wheel and typed keys to the current screen's row of the
// state table, and types into the debug console while it is open.
#pragma once

#include <cstdint>
#include <string>

#include "base/pointer.h"
#include "game/play_input.h"
#include "screens/button_focus.h"

void onMouseMove(int32_t x, int32_t y);
void onLeftButtonDown();
void onLeftButtonUp();
void onRightButtonDown();
void onRightButtonUp();
void onMouseWheel(int32_t steps);
// M, outside a text field, mutes or unmutes everything; other keys go to the console or the screen.
void onKeyDown(int32_t virtualKey);
void onKeyUp(int32_t virtualKey);
// Flips Muted and saves it (on the options screen Save and Back decide).
void toggleMute();
constexpr int32_t muteKey = 'M';

extern int32_t focusPressKey;  // the key or pad button holding a focus press down, 0 when none
extern bool backPressPending;  // the pointer was put on the way back; the key's release presses it

// The focus, driven by keys or a pad (the key or button is named so that
// only its own release ends the press): a move puts the pointer on a button,
// a press clicks there, the way back is aimed at first and pressed on release.
void moveFocus(FocusMove move);
void pressFocus(int32_t key);
void releaseFocus(int32_t key);
void aimAtBack();
void pressBack();
