// The keys that steer play (Escape and the powerup keys), read from the
// keyboard each frame, and whether a replay shown has taken the player's
// input over.
#pragma once

#include <cstdint>

extern bool replayDrivesInput;  // a replay is showing: the player's mouse and keys are ignored

// The play keys held now (Escape, 1, 2, 3) as PlayKey bits.
int32_t heldPlayKeys();
