// The mouse as the input handlers leave it: position, the game-side button
// states and their hold and drag timers. The input handlers write them; the
// play loop, the camera and the screens read them.
#pragma once

#include <cstdint>

extern int32_t mouseX, mouseY;    // last mouse position, client pixels
extern bool leftDown, rightDown;  // game-side button states
extern int32_t holdTime;          // ms the left button has been held
extern int32_t rightHoldTime;     // ms the right button has been held
extern float dragTime;            // ms since the press that started a drag
extern float dragOrigin[2];       // mouse position at that press (mass rotation)

constexpr float dragClickMs = 200.0f;  // a press held longer than this drags
