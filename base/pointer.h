// The mouse as the input handlers leave it: position, the game-side button
// states and their hold and drag timers; and the play keys held. The input
// handlers (or a replay) write them; the play loop, the camera and the
// screens read them.
#pragma once

#include <cstdint>

extern int32_t mouseX, mouseY;    // last mouse position, client pixels
extern bool leftDown, rightDown;  // game-side button states
extern int32_t holdTime;          // ms the left button has been held
extern int32_t rightHoldTime;     // ms the right button has been held
extern float dragTime;            // ms since the press that started a drag
extern float dragOrigin[2];       // mouse position at that press (mass rotation)
extern float listDragOrigin[2];   // the same, for a list drag (the Ranking screen)

extern bool padInUse;  // a game controller is plugged in: the controls card shows it

extern int32_t playKeysHeld;  // the play keys held as the game step begins, PlayKey bits

// The keys the play loop reads by their held state (a replay stores the same bits).
enum PlayKey : int32_t {
    PlayKeyEscape = 1,
    PlayKeyPowerup1 = 2,
    PlayKeyPowerup2 = 4,
    PlayKeyPowerup3 = 8,
};

constexpr float dragClickMs = 200.0f;  // a press held longer than this drags
