// Game controllers through SDL's game-controller layer: controllers come and
// go as events, their buttons arrive as events, their sticks are read once a
// frame (a stick would flood the one-event-a-frame queue). Tests attach a
// virtual controller that goes through the same layer.
#pragma once

#include <cstdint>

#include "platform/events.h"

union SDL_Event;

// Buttons in SDL's game-controller order.
enum PadButton : int32_t {
    PadA,
    PadB,
    PadX,
    PadY,
    PadBack,
    PadGuide,
    PadStart,
    PadLeftStick,
    PadRightStick,
    PadLeftShoulder,
    PadRightShoulder,
    PadUp,
    PadDown,
    PadLeft,
    PadRight,
    padButtonCount,
};

// Stick positions, -1 .. 1, right and down positive.
struct PadSticks {
    float leftX, leftY, rightX, rightY;
};

// Starts the controller layer; controllers already plugged in then arrive as
// PadAdded events. False (SDL's reason in platformLastError) when it cannot.
bool platformInitGamepads();
// The sticks of the first open controller; all zero when none is open.
PadSticks platformPadSticks();
// How many controllers are open.
int platformPadCount();
// Turns a controller event into ours (x: the device index of an arrival, the
// instance of a removal); false for the events the game does not use.
bool translatePadEvent(const SDL_Event& sdl, PlatformEvent& event);
// An event being taken: opens or closes its controller. False when there is
// nothing to tell (one that cannot be opened, one the game never had).
bool settlePadEvent(const PlatformEvent& event);

// A virtual controller for tests, mapped as a game controller.
bool platformAttachVirtualPad();
void platformDetachVirtualPad();
void platformSetVirtualPadButton(int32_t button, bool down);
// axis: 0 left x, 1 left y, 2 right x, 3 right y; value -32768 .. 32767.
void platformSetVirtualPadAxis(int32_t axis, int32_t value);
// The button of a script name ("a", "start", "up"), -1 when unknown.
int32_t padButtonFromName(const char* name);
// The axis of a script name ("leftx", "righty"), -1 when unknown.
int32_t padAxisFromName(const char* name);
