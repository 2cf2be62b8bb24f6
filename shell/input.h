// Input: turns window events into the game-side input values, routes clicks
// to the current screen, and builds typed characters from key-down events.
#pragma once

#include <cstdint>
#include <string>

extern int32_t mouseX, mouseY;    // last mouse position, client pixels
extern bool leftDown, rightDown;  // game-side button states
extern int32_t holdTime;          // ms the left button has been held
extern int32_t rightHoldTime;     // ms the right button has been held
extern float dragTime;            // ms since the press that started a drag
extern float dragOrigin[2];       // mouse position at that press (mass rotation)
extern float listDragOrigin[2];   // the same, for the ranking list
extern float actionCount;         // actions for the actions-per-minute statistic
extern int32_t rotateCount;       // rotations for the statistics

// Measures text in the account-screen font; the fonts replace the estimate.
extern float (*measureTextWidth)(const std::string& text);
// Starts the login once the password is entered; set by the online client, null until then.
extern void (*startLoginRequest)();

constexpr int32_t shortClickMs = 200;
constexpr int32_t pausedHoldStartMs = 1199;
constexpr int32_t syntheticPressMs = 100;
constexpr float dragClickMs = 200.0f;

void onMouseMove(int32_t x, int32_t y);
void onLeftButtonDown();
void onLeftButtonUp();
void onRightButtonDown();
void onRightButtonUp();
void onMouseWheel(int32_t steps);
void onKeyDown(int32_t virtualKey);
std::string getClipboardText();

// The character a key types ("" for none), before the console or a field takes it.
std::string keyCharacter(int32_t virtualKey, bool upperCase);
// Advances the hold timers; releases the synthetic single-button press.
void updateHoldTimers(float dtMs);
