// The play loop's side of the mouse: what a move, a press and a release do
// to the game-side button states, the drags and the action counts. The
// window's input handlers call these (after routing clicks of other screens);
// a replay calls them with the recorded events. Whether a press holds the
// game-side button is the current screen's to say: true while a level plays.
#pragma once

#include <cstdint>

constexpr int32_t shortClickMs = 200;
constexpr int32_t pausedHoldStartMs = 1199;
constexpr int32_t syntheticPressMs = 100;

void moveMouse(int32_t x, int32_t y);
void pressLeftButton();
void releaseLeftButton(bool releasesButtons);
void pressRightButton();
void releaseRightButton(bool releasesButtons);
// Advances the hold timers; releases the synthetic single-button press.
void updateHoldTimers(float dtMs);
