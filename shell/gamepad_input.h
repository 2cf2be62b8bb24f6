// The game controller: its buttons and sticks become the calls a mouse and a
// keyboard make. In play the left stick moves the pointer, the right stick
// drags the mass round as a mouse drag would, A fires, X is the right mouse
// button and Start pauses; in the menus the D-pad and the left stick move
// the focus, A presses and B goes back. Every move is a recorded pointer
// event, so a replay and the server's checker see what a mouse would give.
#pragma once

#include <cstdint>

#include "platform/window.h"

extern float padPointer[2];       // the pointer as the sticks move it, sub-pixel
extern bool padTurning;           // the right stick holds a drag that turns the mass
extern float padTurnOrigin[2];    // the pointer where that turn began; it returns there
extern bool padFireHeld;          // A holds the fire button down
extern bool padRightHeld;         // X holds the right button down
extern int32_t padHeldDirection;  // FocusMove the left stick holds in a menu, -1 when none
extern float padRepeatMs;         // ms until that held stick moves the focus again

// Dead zone and curve: 0 inside the dead zone, then rising to 1 at full
// deflection, slowly first so small corrections stay fine.
float shapeStick(float value);
// The FocusMove a stick position asks for in a menu, -1 when it rests.
int32_t stickDirection(float x, float y);

// A controller arrived, left, or a button went down or up.
void onPadEvent(const PlatformEvent& event);
// Once a frame before the update: the sticks.
void steerWithPad(float dtMs);
