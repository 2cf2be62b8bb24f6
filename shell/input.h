// Input: turns window events into the game-side input values (shell/pointer.h),
// routes clicks, the wheel and typed keys to the current screen's row of the
// state table, and types into the debug console while it is open.
#pragma once

#include <cstdint>
#include <string>

#include "shell/pointer.h"

constexpr int32_t shortClickMs = 200;
constexpr int32_t pausedHoldStartMs = 1199;
constexpr int32_t syntheticPressMs = 100;

void onMouseMove(int32_t x, int32_t y);
void onLeftButtonDown();
void onLeftButtonUp();
void onRightButtonDown();
void onRightButtonUp();
void onMouseWheel(int32_t steps);
void onKeyDown(int32_t virtualKey);

// Advances the hold timers; releases the synthetic single-button press.
void updateHoldTimers(float dtMs);
